# The column types a data frame may hold, read as the program reads the same values in a file.

# A small 0/1 data set with DIF on i3, groups "a" (reference) and "b".
small <- function() {
  set.seed(7)
  n <- 400
  g <- rep(c("a", "b"), each = n / 2)
  theta <- rnorm(n)
  score <- function(shift) as.integer(runif(n) < plogis(theta + shift))
  data.frame(g = g, i1 = score(0), i2 = score(0.3), i3 = score(ifelse(g == "b", -1.2, 0)),
             i4 = score(-0.4), i5 = score(0.8), stringsAsFactors = FALSE)
}

items_of <- function(x) x$items[setdiff(names(x$items), "focal")]

test_that("items as integers, doubles, logicals and labelled values give the same results", {
  frame <- small()
  expected <- dif(frame, "g", "b")
  doubles <- frame
  doubles[-1] <- lapply(frame[-1], as.double)
  expect_identical(dif(doubles, "g", "b")$items, expected$items)
  logicals <- frame
  logicals[-1] <- lapply(frame[-1], as.logical)
  expect_identical(dif(logicals, "g", "b")$items, expected$items)
  texts <- frame
  texts[-1] <- lapply(frame[-1], as.character)
  expect_identical(dif(texts, "g", "b")$items, expected$items)
  skip_if_not_installed("haven")
  labelled <- frame
  labelled[-1] <- lapply(frame[-1], haven::labelled, labels = c(wrong = 0, right = 1))
  expect_identical(dif(labelled, "g", "b")$items, expected$items)
})

test_that("NA, missing codes and SPSS missing values are missing responses", {
  frame <- small()
  frame$i2[1:30] <- NA
  coded <- frame
  coded$i2[1:30] <- 9L
  expected <- dif(frame, "g", "b")
  expect_identical(expected$items$n_reference[2], 170L)
  expect_identical(dif(coded, "g", "b", missing_codes = 9)$items, expected$items)
  expect_identical(dif(coded, "g", "b", missing_codes = "9")$items, expected$items)
  skip_if_not_installed("haven")
  spss <- frame
  spss$i2 <- haven::labelled_spss(coded$i2, labels = c(absent = 9), na_values = 9)
  expect_identical(dif(spss, "g", "b")$items, expected$items)
  ranged <- frame
  ranged$i2 <- haven::labelled_spss(coded$i2, na_range = c(8, 99))
  expect_identical(dif(ranged, "g", "b")$items, expected$items)
})

test_that("the group column may be text, a factor, numbers, or labelled numbers", {
  frame <- small()
  expected <- items_of(dif(frame, "g", "b", reference = "a"))
  factor_frame <- frame
  factor_frame$g <- factor(frame$g, levels = c("b", "a", "unused"))
  expect_identical(items_of(dif(factor_frame, "g", "b")), expected)
  numbers <- frame
  numbers$g <- ifelse(frame$g == "a", 1, 2)
  by_number <- dif(numbers, "g", 2)
  expect_identical(items_of(by_number), expected)
  expect_identical(by_number$groups$value, c("1", "2"))
  expect_identical(items_of(dif(numbers, "g", "2", reference = 1L)), expected)
  skip_if_not_installed("haven")
  labelled <- numbers
  labelled$g <- haven::labelled(numbers$g, labels = c(home = 1, abroad = 2))
  by_label <- dif(labelled, "g", "abroad")
  expect_identical(items_of(by_label), expected)
  expect_identical(by_label$groups$value, c("home", "abroad"))
  expect_identical(items_of(dif(labelled, "g", 2, reference = "home")), expected)
})

test_that("a group column of another class is read as its texts", {
  frame <- small()
  frame$g <- as.Date(ifelse(frame$g == "a", "2026-01-05", "2026-02-09"))
  x <- dif(frame, "g", "2026-02-09")
  expect_identical(x$groups$value, c("2026-01-05", "2026-02-09"))
  expect_identical(items_of(x), items_of(dif(small(), "g", "b")))
})

test_that("rows of no group are left out and counted, their cells still checked", {
  frame <- small()
  frame$g[1:5] <- NA
  frame$g[6:8] <- "other"
  x <- dif(frame, "g", "b", reference = "a")
  expect_identical(x$rows_read, 400)
  expect_identical(x$rows_left_out, 8)
  expect_identical(x$groups$n, c(192L, 200L))
  frame$i4[3] <- 2L
  expect_error(dif(frame, "g", "b", reference = "a"),
               "row 3, column i4: \"2\" is not a score (0 to 1, see max_score) or a missing code",
               fixed = TRUE, class = "itemdif_input_error")
})

test_that("a tibble and a selection of items by name, range or position", {
  frame <- small()
  expected <- dif(frame[c("g", "i1", "i3", "i4")], "g", "b")
  expect_identical(dif(frame, "g", "b", items = c("i1", "i3:i4"))$items, expected$items)
  expect_identical(dif(frame, "g", "b", items = c(2, 4, 5))$items, expected$items)
  skip_if_not_installed("tibble")
  expect_identical(dif(tibble::as_tibble(frame), "g", "b", items = "i1,i3:i4")$items, expected$items)
})

test_that("polytomous items and several focal groups keep their columns' types", {
  x <- dif(read_example("regions/regions.csv"), "region", c("East", "South", "West"),
           reference = "North", id = "id", max_score = 3)
  expect_identical(unique(x$items$focal), c("East", "South", "West"))
  expect_type(x$items$ets_class, "character")
  expect_type(x$items$flagged, "logical")
  expect_type(x$items$bd_df, "integer")
  polytomous <- x$items$score_max > 1
  expect_true(any(polytomous))
  expect_true(all(is.na(x$items$bd_chi_square[polytomous])))
  expect_true(all(x$items$ets_class[polytomous] %in% c("AA", "BB-", "BB+", "CC-", "CC+")))
  expect_identical(nrow(x$overall), 30L)
  expect_type(x$overall$gmh_df, "integer")
  expect_identical(unique(x$overall$gmh_df), 3L)
  expect_identical(x$groups$group, c("reference", "focal", "focal", "focal"))
  expect_identical(x$purification$focal, c("East", "South", "West", NA))
  expect_type(x$rounds$flagged, "list")
})
