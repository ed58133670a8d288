# dif() in R against `itemdif analyze` on the same data: 200 000 rows x 100 integer items (0/1,
# uniform DIF on every tenth item, a few missing responses), once as a data frame and once
# written as CSV. Times dif() with the conversion of the data frame included, and the
# program's run on the CSV (reading included); memory: the R process's peak resident memory
# during dif() beyond what it held before, against object.size() of the data frame, and the
# program's peak resident memory.
#
#   Rscript bench/r_dif_bench.R PROGRAM [ROWS] [ITEMS]
# The package must be installed (make r). Not part of make test.

arguments <- commandArgs(trailingOnly = TRUE)
if (length(arguments) < 1) stop("usage: Rscript bench/r_dif_bench.R PROGRAM [ROWS] [ITEMS]")
program <- arguments[1]
rows <- if (length(arguments) >= 2) as.integer(arguments[2]) else 200000L
n_items <- if (length(arguments) >= 3) as.integer(arguments[3]) else 100L
runs <- as.integer(Sys.getenv("ITEMDIF_BENCH_RUNS", "3"))
library(itemdif)

set.seed(20261209)
group <- rep(c("R", "F"), length.out = rows)
theta <- rnorm(rows)
items <- lapply(seq_len(n_items), function(j) {
  shift <- if (j %% 10 == 0) ifelse(group == "F", -0.5, 0) else 0
  score <- as.integer(runif(rows) < plogis(1.2 * theta + rnorm(1, 0, 0.8) + shift))
  score[sample.int(rows, rows %/% 100)] <- NA_integer_
  score
})
names(items) <- paste0("q", seq_len(n_items))
frame <- data.frame(group = group, items, stringsAsFactors = FALSE)
rm(items, theta, group)
invisible(gc())

csv <- tempfile(fileext = ".csv")
if (requireNamespace("data.table", quietly = TRUE)) {
  data.table::fwrite(frame, csv, na = "")
} else {
  utils::write.csv(frame, csv, row.names = FALSE, na = "")
}

# Peak resident memory of this process since the last reset (Linux: clear_refs 5 resets it).
status_kb <- function(field) {
  line <- grep(paste0("^", field, ":"), readLines("/proc/self/status"), value = TRUE)
  as.numeric(gsub("[^0-9]", "", line))
}
reset_peak <- function() cat("5", file = "/proc/self/clear_refs")

least <- function(times) min(times)
r_times <- numeric(runs)
r_extra <- numeric(runs)
r_peak <- numeric(runs)
for (k in seq_len(runs)) {
  invisible(gc())
  before <- status_kb("VmRSS")
  reset_peak()
  r_times[k] <- system.time(x <- dif(frame, "group", "F"))[["elapsed"]]
  r_peak[k] <- status_kb("VmHWM")
  r_extra[k] <- r_peak[k] - before
  rm(x)
}

program_times <- numeric(runs)
program_peak <- numeric(runs)
for (k in seq_len(runs)) {
  report <- tempfile()
  program_times[k] <- system.time(
    system2("/usr/bin/time", c("-f", "%M", "-o", report, program, "analyze", csv, "--group", "group",
                               "--focal", "F", "--quiet"))
  )[["elapsed"]]
  program_peak[k] <- as.numeric(readLines(report)[1])
}

frame_mb <- as.numeric(object.size(frame)) / 2^20
cat(sprintf("data: %d rows x %d items; data frame %.1f MB, CSV %.1f MB; least of %d runs\n",
            rows, n_items, frame_mb, file.size(csv) / 2^20, runs))
cat(sprintf("dif() on the data frame:     %6.2f s, peak memory beyond the data frame %6.1f MB (%.2f x the data frame)\n",
            least(r_times), max(r_extra) / 1024, max(r_extra) / 1024 / frame_mb))
cat(sprintf("                             the R process's peak resident memory %6.1f MB (R itself and the data frame included)\n",
            max(r_peak) / 1024))
cat(sprintf("itemdif analyze on the CSV:  %6.2f s, peak resident memory %6.1f MB\n",
            least(program_times), max(program_peak) / 1024))
cat(sprintf("time ratio dif() / program:  %6.2f (target below 1.5)\n",
            least(r_times) / least(program_times)))
unlink(csv)
