# The command line to compare with: the program in LODTHRESH_PROGRAM (the
# comparisons are skipped without it), the example maps in LODTHRESH_EXAMPLES.
program <- Sys.getenv("LODTHRESH_PROGRAM")
examples <- Sys.getenv("LODTHRESH_EXAMPLES")

skip_without_program <- function() {
  skip_if(program == "" || !file.exists(program), "LODTHRESH_PROGRAM not set")
}

skip_without_examples <- function() {
  skip_if(examples == "" || !dir.exists(examples), "LODTHRESH_EXAMPLES not set")
}

example_map <- function(name) file.path(examples, name)

run_program <- function(options) {
  out <- tempfile()
  err <- tempfile()
  on.exit(unlink(c(out, err)))
  status <- system2(program, shQuote(options), stdout = out, stderr = err)
  list(status = status, out = readLines(out), err = readLines(err))
}

# The command line's tsv as fields of text: a header, then the rows.
program_fields <- function(options) {
  result <- run_program(c(options, "--format", "tsv"))
  expect_true(result$status %in% c(0L, 1L), info = paste(result$err, collapse = "\n"))
  fields <- strsplit(result$out, "\t", fixed = TRUE)
  width <- length(fields[[1]])
  # strsplit drops a trailing empty field.
  lapply(fields, function(f) c(f, rep("", width - length(f))))
}

# The data frame as the command line's tsv writes it: each double as its
# shortest round-trip text, so that equal texts are equal bits; NA as empty.
frame_fields <- function(frame) {
  columns <- lapply(frame, function(column) {
    if (is.numeric(column)) {
      lodthresh:::shortest_texts(as.numeric(column))
    } else {
      ifelse(is.na(column), "", column)
    }
  })
  rows <- lapply(seq_len(nrow(frame)), function(i) {
    unname(vapply(columns, function(column) column[[i]], ""))
  })
  c(list(names(frame)), rows)
}

expect_same_rows <- function(frame, options, drop = character(0)) {
  expected <- program_fields(options)
  keep <- !(expected[[1]] %in% drop)
  expected <- lapply(expected, function(row) row[keep])
  frame <- frame[setdiff(names(frame), drop)]
  expect_identical(frame_fields(frame), expected)
}

# The command line's message after "lodthresh: ", without the pointer to --help.
program_message <- function(options) {
  lines <- run_program(options)$err
  lines <- lines[!startsWith(lines, "Try 'lodthresh --help'")]
  paste(sub("^lodthresh: ", "", lines), collapse = "\n")
}

# An R/qtl cross's map as a gmap.csv file, its X chromosome named X.
write_cross_map <- function(cross) {
  path <- tempfile(fileext = ".csv")
  rows <- do.call(rbind, lapply(names(cross$geno), function(chr) {
    positions <- cross$geno[[chr]]$map
    data.frame(marker = names(positions),
               chr = if (inherits(cross$geno[[chr]], "X")) "X" else chr,
               pos = lodthresh:::shortest_texts(as.numeric(positions)))
  }))
  write.csv(rows, path, row.names = FALSE, quote = TRUE)
  path
}
