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
