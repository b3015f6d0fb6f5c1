# 10,000 rows in one call of lodthresh::thresholds() against the command
# line's time for the same rows (--format tsv to /dev/null), median of 5 runs:
#     Rscript r/bench/bench_rows.R PATH-TO-LODTHRESH
# Prints each kind of rows' times and their ratio (the package's over the
# command line's).
library(lodthresh)
program <- commandArgs(trailingOnly = TRUE)[1]
rows <- 10000
# Short decimals, as the command line's argument (at most 128 KiB) holds them.
cases <- list(
  "standard, 10^4 levels" = list(alpha = seq_len(rows) / 1e5),
  "backcross, 10^4 spacings" = list(design = "backcross", spacing = seq_len(rows) / 500)
)
median_time <- function(run, repeats = 5) {
  median(vapply(seq_len(repeats), function(i) system.time(run())[["elapsed"]], 0))
}
for (label in names(cases)) {
  arguments <- cases[[label]]
  frame <- do.call(thresholds, arguments)
  stopifnot(nrow(frame) == rows)
  options <- unlist(lapply(names(arguments), function(name) {
    value <- arguments[[name]]
    text <- if (is.numeric(value)) lodthresh:::shortest_texts(value) else value
    c(paste0("--", gsub("_", "-", name)), paste(text, collapse = ","))
  }))
  program_time <- median_time(function() {
    system2(program, c(shQuote(options), "--format", "tsv"), stdout = FALSE)
  })
  package_time <- median_time(function() do.call(thresholds, arguments))
  cat(sprintf("%s: command line %.3f s, package %.3f s, ratio %.2f\n", label, program_time,
              package_time, package_time / program_time))
}
