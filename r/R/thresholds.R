# thresholds(): the command line's rows for its options as arguments. The
# options, their checks and the rows are the C++ library's (request_rows in
# src/binding.cpp); here R's objects become its arguments, and its answer a
# data.frame, warnings or a condition.

# The design of each cross type of R/qtl and qtl2.
cross_designs <- c(bc = "backcross", f2 = "intercross", dh = "doubled-haploid",
                   riself = "ril-selfing", risib = "ril-sibmating")

lodthresh_error <- function(message, call = NULL) {
  structure(class = c("lodthresh_error", "error", "condition"),
            list(message = message, call = call))
}

# A map as list(name, marker, chr, pos) from the chromosomes of an R/qtl map
# (a list of named position vectors, class "X" on the X chromosome; a
# sex-specific map's rows are its female and male positions: the first is
# taken, as pull.map does).
map_of_chromosomes <- function(chromosomes, name, is_x = NULL) {
  if (length(chromosomes) == 0) {
    stop(lodthresh_error(paste0("map: ", name, " has no chromosome")))
  }
  chr_names <- names(chromosomes)
  if (is.null(chr_names)) chr_names <- as.character(seq_along(chromosomes))
  markers <- character(0)
  chrs <- character(0)
  positions <- numeric(0)
  for (i in seq_along(chromosomes)) {
    positions_i <- chromosomes[[i]]
    if (is.matrix(positions_i)) positions_i <- positions_i[1, ]
    x <- if (is.null(is_x)) inherits(chromosomes[[i]], "X") else isTRUE(is_x[[i]])
    marker_names <- names(positions_i)
    if (is.null(marker_names)) {
      marker_names <- paste0(chr_names[i], "_", seq_along(positions_i))
    }
    markers <- c(markers, marker_names)
    # The map reader's rule leaves the X chromosome out by its name.
    chrs <- c(chrs, rep(if (x) "X" else chr_names[i], length(positions_i)))
    positions <- c(positions, as.numeric(positions_i))
  }
  list(name = name, marker = markers, chr = chrs, pos = positions)
}

# The map argument as request_rows takes it, and a cross's type.
map_argument <- function(map, name) {
  if (is.null(map)) {
    return(list(map = NULL, crosstype = NULL))
  }
  if (is.character(map)) {
    if (length(map) != 1 || is.na(map)) {
      stop(lodthresh_error("map: one path of a map file"))
    }
    return(list(map = map, crosstype = NULL))
  }
  if (inherits(map, "cross2")) {
    is_x <- map$is_x_chr
    chromosomes <- map$gmap
    is_x <- if (is.null(is_x)) NULL else as.list(is_x[names(chromosomes)])
    return(list(map = map_of_chromosomes(chromosomes, name, is_x),
                crosstype = as.character(map$crosstype)))
  }
  if (inherits(map, "cross")) {
    chromosomes <- lapply(map$geno, function(g) {
      structure(g$map, class = if (inherits(g, "X")) "X" else NULL)
    })
    return(list(map = map_of_chromosomes(chromosomes, name),
                crosstype = class(map)[1]))
  }
  if (is.data.frame(map)) {
    missing <- setdiff(c("marker", "chr", "pos"), names(map))
    if (length(missing) > 0) {
      stop(lodthresh_error(paste0(
        "map: a data frame of the columns marker, chr and pos (cM); it has ",
        if (ncol(map) == 0) "none" else paste(names(map), collapse = ", "))))
    }
    if (!is.numeric(map$pos)) {
      stop(lodthresh_error("map: the column pos holds no numbers (cM)"))
    }
    return(list(map = list(name = name, marker = as.character(map$marker),
                           chr = as.character(map$chr), pos = as.numeric(map$pos)),
                crosstype = NULL))
  }
  if (is.list(map) && length(map) > 0 && all(vapply(map, is.numeric, logical(1)))) {
    return(list(map = map_of_chromosomes(map, name), crosstype = NULL))
  }
  stop(lodthresh_error(paste0(
    "map: a path, a data frame of marker, chr and pos, an R/qtl cross or map, or a qtl2 ",
    "cross2 or gmap; not an object of class ", paste(class(map), collapse = "/"))))
}

cross_design <- function(crosstype) {
  design <- if (length(crosstype) == 1) unname(cross_designs[crosstype]) else NA
  if (is.na(design)) {
    stop(lodthresh_error(paste0(
      "map: a cross of type '", paste(crosstype, collapse = "/"),
      "' has no design of its own: give design (see designs())")))
  }
  design
}

thresholds <- function(map = NULL, ...) {
  arguments <- list(...)
  if (length(arguments) > 0 &&
      (is.null(names(arguments)) || any(names(arguments) == ""))) {
    stop(lodthresh_error("every argument after map is named, as an option: length = 16"))
  }
  arguments <- Filter(Negate(is.null), arguments)
  arguments <- lapply(arguments, function(value) {
    if (is.factor(value)) as.character(value) else value
  })
  name <- if (is.symbol(substitute(map))) deparse(substitute(map)) else "map"
  given <- map_argument(map, name)
  # A cross's type is its design unless the arguments give one.
  if (!is.null(given$crosstype) && !any(c("design", "rate", "tail") %in% names(arguments))) {
    arguments$design <- cross_design(given$crosstype)
  }
  answer <- request_rows(arguments, given$map, interactive())
  if (answer$outcome == "interrupted") {
    # As R's own interrupt: the condition for handlers, then back to the top level.
    signalCondition(structure(class = c("interrupt", "condition"),
                              list(message = "interrupted", call = NULL)))
    invokeRestart("abort")
  }
  if (answer$outcome == "error") {
    stop(lodthresh_error(paste(answer$errors, collapse = "\n")))
  }
  # The command line's "lodthresh: warning: ..." is R's own "Warning message".
  for (message in answer$messages) {
    warning(sub("^warning: ", "", message), call. = FALSE)
  }
  as.data.frame(answer$columns, stringsAsFactors = FALSE, optional = TRUE)
}

designs <- function() {
  as.data.frame(design_table(), stringsAsFactors = FALSE)
}

thresholds_arguments <- function() {
  as.data.frame(argument_table(), stringsAsFactors = FALSE)
}
