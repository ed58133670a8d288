#!/usr/bin/env Rscript
# Cross-check of the IRT likelihood-ratio tests. The marginal likelihood over the 61 nodes is
# written out here on its own and maximised by nlminb, then polished by Newton steps on a
# finite-difference Hessian; irt_bench prints the engine's numbers for the same data. Data: the
# verbal aggression responses (lme4::VerbAgg, 0/1 by gender) and five agreeableness and five
# conscientiousness items (psychTools::bfi, 1-6 by gender, missing responses; the five by
# education in three groups), plus the time
# for 2 000 + 2 000 simulated examinees x 10 items, every item tested.
#
#   Rscript tools/cross_check_irt.R BUILD_DIR [--no-timing]   (BUILD_DIR holds irt_bench)
args <- commandArgs(trailingOnly = TRUE)
timing <- !("--no-timing" %in% args)
bench <- file.path(if (length(args) > 0) args[1] else "build-irt", "irt_bench")
stopifnot(file.exists(bench))

nodes <- seq(-6, 6, by = 0.2)

# Categories 0..m of each item's occurring scores; rows without any response dropped.
prepare <- function(Y, group) {
  Y <- as.matrix(Y)
  keep <- rowSums(!is.na(Y)) > 0
  Y <- Y[keep, , drop = FALSE]
  group <- group[keep]
  scores <- lapply(seq_len(ncol(Y)), function(j) sort(unique(Y[!is.na(Y[, j]), j])))
  cat <- sapply(seq_len(ncol(Y)), function(j) match(Y[, j], scores[[j]]) - 1L)
  list(Y = Y, cat = cat, group = group, G = max(group) + 1L, m = lengths(scores) - 1L, scores = scores)
}

# Parameter index of each group's coordinates: per item its slope and thresholds, then mu and
# log sigma (none for the reference group). tie: "common", "free" or "slope" per item.
layout <- function(d, tie) {
  idx <- replicate(d$G, integer(0), simplify = FALSE)
  n <- 0L
  for (j in seq_along(d$m)) {
    k <- d$m[j] + 1L
    if (tie[j] == "common") {
      ids <- n + seq_len(k); n <- n + k
      for (g in 1:d$G) idx[[g]] <- c(idx[[g]], ids)
    } else if (tie[j] == "free") {
      for (g in 1:d$G) { idx[[g]] <- c(idx[[g]], n + seq_len(k)); n <- n + k }
    } else {
      a <- n + 1L; n <- n + 1L
      for (g in 1:d$G) { idx[[g]] <- c(idx[[g]], a, n + seq_len(k - 1L)); n <- n + k - 1L }
    }
  }
  for (g in 1:d$G) {
    if (g == 1) idx[[g]] <- c(idx[[g]], NA, NA) else { idx[[g]] <- c(idx[[g]], n + 1:2); n <- n + 2L }
  }
  list(idx = idx, n = n)
}

