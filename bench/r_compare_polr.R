# The R side of `bench/r_compare.sh polr`.
#   Rscript bench/r_compare_polr.R generate FILE   writes 100 000 + 100 000 examinees x 20
#                                                  items scored 1-5
#   Rscript bench/r_compare_polr.R analyze FILE    fits MASS::polr three times per item (trait,
#                                                  uniform, nonuniform) on the matching score
args <- commandArgs(trailingOnly = TRUE)
file <- args[2]
items <- 20

if (args[1] == "generate") {
  # A graded response model, the focal group 0.2 lower, uniform DIF on items 4 and 14; 1 % of
  # the cells missing (empty).
  set.seed(20261209)
  n <- 200000
  focal <- rep(c(FALSE, TRUE), n / 2)
  theta <- rnorm(n) - 0.2 * focal
  location <- seq(-1, 1, length.out = items)
  x <- sapply(1:items, function(j) {
    shift <- if (j %% 10 == 4) 0.5 * focal else 0
    u <- runif(n)
    1L + Reduce(`+`, lapply(c(-1.5, -0.5, 0.5, 1.5), function(step)
      as.integer(u < plogis(1.7 * (theta - location[j] - step - shift)))))
  })
  x[runif(n * items) < 0.01] <- NA
  colnames(x) <- paste0("q", 1:items)
  out <- data.frame(id = 1:n, group = ifelse(focal, "F", "R"), x)
  write.csv(out, file, row.names = FALSE, quote = FALSE, na = "")
  quit(status = 0)
}

suppressPackageStartupMessages(library(MASS))
start <- proc.time()[["elapsed"]]
d <- read.csv(file)
read_done <- proc.time()[["elapsed"]]
x <- as.matrix(d[, paste0("q", 1:items)])
g <- as.numeric(d$group == "F")
# A missing response counts as the lowest score, 1, in the matching sum.
total <- rowSums(ifelse(is.na(x), 1, x))
for (j in 1:items) {
  keep <- !is.na(x[, j])
  y <- factor(x[keep, j]); xc <- total[keep] - mean(total[keep]); gj <- g[keep]
  polr(y ~ xc, method = "logistic")
  polr(y ~ xc + gj, method = "logistic")
  polr(y ~ xc * gj, method = "logistic")
}
end <- proc.time()[["elapsed"]]
cat(end - start, end - read_done, "\n")
