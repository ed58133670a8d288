# Invalid arguments and data fail with the program's messages, arguments before any data are
# read.

frame <- data.frame(g = rep(c("a", "b"), 20), q1 = rep(0:1, each = 20), q2 = rep(c(1L, 0L), 20))

test_that("an invalid cell names its row and column and the argument to raise", {
  bad <- frame
  bad$q2[17] <- 2L
  expect_error(dif(bad, "g", "b"),
               "row 17, column q2: \"2\" is not a score (0 to 1, see max_score) or a missing code",
               fixed = TRUE, class = "itemdif_input_error")
  bad$q2[17] <- 0.5
  expect_error(dif(bad, "g", "b", max_score = 3), "row 17, column q2: \"0.5\" is not a score (0 to 3,",
               fixed = TRUE)
})

test_that("columns and groups that do not fit the data", {
  expect_error(dif(frame, "group", "b"), "there is no column named \"group\" for the group",
               fixed = TRUE, class = "itemdif_input_error")
  expect_error(dif(frame, "g", "c"), "no row has the focal value \"c\" in the group column g",
               fixed = TRUE)
  expect_error(dif(frame, "g", c("b", "b")), "the focal value \"b\" is given twice", fixed = TRUE)
  expect_error(dif(frame, "g", "b", reference = "b"),
               "the focal and the reference value are the same value, \"b\", of the group column g",
               fixed = TRUE)
  three <- rbind(frame, data.frame(g = "c", q1 = 1L, q2 = 0L))
  expect_error(dif(three, "g", "b"), "the group column g holds 2 values besides the focal value \"b\"",
               fixed = TRUE)
  expect_error(dif(frame, "g", "b", items = "q1:q9"),
               "there is no column named \"q9\" to end the item range q1:q9", fixed = TRUE)
  expect_error(dif(frame[0, ], "g", "b"), "the table has no rows", fixed = TRUE)
  factors <- frame
  factors$q1 <- factor(factors$q1)
  expect_error(dif(factors, "g", "b"), "column q1 is a factor; item scores are numbers", fixed = TRUE)
  listed <- frame
  listed$q1 <- as.list(listed$q1)
  expect_error(dif(listed, "g", "b"), "column q1 is of type list", fixed = TRUE)
})

test_that("arguments are checked before the data, with the command line's messages", {
  bad <- frame
  bad$q2[3] <- 7L  # an invalid cell that an argument error must come before
  expect_error(dif(bad, "g", "b", max_score = 0),
               "max_score: 0 is not a whole number from 1 to 250", fixed = TRUE,
               class = "itemdif_argument_error")
  expect_error(dif(bad, "g", "b", levels = "0-9,x"), "levels: \"x\" is not a level such as 0-9",
               fixed = TRUE)
  expect_error(dif(bad, "g", "b", levels = 0), "levels: the number of levels must be at least 1",
               fixed = TRUE)
  expect_error(dif(bad, "g", "b", methods = c("mh", "mh")), "methods: \"mh\" is given twice",
               fixed = TRUE)
  expect_error(dif(bad, "g", "b", alpha = 1), "alpha: must lie strictly between 0 and 1", fixed = TRUE)
  expect_error(dif(bad, "g", "b", missing = "pairwise"),
               "missing: \"pairwise\" is not one of excluded, incorrect, listwise", fixed = TRUE,
               class = "itemdif_argument_error")
  expect_error(dif(bad, "g", "b", methods = c("mh", "xyz")), "methods: \"xyz\" is not one of mh,",
               fixed = TRUE)
  expect_error(dif(bad, "g", "b", purify = c("none", "iterative")), "purify: must be one of",
               fixed = TRUE)
  expect_error(dif(bad, "g", "b", threads = -1), "threads: must be at least 0", fixed = TRUE)
  expect_error(dif(bad, "g", "b", min_per_group = 0), "min_per_group: must be at least 1", fixed = TRUE)
  expect_error(dif(bad, "g", "b", max_rounds = 2.5), "max_rounds: 2.5 is not a whole number", fixed = TRUE)
  expect_error(dif(bad, "g", NA), "focal: must be one or more values", fixed = TRUE)
  expect_error(dif(as.matrix(bad), "g", "b"), "data: must be a data frame", fixed = TRUE)
})

test_that("write_results reports a folder it cannot write and an analysis no longer held", {
  x <- dif(frame, "g", "b")
  blocker <- tempfile()
  writeLines("a file", blocker)
  expect_error(write_results(x, file.path(blocker, "out")), "cannot write",
               class = "itemdif_output_error")
  saved <- tempfile(fileext = ".rds")
  saveRDS(x, saved)
  expect_error(write_results(readRDS(saved), tempfile()), "the analysis is no longer in memory",
               fixed = TRUE)
})

test_that("an R error raised while the data are read unwinds through the compiled code", {
  bytes <- "\xe9t\xe9"
  Encoding(bytes) <- "bytes"  # text R refuses to translate
  bad <- frame
  bad$g[5] <- bytes
  expect_error(dif(bad, "g", "b"), "bytes")
  bad$q2 <- as.character(bad$q2)
  bad$g[5] <- "a"
  bad$q2[9] <- bytes
  expect_error(dif(bad, "g", "b"), "bytes")
  # and the next run is whole
  expect_identical(nrow(dif(frame, "g", "b")$items), 2L)
})
