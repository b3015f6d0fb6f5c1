\name{thresholds_arguments}
\alias{thresholds_arguments}
\title{The arguments of thresholds}
\description{
The options of the command line that \code{\link{thresholds}} takes as
arguments, with their help.
}
\usage{
thresholds_arguments()
}
\value{
A data.frame of \code{name} (the argument's), \code{value} (the value's name
in the command line's help; \code{NA} for a flag) and \code{help}.
}
\examples{
thresholds_arguments()
}
