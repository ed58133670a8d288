# The bundled examples and the program to compare with.

# At most two threads, as a check machine allows.
options(itemdif.threads = 2L)

example_path <- function(name) {
  path <- system.file("extdata", name, package = "itemdif")
  if (path == "") skip(paste("the example", name, "is not installed with the package"))
  path
}

read_example <- function(name) read.csv(example_path(name), stringsAsFactors = FALSE)

# The program built beside the package (ITEMDIF_BINARY, set by the ctest test); the tests that
# compare with it are skipped without it.
program <- function() {
  binary <- Sys.getenv("ITEMDIF_BINARY")
  if (binary == "" || !file.exists(binary))
    skip("ITEMDIF_BINARY does not name the itemdif program (ctest sets it)")
  binary
}

# Runs `itemdif analyze` on an example with --out; its summary and its results folder.
run_program <- function(name, arguments) {
  out <- tempfile("program-")
  summary <- system2(program(), c("analyze", shQuote(example_path(name)), arguments, "--out",
                                  shQuote(out)), stdout = TRUE, stderr = TRUE)
  status <- attr(summary, "status")
  if (!is.null(status)) stop("itemdif failed: ", paste(summary, collapse = "\n"))
  list(summary = summary, out = out, input = example_path(name))
}

read_bytes <- function(path) readBin(path, "raw", file.size(path))

# A results table as the CSV file writes it: every cell as its text.
file_texts <- function(path) {
  read.csv(path, colClasses = "character", na.strings = character(), check.names = FALSE)
}

# A data frame's cells as the results files write them: numbers as their shortest text,
# truth values as true/false, undefined as empty.
frame_texts <- function(frame) {
  texts <- lapply(frame, function(column) {
    text <- if (is.double(column)) itemdif:::number_texts(column)
            else if (is.logical(column)) ifelse(column, "true", "false")
            else as.character(column)
    text[is.na(column)] <- ""
    text
  })
  as.data.frame(texts, check.names = FALSE, stringsAsFactors = FALSE)
}
