# dif() against `itemdif analyze` on the same data: every cell of every table, the results
# files byte for byte (report.html and results.json apart from the input's name) and the summary.

examples <- list(
  quiz = list(file = "quiz/quiz.csv",
              program = c("--group", "sex", "--focal", "F", "--id", "id", "--missing-codes", "9"),
              r = list(group = "sex", focal = "F", id = "id", missing_codes = 9)),
  survey = list(file = "survey/survey.csv",
                program = c("--group", "language", "--focal", "FR", "--id", "id", "--max-score", "5"),
                r = list(group = "language", focal = "FR", id = "id", max_score = 5)),
  regions = list(file = "regions/regions.csv",
                 program = c("--group", "region", "--focal", "East,South,West", "--reference",
                             "North", "--id", "id", "--max-score", "3"),
                 r = list(group = "region", focal = c("East", "South", "West"),
                          reference = "North", id = "id", max_score = 3))
)

# Runs both on one example; the R input is named `frame`, as the files will show it.
both <- function(example) {
  program_run <- run_program(example$file, example$program)
  frame <- read_example(example$file)
  x <- do.call(dif, c(list(data = quote(frame)), example$r))
  list(program = program_run, x = x)
}

for (name in names(examples)) {
  example <- examples[[name]]

  test_that(paste("every table cell equals the program's files:", name), {
    run <- both(example)
    tables <- c("items", "levels", "coefficients", if (name == "regions") "overall")
    for (table in tables) {
      expected <- file_texts(file.path(run$program$out, paste0(table, ".csv")))
      expect_identical(names(run$x[[table]]), names(expected), label = table)
      expect_identical(frame_texts(run$x[[table]]), expected, label = table)
    }
    if (name != "regions") expect_null(run$x$overall)
  })

  test_that(paste("write_results writes the program's files:", name), {
    run <- both(example)
    out <- tempfile("r-")
    write_results(run$x, out)
    files <- sort(list.files(run$program$out))
    expect_identical(sort(list.files(out)), files)
    for (file in setdiff(files, c("results.json", "report.html")))
      expect_identical(read_bytes(file.path(out, file)), read_bytes(file.path(run$program$out, file)),
                       label = file)
    # The two name their input differently, and nothing else.
    for (file in c("results.json", "report.html")) {
      program_text <- readLines(file.path(run$program$out, file), warn = FALSE)
      r_text <- readLines(file.path(out, file), warn = FALSE)
      expect_identical(r_text, gsub(run$program$input, "frame", program_text, fixed = TRUE),
                       label = file)
    }
  })

  test_that(paste("print shows the program's summary:", name), {
    run <- both(example)
    shown <- capture.output(print(run$x))
    expect_identical(shown, gsub(run$program$input, "frame", run$program$summary, fixed = TRUE))
  })
}

test_that("SIBTEST, bundles, anchors and a matching column give the program's tables", {
  quiz <- examples$quiz
  cases <- list(
    list(program = c("--methods", "mh,sib", "--sib-min", "8", "--bundle", "first=q1:q3",
                     "--bundle", "pair=q7,q9"),
         r = list(methods = c("mh", "sib"), sib_min = 8,
                  bundle = list(first = "q1:q3", pair = c("q7", "q9"))),
         tables = c("items", "levels", "coefficients", "bundles")),
    list(program = c("--anchor", "q1:q5,q10"), r = list(anchor = c("q1:q5", "q10")),
         tables = c("items", "levels", "coefficients")))
  for (case in cases) {
    program_run <- run_program(quiz$file, c(quiz$program, case$program))
    frame <- read_example(quiz$file)
    x <- do.call(dif, c(list(data = quote(frame)), quiz$r, case$r))
    for (table in case$tables) {
      expected <- file_texts(file.path(program_run$out, paste0(table, ".csv")))
      expect_identical(frame_texts(x[[table]]), expected, label = table)
    }
    expect_identical(x$purification$stop,
                     if (is.null(case$r$anchor)) "converged" else "fixed_matching")
  }

  # A matching column, NA in some rows: those rows are left out by both.
  frame <- read_example(quiz$file)
  frame$total <- rowSums(frame[paste0("q", 1:20)] == 1, na.rm = TRUE) - 4L
  frame$total[seq(3, nrow(frame), by = 40)] <- NA
  path <- tempfile(fileext = ".csv")
  write.csv(frame, path, row.names = FALSE, na = "")
  out <- tempfile("program-")
  status <- system2(program(), c("analyze", shQuote(path), quiz$program, "--match", "total",
                                 "--out", shQuote(out)), stdout = FALSE)
  expect_identical(status, 0L)
  x <- do.call(dif, c(list(data = quote(frame)), quiz$r, list(match = "total")))
  expect_identical(frame_texts(x$items), file_texts(file.path(out, "items.csv")))
  unmatched <- do.call(dif, c(list(data = quote(frame)), quiz$r, list(items = "q1:q20")))
  expect_equal(x$rows_left_out,
               unmatched$rows_left_out + sum(is.na(frame$total) & frame$sex %in% c("M", "F")))
})

test_that("the new arguments' errors are the program's, as conditions", {
  frame <- read_example(examples$quiz$file)
  expect_error(dif(frame, "sex", "F", id = "id", missing_codes = 9, anchor = "q1", purify = "iterative"),
               "^anchor: ", class = "itemdif_argument_error")
  expect_error(dif(frame, "sex", "F", id = "id", missing_codes = 9, bundle = list(b = c("q1", "q2"))),
               "^bundle: ", class = "itemdif_argument_error")
  expect_error(dif(frame, "sex", "F", id = "id", missing_codes = 9, methods = c("mh", "sib"),
                   bundle = list(b = c("q1", "nope"))),
               "nope", class = "itemdif_argument_error")
  expect_error(dif(frame, "sex", "F", id = "id", missing_codes = 9, methods = c("mh", "sib"), match = "q20"),
               "^match: ", class = "itemdif_argument_error")
  frame$odd <- 1.5
  expect_error(dif(frame, "sex", "F", id = "id", missing_codes = 9, items = "q1:q20", match = "odd"),
               "row 1, column odd", class = "itemdif_input_error")
})
