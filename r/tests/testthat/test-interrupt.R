# An interrupt stops a simulation within a second, without a result; a
# session that is not interactive shows no progress.

rscript <- file.path(R.home("bin"), "Rscript")

# Runs `code` in a child R process with the package, its pid in `pid_file`.
start_child <- function(code, pid_file, out_file) {
  script <- tempfile(fileext = ".R")
  writeLines(c(
    sprintf(".libPaths(c(%s, .libPaths()))", deparse(.libPaths()[1])),
    "library(lodthresh)",
    sprintf("writeLines(as.character(Sys.getpid()), %s)", deparse(pid_file)),
    code), script)
  system2(rscript, script, stdout = out_file, stderr = out_file, wait = FALSE)
  script
}

wait_for <- function(condition, seconds) {
  deadline <- Sys.time() + seconds
  while (!condition() && Sys.time() < deadline) Sys.sleep(0.05)
  condition()
}

test_that("an interrupt stops a simulation within a second", {
  skip_on_os("windows")
  pid_file <- tempfile()
  out_file <- tempfile()
  result_file <- tempfile()
  start_child(c(
    "r <- tryCatch(thresholds(design = 'backcross', spacing = 0.1, simulate = 1e6),",
    "              interrupt = function(e) 'interrupted')",
    sprintf("writeLines(c(if (is.character(r)) r else 'rows', format(as.numeric(Sys.time()), digits = 15)), %s)",
            deparse(result_file))), pid_file, out_file)
  expect_true(wait_for(function() file.exists(pid_file) && length(readLines(pid_file)) == 1, 30))
  Sys.sleep(1.5)  # into the simulation
  sent <- as.numeric(Sys.time())
  tools::pskill(as.integer(readLines(pid_file)), tools::SIGINT)
  expect_true(wait_for(function() file.exists(result_file) && length(readLines(result_file)) == 2,
                       10))
  result <- readLines(result_file)
  expect_identical(result[1], "interrupted")
  expect_lt(as.numeric(result[2]) - sent, 1)
})

test_that("a session that is not interactive shows no progress", {
  pid_file <- tempfile()
  out_file <- tempfile()
  done_file <- tempfile()
  start_child(c(
    "r <- thresholds(design = 'backcross', spacing = 1, simulate = 3e4, threads = 1)",
    sprintf("writeLines('done', %s)", deparse(done_file))), pid_file, out_file)
  expect_true(wait_for(function() file.exists(done_file), 60))
  Sys.sleep(0.2)
  expect_identical(readLines(out_file), character(0))
})

test_that("an interactive session shows the progress of a simulation over a second", {
  skip_on_os("windows")
  script <- tempfile(fileext = ".R")
  err_file <- tempfile()
  writeLines(c(
    sprintf(".libPaths(c(%s, .libPaths()))", deparse(.libPaths()[1])),
    "library(lodthresh)",
    "r <- thresholds(design = 'backcross', spacing = 0.25, simulate = 1e5, threads = 1)"),
    script)
  system2(file.path(R.home("bin"), "R"), c("-q", "--no-save", "--interactive"), stdin = script,
          stdout = FALSE, stderr = err_file)
  text <- readChar(err_file, file.size(err_file), useBytes = TRUE)
  expect_match(text, "\rsimulating backcross at 0.25 cM [", fixed = TRUE)
  expect_match(text, "\r *\r$")  # wiped at the end
})
