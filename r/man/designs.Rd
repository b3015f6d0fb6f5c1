\name{designs}
\alias{designs}
\title{Study designs}
\description{
Every design that \code{\link{thresholds}(design = )} takes: the seven mapping
methods of Lander and Kruglyak's table 1, then the experimental crosses.
}
\usage{
designs()
}
\value{
A data.frame of \code{name}, \code{tail} (the test: one-sided, two-sided or
2df), \code{rate} (the cross-over rate) and \code{meaning}.
}
\examples{
designs()
}
