# What an itemdif object offers besides its tables.

quiz <- function() dif(read_example("quiz/quiz.csv"), "sex", "F", id = "id", missing_codes = 9)

test_that("options take the program's defaults and show as the summary writes them", {
  x <- quiz()
  expect_identical(x$settings[c("missing", "levels", "min_per_group", "purify", "max_rounds",
                                "flag", "alpha", "adjust")],
                   c(missing = "excluded", levels = "thin", min_per_group = "1",
                     purify = "iterative", max_rounds = "10", flag = "ets", alpha = "0.05",
                     adjust = "none"))
  expect_match(capture.output(print(x))[3], "methods mh,std,bd,lr", fixed = TRUE)
  # Names may be shortened where one name is left, as match.arg() allows.
  expect_identical(dif(read_example("quiz/quiz.csv"), "sex", "F", id = "id", missing_codes = 9,
                       purify = "two", adjust = "ho", missing = "inc")$settings[
                         c("purify", "adjust", "missing")],
                   c(purify = "two-pass", adjust = "holm", missing = "incorrect"))
  fewer <- dif(read_example("quiz/quiz.csv"), "sex", "F", id = "id", missing_codes = 9,
               methods = "std", levels = c("0-9", "10-20"), purify = "none")
  expect_true(all(is.na(fewer$items$lr_p)))
  expect_false(anyNA(fewer$items$std_p_dif))
  expect_false(anyNA(fewer$items$mh_p))  # always computed
  expect_identical(unique(fewer$levels$level), 1:2)
  expect_identical(nrow(fewer$rounds), 1L)
})

test_that("summary counts the ETS classes and lists the flagged items", {
  x <- quiz()
  s <- summary(x)
  expect_identical(s$comparisons$flagged, 2L)
  expect_identical(s$comparisons$A, 18L)
  expect_identical(s$comparisons$`C-` + s$comparisons$`C+`, 2L)
  expect_identical(s$flagged$item, c("q6", "q13"))
  expect_output(print(s), "Flagged items:")
})

test_that("summary of several comparisons counts every item once in each", {
  x <- dif(read_example("regions/regions.csv"), "region", c("East", "South", "West"),
           reference = "North", id = "id", max_score = 3)
  s <- summary(x)
  expect_identical(s$comparisons$focal, c("East", "South", "West"))
  counts <- s$comparisons[setdiff(names(s$comparisons), c("focal", "items", "flagged", "rounds",
                                                          "converged"))]
  expect_equal(rowSums(counts), rep(30, 3))
  expect_identical(s$overall_flagged$item, x$overall$item[x$overall$flagged])
  expect_output(print(s), "Flagged by the overall analysis")
})

test_that("as.data.frame gives each table", {
  x <- quiz()
  expect_identical(as.data.frame(x), x$items)
  expect_identical(as.data.frame(x, table = "levels"), x$levels)
  expect_error(as.data.frame(x, table = "overall"), "one focal group")
})

test_that("plot draws the D-DIF plot and an item's curves, and refuses what is not there", {
  x <- quiz()
  file <- tempfile(fileext = ".pdf")
  grDevices::pdf(file)
  on.exit(grDevices::dev.off())
  expect_identical(plot(x), x)
  expect_identical(plot(x, item = "q6"), x)
  expect_error(plot(x, item = "q99"), "item: must be the name of one item")
  expect_error(plot(x, focal = "X"), "\"X\" is none of the comparisons' focal values")
})

test_that("the D-DIF interval the plot draws is the analysis's own", {
  x <- quiz()
  ends <- attr(x, "report_values")
  expect_identical(ends[c("item", "focal")], x$items[c("item", "focal")])
  defined <- !is.na(x$items$mh_d_dif_se)
  expect_true(all(ends$mh_d_dif_low[defined] < x$items$mh_d_dif[defined]))
  expect_equal((ends$mh_d_dif_high - ends$mh_d_dif_low)[defined] / 2,
               qnorm(0.975) * x$items$mh_d_dif_se[defined], tolerance = 1e-6)
})
