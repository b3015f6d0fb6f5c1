library(testthat)
library(lodthresh)

test_check("lodthresh")
