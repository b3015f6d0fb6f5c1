\name{thresholds}
\alias{thresholds}
\title{Thresholds of a genome-wide linkage scan}
\description{
The rows of the lodthresh command line for its options: Lander and Kruglyak's
dense-map thresholds (the standard and exact methods), thresholds by study
design, marker spacing or genetic map with Siegmund's discrete-marker
correction, peaks' genome-wide p-values, and their simulation.
}
\usage{
thresholds(map = NULL, ...)
}
\arguments{
\item{map}{\code{NULL}; the path of a map file (qtl2's gmap.csv, R/qtl's csv or
  csvr, PLINK's .map, or three columns marker chr pos), read as
  \code{lodthresh --map} reads it; a data frame of the columns \code{marker},
  \code{chr} and \code{pos} (cM); an R/qtl \code{cross} or \code{map}; a qtl2
  \code{cross2} or its \code{gmap}. A cross gives its cross type's design
  (bc backcross, f2 intercross, dh doubled-haploid, riself ril-selfing,
  risib ril-sibmating) unless \code{design}, \code{rate} or \code{tail} is
  given; another cross type needs \code{design}. The X chromosome (R/qtl's
  class \code{"X"}, qtl2's \code{is_x_chr}) is left out with a warning, as the
  command line leaves out a map's X. In messages, a data frame's row \emph{i}
  is line \emph{i} + 1 of the map named by its argument.}
\item{...}{the command line's long options by name, \code{-} written
  \code{_}: \code{length}, \code{chromosomes}, \code{rate}, \code{alpha},
  \code{precision}, \code{exact}, \code{design}, \code{tail}, \code{spacing},
  \code{omit_chromosomes}, \code{lod}, \code{individuals}, \code{scan},
  \code{step}, \code{simulate}, \code{seed}, \code{threads}
  (\code{\link{thresholds_arguments}()} lists them with their help). A vector
  stands for a comma-separated list; a number is passed as its shortest
  round-trip decimal (a whole number as its digits), a name as a string;
  \code{exact = TRUE} is the flag. \code{NULL} is an option not given.}
}
\value{
A data.frame of the fields of the command line's tsv (\code{--format tsv}) in
its order: numbers as doubles, every bit the same as the command line's,
\code{NA} where a field is empty; \code{status}, \code{design}, \code{tail},
\code{mapping}, \code{map} and \code{scan} as character. The \code{map} column
holds the path, or the name of the map's argument.
}
\details{
A refused option, combination or value, or a map that cannot be read or has
bad lines, is an error of class \code{c("lodthresh_error", "error",
"condition")} with the command line's message. Its warnings (a spacing longer
than a chromosome, a map's X chromosome left out) are R warnings. A
simulation runs on every CPU unless \code{threads} says otherwise; an
interrupt (Ctrl-C, Esc) stops it within a second, without a result, and an
interactive session shows its progress after a second.
}
\examples{
thresholds(length = 16, chromosomes = 20, alpha = c(0.05, 0.01))
thresholds(design = c("backcross", "intercross"), spacing = c(0, 1, 5))
gmap <- data.frame(marker = c("m1", "m2", "m3", "m4"), chr = c("1", "1", "2", "2"),
                   pos = c(0, 50, 0, 80))
thresholds(gmap, design = "backcross", alpha = c(0.05, 0.01))
thresholds(gmap, design = "backcross", lod = 3, simulate = 1000, seed = 1, threads = 1)
r <- tryCatch(thresholds(length = -3), lodthresh_error = conditionMessage)
r
}
