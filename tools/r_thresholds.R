# The same thresholds solved one row at a time in R, as a user without
# lodthresh would: uniroot on the genome-wide approximation with qnorm, then
# qchisq for the LOD score. A baseline for timing lodthresh, not a reference
# (tools/exact_thresholds.py is the reference).
#
#   Rscript tools/r_thresholds.R ROWS
#
# ROWS holds one calculation per line, "G C rho alpha" (further fields are
# ignored). Prints one line per row: G C rho alpha, nominal alpha, and the
# dense, 10, 5, 2 and 1 cM LOD scores; the time of the loop goes to stderr.
args <- commandArgs(trailingOnly = TRUE)
rows <- as.matrix(read.table(args[1], comment.char = "#", fill = TRUE))

solve_row <- function(G, C, rho, alpha) {
  implied <- function(a) (C + 2 * rho * G * qnorm(a, lower.tail = FALSE)^2) * a - alpha
  # Brent's method to the resolution of doubles, from the standard method's
  # lower end up to the largest level whose quantile is a tail quantile.
  an <- uniroot(implied, c(1e-10, min(alpha, 0.5)), tol = .Machine$double.eps)$root
  lod <- qchisq(1 - 2 * an, 1) / (2 * log(10))
  c(an, lod, lod * c(0.8, 0.85, 0.9, 0.93))
}

elapsed <- system.time({
  for (i in seq_len(nrow(rows))) {
    r <- rows[i, ]
    cat(r[1:4], solve_row(r[1], r[2], r[3], r[4]), "\n")
  }
})[["elapsed"]]
cat(sprintf("R: %d rows in %.3f s of loop\n", nrow(rows), elapsed), file = stderr())
