# Recomputes the polytomous items' values of an analysis in R from the data file and compares
# them with itemdif's items.csv: Mantel's chi-square, the Liu-Agresti cumulative odds ratio,
# the standardized mean difference with its standard error and the ETS classes written out in R
# from their formulas, and the three proportional-odds models fitted by ordinal::clm (Newton's
# method, so the deviances are exact to far more digits than an optimiser's). Prints the worst
# relative difference per column.
#
# usage: Rscript tools/cross_check_poly_r.R DATA.csv ITEMS.csv GROUP FOCAL REFERENCE [ALPHA]
# Thin levels, --min-per-group 1, --missing excluded. The matching set is every item but those
# items.csv flags: the last round's matching when purification converged.
suppressPackageStartupMessages(library(ordinal))
source(file.path(dirname(sub("^--file=", "", grep("^--file=", commandArgs(FALSE), value = TRUE))),
                 "cross_check_compare.R"))
args <- commandArgs(trailingOnly = TRUE)
data <- read.csv(args[1], colClasses = "character", na.strings = c("", "NA", "."))
ours <- read.csv(args[2], colClasses = c(item = "character", ets_class = "character",
                                         std_class = "character", note = "character",
                                         zumbo_thomas_class = "character",
                                         jodoin_gierl_class = "character"),
                 na.strings = "")
group <- args[3]; focal_value <- args[4]; reference_value <- args[5]
alpha_level <- if (length(args) >= 6) as.numeric(args[6]) else 0.05

data <- data[!is.na(data[[group]]) & data[[group]] %in% c(focal_value, reference_value), ]
items <- ours$item
focal <- as.numeric(data[[group]] == focal_value)
scores <- item_scores(data, items, ours$item[ours$flagged == "true"])
x <- scores$x; low <- scores$low; high <- scores$high; polytomous <- scores$polytomous
filled <- scores$filled; matching <- scores$matching; base <- scores$base

rows <- lapply(which(polytomous), function(k) {
  j <- items[k]
  y <- x[, j]
  score <- base + if (j %in% matching) 0 else filled[, j]
  keep <- !is.na(y)
  y <- y[keep]; g <- focal[keep]; t <- score[keep]
  used <- intersect(unique(t[g == 0]), unique(t[g == 1]))
  T <- 0; E <- 0; V <- 0; ad <- 0; bc <- 0; smd <- 0; focal_n <- 0; terms <- c(); weights <- c()
  for (level in sort(used)) {
    yr <- y[t == level & g == 0]; yf <- y[t == level & g == 1]
    nr <- length(yr); nf <- length(yf); N <- nr + nf
    S <- sum(yr) + sum(yf); Q <- sum(yr^2) + sum(yf^2)
    T <- T + sum(yf); E <- E + nf * S / N
    v <- nr * nf * (N * Q - S^2) / (N^2 * (N - 1)); V <- V + v
    for (cut in seq(low[k], high[k] - 1)) {
      A <- sum(yr > cut); C <- sum(yf > cut)
      ad <- ad + A * (nf - C) / N; bc <- bc + (nr - A) * C / N
    }
    smd <- smd + nf * (mean(yf) - mean(yr)); focal_n <- focal_n + nf
    terms <- c(terms, (1 / nf + 1 / nr)^2 * v); weights <- c(weights, nf)
  }
  chi <- (T - E)^2 / V
  smd <- smd / focal_n
  std_se <- sqrt(sum((weights / focal_n)^2 * terms))
  mh_p <- upper_tail(chi, 1)
  size <- abs(smd) / sd(y)
  ets <- if (mh_p >= alpha_level || size <= 0.17) "AA" else
    paste0(if (size > 0.25) "CC" else "BB", if (smd < 0) "-" else "+")
  range_size <- abs(smd) / (high[k] - low[k])
  std_class <- if (range_size < 0.05) "A" else
    paste0(if (range_size < 0.10) "B" else "C", if (smd < 0) "-" else "+")

  xc <- t - mean(t)
  yf <- factor(y)  # levels: the scores that occur
  control <- clm.control(gradTol = 1e-12, maxIter = 200)
  counts <- table(y)
  null <- sum(counts * log(counts / length(y)))
  fits <- list(clm(yf ~ xc, link = "logit", control = control),
               clm(yf ~ xc + g, link = "logit", control = control),
               clm(yf ~ xc * g, link = "logit", control = control))
  loglik <- sapply(fits, function(f) as.numeric(logLik(f)))
  r2 <- nagelkerke(loglik, null, length(y))
  lr <- 2 * (loglik[3] - loglik[1])
  lr_p <- upper_tail(lr, 2)
  delta <- r2[3] - r2[1]
  data.frame(item = j, n_reference = sum(g == 0), n_focal = sum(g == 1),
             mean_reference = mean(y[g == 0]), mean_focal = mean(y[g == 1]),
             mh_alpha = ad / bc, mh_d_dif = -2.35 * log(ad / bc),
             mh_chi_square = chi, mh_p = mh_p, ets_class = ets,
             std_p_dif = smd, std_se = std_se, std_class = std_class,
             lr_chi_square = lr, lr_p = lr_p,
             lr_uniform_chi_square = 2 * (loglik[2] - loglik[1]),
             lr_uniform_p = upper_tail(2 * (loglik[2] - loglik[1]), 1),
             lr_nonuniform_chi_square = 2 * (loglik[3] - loglik[2]),
             lr_nonuniform_p = upper_tail(2 * (loglik[3] - loglik[2]), 1),
             lr_delta_r2 = delta, lr_uniform_delta_r2 = r2[2] - r2[1],
             lr_beta_change = abs(coef(fits[[2]])[["xc"]] - coef(fits[[1]])[["xc"]]) /
               abs(coef(fits[[1]])[["xc"]]),
             zumbo_thomas_class = zumbo_thomas(delta, lr_p, alpha_level),
             jodoin_gierl_class = jodoin_gierl(delta, lr_p, alpha_level))
})
r <- do.call(rbind, rows)
mine_rows <- ours[match(r$item, ours$item), ]
classes <- c("ets_class", "std_class", "zumbo_thomas_class", "jodoin_gierl_class")
cat(sprintf("%d polytomous items of %d\n", nrow(r), length(items)))
report_differences(r, mine_rows, classes)
