library(testthat)
library(itemdif)

test_check("itemdif")