# log L and its gradient (Fisher's identity: posterior expectations of the complete-data scores).
loglik <- function(theta, d, lay) {
  ll <- 0
  grad <- numeric(lay$n)
  for (g in 1:d$G) {
    p <- lay$idx[[g]]
    th <- ifelse(is.na(p), 0, theta[ifelse(is.na(p), 1L, p)])
    ncan <- length(th)
    mu <- th[ncan - 1]; s <- exp(th[ncan])
    z <- (nodes - mu) / s
    w <- dnorm(z); w <- w / sum(w)
    rows <- which(d$group == g - 1L)
    LL <- matrix(log(w), length(rows), length(nodes), byrow = TRUE)
    at <- 0L
    items <- list()
    for (j in seq_along(d$m)) {
      m <- d$m[j]
      a <- th[at + 1]; dd <- th[at + 1 + seq_len(m)]
      if (m > 1 && any(diff(dd) >= 0)) return(list(value = -Inf, grad = grad))
      ps <- rbind(1, plogis(outer(dd, nodes, function(x, y) a * y + x)), 0)
      P <- ps[-(m + 2), , drop = FALSE] - ps[-1, , drop = FALSE]
      W <- ps * (1 - ps)
      cj <- d$cat[rows, j]
      ok <- !is.na(cj)
      LL[ok, ] <- LL[ok, ] + log(P)[cj[ok] + 1L, , drop = FALSE]
      items[[j]] <- list(at = at, m = m, P = P, W = W, cj = cj, ok = ok)
      at <- at + m + 1L
    }
    top <- apply(LL, 1, max)
    L <- exp(LL - top)
    tot <- rowSums(L)
    ll <- ll + sum(top + log(tot))
    R <- L / tot
    gcan <- numeric(ncan)
    for (j in seq_along(d$m)) {
      it <- items[[j]]
      m <- it$m
      for (cc in 0:m) {
        sel <- it$ok & it$cj == cc
        if (!any(sel)) next
        n_c <- colSums(R[sel, , drop = FALSE])
        lo <- it$W[cc + 1, ] / it$P[cc + 1, ]   # W of the category's lower threshold (0 for c = 0)
        hi <- it$W[cc + 2, ] / it$P[cc + 1, ]   # W of its upper threshold (0 for c = m)
        gcan[it$at + 1] <- gcan[it$at + 1] + sum(n_c * nodes * (lo - hi))
        if (cc >= 1) gcan[it$at + 1 + cc] <- gcan[it$at + 1 + cc] + sum(n_c * lo)
        if (cc < m) gcan[it$at + 2 + cc] <- gcan[it$at + 2 + cc] - sum(n_c * hi)
      }
    }
    if (g > 1) {
      N <- colSums(R)
      gcan[ncan - 1] <- sum(N * (z / s - sum(w * z) / s))
      gcan[ncan] <- sum(N * (z^2 - sum(w * z^2)))
    }
    for (k in which(!is.na(p))) grad[p[k]] <- grad[p[k]] + gcan[k]
  }
  list(value = ll, grad = grad)
}

start_values <- function(d, lay) {
  theta <- numeric(lay$n)
  for (g in 1:d$G) {
    p <- lay$idx[[g]]
    at <- 0L
    for (j in seq_along(d$m)) {
      m <- d$m[j]
      cj <- d$cat[, j]; cj <- cj[!is.na(cj)]
      up <- sapply(seq_len(m), function(cc) mean(cj >= cc))
      theta[p[at + 1]] <- 1
      theta[p[at + 1 + seq_len(m)]] <- qlogis(pmin(pmax(up, 0.01), 0.99)) - 1e-3 * seq_len(m)
      at <- at + m + 1L
    }
  }
  theta
}

fit <- function(d, tie, theta0 = NULL) {
  lay <- layout(d, tie)
  if (is.null(theta0)) theta0 <- start_values(d, lay)
  f <- function(t) { v <- loglik(t, d, lay)$value; if (is.finite(v)) -v else Inf }
  gr <- function(t) -loglik(t, d, lay)$grad
  opt <- nlminb(theta0, f, gr, control = list(eval.max = 5000, iter.max = 2000, rel.tol = 1e-14))
  theta <- opt$par
  # Newton steps on the central-difference Hessian of the analytic gradient.
  for (step in 1:8) {
    g0 <- gr(theta)
    h <- 1e-5
    H <- sapply(seq_along(theta), function(i) {
      e <- numeric(length(theta)); e[i] <- h
      (gr(theta + e) - gr(theta - e)) / (2 * h)
    })
    H <- (H + t(H)) / 2
    delta <- solve(H, g0)
    if (sum(g0 * delta) < 1e-12) break
    trial <- theta - delta
    if (f(trial) <= f(theta)) theta <- trial else break
  }
  list(loglik = -f(theta), theta = theta, lay = lay)
}

# The three models of each checked item (every item an anchor).
r_tests <- function(d, items) {
  base <- fit(d, rep("common", length(d$m)))
  out <- NULL
  for (j in items) {
    tie <- rep("common", length(d$m))
    tie[j] <- "free"; fr <- fit(d, tie)
    tie[j] <- "slope"; un <- fit(d, tie)
    out <- rbind(out, data.frame(item = j, loglik_c = base$loglik, loglik_u = un$loglik, loglik_f = fr$loglik))
  }
  out$chi <- 2 * (out$loglik_f - out$loglik_c)
  out$uchi <- 2 * (out$loglik_u - out$loglik_c)
  out$nchi <- 2 * (out$loglik_f - out$loglik_u)
  out
}

