# Every refusal is a lodthresh_error with the command line's message.

expect_lodthresh_error <- function(expr, message) {
  condition <- tryCatch(expr, lodthresh_error = function(e) e)
  expect_s3_class(condition, c("lodthresh_error", "error", "condition"), exact = TRUE)
  expect_identical(conditionMessage(condition), message)
}

test_that("a bad value or combination is the command line's message", {
  skip_without_program()
  skip_without_examples()
  mouse <- example_map("mouse_gmap.csv")
  cases <- list(
    list(args = list(length = -3), options = c("--length", "-3")),
    list(args = list(alpha = 2), options = c("--alpha", "2")),
    list(args = list(alpha = "often"), options = c("--alpha", "often")),
    list(args = list(chromosomes = 2.5), options = c("--chromosomes", "2.5")),
    list(args = list(length = NA), options = c("--length", "NA")),
    list(args = list(exact = TRUE, precision = 1e-6), options = c("--exact", "--precision", "1e-06")),
    list(args = list(design = "f2"), options = c("--design", "f2")),
    list(args = list(design = "sibs", rate = 2), options = c("--design", "sibs", "--rate", "2")),
    list(args = list(spacing = 1, simulate = 99), options = c("--spacing", "1", "--simulate", "99")),
    list(args = list(seed = 1), options = c("--seed", "1")),
    list(args = list(lod = 3), options = c("--lod", "3")),
    list(args = list(map = mouse, length = 16), options = c("--map", mouse, "--length", "16")),
    list(args = list(map = mouse, omit_chromosomes = "77"),
         options = c("--map", mouse, "--omit-chromosomes", "77")),
    list(args = list(map = "/nonexistent/map.csv"), options = c("--map", "/nonexistent/map.csv")),
    list(args = list(map = "/"), options = c("--map", "/"))
  )
  for (case in cases) {
    expect_lodthresh_error(do.call(thresholds, case$args), program_message(case$options))
  }
})

test_that("a map's bad lines are named as the command line names them", {
  skip_without_program()
  path <- tempfile(fileext = ".csv")
  writeLines(c("marker,chr,pos", "m1,1,0", "m2,1,x", "m3,1,inf"), path)
  expect_lodthresh_error(thresholds(path, design = "backcross"),
                         program_message(c("--map", path, "--design", "backcross")))
  unlink(path)
})

test_that("a data frame's bad row is its line", {
  gmap <- data.frame(marker = c("a", "b", "c"), chr = "1", pos = c(0, NA, 5))
  condition <- tryCatch(thresholds(gmap, design = "backcross"), lodthresh_error = identity)
  expect_match(conditionMessage(condition), "^gmap:3: ")
})

test_that("an argument that is no option is refused", {
  expect_lodthresh_error(thresholds(lenght = 16), "unrecognized argument 'lenght'")
  expect_lodthresh_error(thresholds(format = "tsv"), "unrecognized argument 'format'")
  expect_lodthresh_error(thresholds(batch = "-"), "unrecognized argument 'batch'")
  expect_lodthresh_error(thresholds(exact = 1),
                         "--exact: a flag, given one logical value (true or false)")
  expect_lodthresh_error(thresholds(length = numeric(0)), "--length: needs a value")
  expect_lodthresh_error(thresholds(length = list(1)),
                         "length: a vector of numbers, texts or logicals, not of type list")
  expect_lodthresh_error(thresholds(NULL, 16),
                         "every argument after map is named, as an option: length = 16")
  expect_lodthresh_error(thresholds(spacing = 1, simulate = 100, seed = TRUE),
                         "--seed: 'TRUE' is not a whole number")
})

test_that("a map of no kind, and a cross of no design, are refused", {
  expect_lodthresh_error(thresholds(42), paste0(
    "map: a path, a data frame of marker, chr and pos, an R/qtl cross or map, or a qtl2 ",
    "cross2 or gmap; not an object of class numeric"))
  expect_lodthresh_error(thresholds(data.frame(marker = "a", pos = 1)),
                         "map: a data frame of the columns marker, chr and pos (cM); it has marker, pos")
  fourway <- structure(list(geno = list(`1` = structure(list(map = c(a = 0, b = 50)),
                                                          class = "A"))),
                       class = c("4way", "cross"))
  expect_lodthresh_error(thresholds(fourway), paste0(
    "map: a cross of type '4way' has no design of its own: give design (see designs())"))
  expect_warning(expect_s3_class(thresholds(fourway, design = "backcross"), "data.frame"), NA)
})

test_that("the command line's warnings are R warnings", {
  skip_without_program()
  expect_warning(
    thresholds(design = "backcross", spacing = 100, length = 16, chromosomes = 20),
    sub("^warning: ", "", program_message(c("--design", "backcross", "--spacing", "100",
                                            "--length", "16", "--chromosomes", "20"))),
    fixed = TRUE)
})
