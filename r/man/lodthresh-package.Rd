\name{lodthresh-package}
\alias{lodthresh-package}
\alias{lodthresh}
\docType{package}
\title{Critical LOD scores for genome-wide linkage scans}
\description{
The lodthresh command line's thresholds in R, from the same C++ code:
\code{\link{thresholds}} for its rows, \code{\link{designs}} for its study
designs, \code{\link{thresholds_arguments}} for its options.
}
\references{
Lander, E. and Kruglyak, L. (1995) Genetic dissection of complex traits:
guidelines for interpreting and reporting linkage results. \emph{Nature
Genetics} 11, 241--247.
}