engine_tests <- function(Y, group, items) {
  file <- tempfile(fileext = ".csv")
  write.csv(data.frame(group = group, Y), file, row.names = FALSE, na = "NA", quote = FALSE)
  started <- Sys.time()
  out <- system2(bench, c(file, paste(items, collapse = ",")), stdout = TRUE, stderr = FALSE)
  elapsed <- as.numeric(difftime(Sys.time(), started, units = "secs"))
  res <- read.csv(text = out)
  attr(res, "seconds") <- elapsed
  res
}

compare <- function(name, Y, group, items) {
  d <- prepare(Y, group)
  r <- r_tests(d, items)
  e <- engine_tests(Y, group, items)
  cols <- c("loglik_c", "loglik_u", "loglik_f", "chi", "uchi", "nchi")
  diffs <- abs(as.matrix(r[, cols]) - as.matrix(e[, cols]))
  cat(sprintf("\n%s: %d examinees (%s), %d items; items checked: %s\n", name, nrow(d$Y),
              paste(table(d$group), collapse = " + "), ncol(d$Y), paste(items, collapse = ", ")))
  print(data.frame(item = r$item, R_chi = r$chi, engine_chi = e$chi, R_uchi = r$uchi, engine_uchi = e$uchi,
                   R_loglik_f = r$loglik_f, engine_loglik_f = e$loglik_f), digits = 12)
  worst <- max(diffs)
  cat(sprintf("worst absolute difference (log-likelihoods and chi-squares): %.3g\n", worst))
  worst
}

suppressPackageStartupMessages({ library(lme4); library(psychTools) })
data(VerbAgg, package = "lme4")
wide <- reshape(VerbAgg[, c("id", "item", "r2", "Gender")], idvar = c("id", "Gender"), timevar = "item",
                direction = "wide")
Y01 <- sapply(wide[, grep("^r2", names(wide))], function(x) as.integer(x == "Y"))
g01 <- as.integer(wide$Gender == "M")
w1 <- compare("verbal aggression (0/1), F reference, M focal", Y01, g01, c(1, 7, 13))

data(bfi, package = "psychTools")
Ybfi <- as.matrix(bfi[, c(paste0("A", 1:5), paste0("C", 1:5))])
gbfi <- as.integer(bfi$gender == 2)
w2 <- compare("bfi A1-A5, C1-C5 (1-6, missing excluded), male reference, female focal", Ybfi, gbfi, c(1, 6))

# Three groups: education up to some college, some college, beyond (the reference first).
edu <- bfi$education
g3 <- ifelse(is.na(edu), NA, ifelse(edu <= 2, 0L, ifelse(edu == 3, 1L, 2L)))
keep3 <- !is.na(g3)
w4 <- compare("bfi A1-A5 (1-6) by education in three groups", Ybfi[keep3, 1:5], g3[keep3], c(2, 4))

w3 <- 0
if (timing) {
set.seed(17)
n <- 2000
theta <- c(rnorm(n), rnorm(n, -0.3, 1.1))
a <- runif(10, 0.7, 1.8); b <- runif(10, -1.5, 1.5)
Ysim <- sapply(1:10, function(j) as.integer(runif(2 * n) < plogis(a[j] * (theta - b[j]) - (j == 3) * 0.5 * (theta > -99) * c(rep(0, n), rep(1, n)))))
gsim <- rep(0:1, each = n)
dsim <- prepare(Ysim, gsim)
r_time <- system.time(rsim <- r_tests(dsim, 1:10))[["elapsed"]]
esim <- engine_tests(Ysim, gsim, 1:10)
w3 <- max(abs(as.matrix(rsim[, c("loglik_c", "loglik_u", "loglik_f")]) -
              as.matrix(esim[, c("loglik_c", "loglik_u", "loglik_f")])))
cat(sprintf("\nsimulated 2000 + 2000 x 10 items, every item tested: R %.1f s, engine %.2f s (with process start), ratio %.0f; worst difference %.3g\n",
            r_time, attr(esim, "seconds"), r_time / attr(esim, "seconds"), w3))
}
cat(sprintf("\nworst absolute difference overall: %.3g\n", max(w1, w2, w3, w4)))
