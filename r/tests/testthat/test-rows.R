# The rows are the command line's tsv, bit for bit, for the same options.

cases <- list(
  list(args = list(), options = character(0)),
  list(args = list(length = 16, chromosomes = 23, alpha = 0.05),
       options = c("--length", "16", "--chromosomes", "23", "--alpha", "0.05")),
  list(args = list(exact = TRUE, length = c(0.5, 33), chromosomes = c(1L, 23L)),
       options = c("--exact", "--length", "0.5,33", "--chromosomes", "1,23")),
  list(args = list(rate = "all", alpha = "all"), options = c("--rate", "all", "--alpha", "all")),
  list(args = list(alpha = c(0.1 + 0.2, 1e-3)),
       options = c("--alpha", "0.30000000000000004,0.001")),
  list(args = list(length = 1e-3), options = c("--length", "0.001")),
  list(args = list(design = c("backcross", "intercross"), spacing = c(0, 1, 5)),
       options = c("--design", "backcross,intercross", "--spacing", "0,1,5")),
  list(args = list(rate = 1.3, tail = "two-sided", spacing = 2),
       options = c("--rate", "1.3", "--tail", "two-sided", "--spacing", "2")),
  list(args = list(design = "backcross", spacing = 5, lod = c(2, 3.5)),
       options = c("--design", "backcross", "--spacing", "5", "--lod", "2,3.5")),
  list(args = list(design = "intercross", spacing = 10, individuals = 200),
       options = c("--design", "intercross", "--spacing", "10", "--individuals", "200")),
  list(args = list(design = "backcross", spacing = 10, scan = "interval", step = 2.5),
       options = c("--design", "backcross", "--spacing", "10", "--scan", "interval",
                   "--step", "2.5")),
  list(args = list(design = "backcross", spacing = c(10, 20), simulate = 200, seed = 7,
                   threads = 2),
       options = c("--design", "backcross", "--spacing", "10,20", "--simulate", "200",
                   "--seed", "7", "--threads", "2"))
)

test_that("the rows are the command line's tsv", {
  skip_without_program()
  for (case in cases) {
    expect_same_rows(do.call(thresholds, case$args), case$options)
  }
})

test_that("a map file gives the command line's rows", {
  skip_without_program()
  skip_without_examples()
  mouse <- example_map("mouse_gmap.csv")
  expect_same_rows(thresholds(mouse, design = "intercross"),
                   c("--map", mouse, "--design", "intercross"))
  expect_same_rows(thresholds(mouse, design = "all", omit_chromosomes = c("1", "2")),
                   c("--map", mouse, "--design", "all", "--omit-chromosomes", "1,2"))
  expect_same_rows(thresholds(mouse, design = "backcross", lod = 3, simulate = 300),
                   c("--map", mouse, "--design", "backcross", "--lod", "3", "--simulate", "300"))
})

test_that("a map data frame gives the rows of its file", {
  skip_without_program()
  skip_without_examples()
  mouse <- example_map("mouse_gmap.csv")
  gmap <- read.csv(mouse, comment.char = "#", colClasses = "character")
  gmap$pos <- as.numeric(gmap$pos)
  frame <- thresholds(gmap, design = "intercross", alpha = c(0.05, 0.01))
  expect_identical(unique(frame$map), "gmap")
  expect_same_rows(frame, c("--map", mouse, "--design", "intercross", "--alpha", "0.05,0.01"),
                   drop = "map")
})

test_that("columns keep their kinds where every field is empty", {
  frame <- thresholds(spacing = 1)
  texts <- c("map", "design", "tail", "status")
  for (name in names(frame)) {
    expect_identical(is.character(frame[[name]]), name %in% texts, info = name)
  }
  expect_true(is.na(frame$map))
  expect_identical(frame$status, "ok")
})

test_that("an R/qtl cross gives its design and the rows of its map", {
  skip_if_not_installed("qtl")
  skip_without_program()
  env <- new.env()
  data("hyper", package = "qtl", envir = env)
  data("listeria", package = "qtl", envir = env)
  for (case in list(list(cross = env$hyper, design = "backcross"),
                    list(cross = env$listeria, design = "intercross"))) {
    cross <- case$cross
    path <- write_cross_map(cross)
    expect_warning(frame <- thresholds(cross, alpha = c(0.05, 0.01)),
                   "chromosome X is left out")
    expect_identical(unique(frame$design), case$design)
    expect_identical(unique(frame$map), "cross")
    expect_same_rows(frame, c("--map", path, "--design", case$design, "--alpha", "0.05,0.01"),
                     drop = "map")
    # Its map object, and the map as qtl2 keeps it, give the same rows.
    map <- qtl::pull.map(cross)
    expect_warning(from_map <- thresholds(map, design = case$design, alpha = c(0.05, 0.01)),
                   "chromosome X is left out")
    expect_identical(from_map[names(from_map) != "map"], frame[names(frame) != "map"])
    cross2 <- structure(list(crosstype = class(cross)[1],
                             gmap = lapply(map, function(p) unclass(p)),
                             is_x_chr = vapply(map, function(p) inherits(p, "X"), NA)),
                        class = c("cross2", "list"))
    expect_warning(from_cross2 <- thresholds(cross2, alpha = c(0.05, 0.01)),
                   "chromosome X is left out")
    expect_identical(from_cross2[names(from_cross2) != "map"], frame[names(frame) != "map"])
    unlink(path)
  }
})

test_that("designs() is the table of designs", {
  frame <- designs()
  expect_identical(names(frame), c("name", "tail", "rate", "meaning"))
  expect_identical(nrow(frame), 14L)
  expect_identical(frame[frame$name == "intercross", c("tail", "rate")],
                   data.frame(tail = "2df", rate = 1.5, row.names = 10L))
})

test_that("thresholds_arguments() lists the command line's options of a request", {
  names <- thresholds_arguments()$name
  expect_true(all(c("length", "alpha", "exact", "design", "omit_chromosomes", "simulate",
                    "threads") %in% names))
  expect_false(any(c("format", "batch", "help", "version") %in% names))
})
