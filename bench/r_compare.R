# The R side of bench/r_compare.sh.
#   Rscript bench/r_compare.R generate FILE   writes 100 000 + 100 000 examinees x 100 items
#   Rscript bench/r_compare.R analyze FILE    times the same statistics as `itemdif analyze
#                                             --purify none` computes, written in R
args <- commandArgs(trailingOnly = TRUE)
file <- args[2]
items <- 100

if (args[1] == "generate") {
  # Two-parameter logistic responses, the focal group 0.2 lower, uniform DIF on items 8, 28,
  # ...; 1 % of the cells missing (empty), as the C++ benchmark's generator.
  set.seed(20261208)
  n <- 200000
  focal <- rep(c(FALSE, TRUE), n / 2)
  theta <- rnorm(n) - 0.2 * focal
  difficulty <- -2 + 4 * (0:(items - 1)) / (items - 1)
  shift <- ifelse((0:(items - 1)) %% 20 == 7, 0.6, 0)
  b <- outer(rep(1, n), difficulty) + outer(focal, shift)
  p <- plogis(1.7 * (theta - b))
  x <- matrix(as.integer(runif(n * items) < p), n)
  x[runif(n * items) < 0.01] <- NA
  colnames(x) <- paste0("q", 1:items)
  out <- data.frame(id = 1:n, group = ifelse(focal, "F", "R"), x)
  write.csv(out, file, row.names = FALSE, quote = FALSE, na = "")
  quit(status = 0)
}

start <- proc.time()[["elapsed"]]
d <- read.csv(file)
read_done <- proc.time()[["elapsed"]]
x <- as.matrix(d[, paste0("q", 1:items)])
focal <- as.integer(d$group == "F")
total <- rowSums(x, na.rm = TRUE)  # a missing response counts 0 in the matching score

results <- vector("list", items)
for (j in 1:items) {
  keep <- !is.na(x[, j])
  y <- x[keep, j]; g <- focal[keep]; t <- total[keep]
  # counts by score, group and response: tab[response + 1, group + 1, score + 1]
  # (as doubles: nR nF m1 m0 overflows R's integers)
  tab <- array(as.numeric(tabulate(t * 4 + g * 2 + y + 1, 4 * (items + 1))), c(2, 2, items + 1))
  A <- tab[2, 1, ]; B <- tab[1, 1, ]; C <- tab[2, 2, ]; D <- tab[1, 2, ]
  nr <- A + B; nf <- C + D; N <- nr + nf; m1 <- A + C; m0 <- B + D
  used <- nr > 0 & nf > 0
  A <- A[used]; B <- B[used]; C <- C[used]; D <- D[used]
  nr <- nr[used]; nf <- nf[used]; N <- N[used]; m1 <- m1[used]; m0 <- m0[used]
  alpha <- sum(A * D / N) / sum(B * C / N)
  E <- nr * m1 / N; V <- nr * nf * m1 * m0 / (N^2 * (N - 1))
  dev <- abs(sum(A) - sum(E)); chi <- (dev - if (dev >= 0.5) 0.5 else 0)^2 / sum(V)
  mh_p <- pchisq(chi, 1, lower.tail = FALSE)
  rbg <- sum((A * D + alpha * B * C) * (A + D + (B + C) * alpha) / (2 * N^2))
  se <- sqrt(rbg) / sum(A * D / N)
  p_dif <- sum(nf * (C / nf - A / nr)) / sum(nf)
  # Breslow-Day with Tarone's correction over the levels with positive margins
  bd <- m1 > 0 & m0 > 0
  a <- mapply(function(r, c1, c0) {
    roots <- Re(polyroot(c(-alpha * r * c1, c0 - r + alpha * (r + c1), 1 - alpha)))
    roots[roots >= max(0, r - c0) - 1e-9 & roots <= min(r, c1) + 1e-9][1]
  }, nr[bd], m1[bd], m0[bd])
  v <- 1 / (1 / a + 1 / (nr[bd] - a) + 1 / (m1[bd] - a) + 1 / (m0[bd] - nr[bd] + a))
  bd_chi <- sum((A[bd] - a)^2 / v) - (sum(A[bd]) - sum(a))^2 / sum(v)
  bd_p <- pchisq(bd_chi, sum(bd) - 1, lower.tail = FALSE)
  # the three logistic models on the examinees
  xc <- t - mean(t)
  trait <- glm(y ~ xc, family = binomial)
  uniform <- glm(y ~ xc + g, family = binomial)
  nonuniform <- glm(y ~ xc * g, family = binomial)
  lr <- deviance(trait) - deviance(nonuniform)
  results[[j]] <- c(alpha, -2.35 * log(alpha), 2.35 * se, chi, mh_p, p_dif, bd_chi, bd_p, lr,
                    pchisq(lr, 2, lower.tail = FALSE))
}
done <- proc.time()[["elapsed"]]
cat(sprintf("%.3f %.3f\n", done - start, done - read_done))
