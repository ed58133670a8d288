# Recomputes the quiz analysis's item values in R from the data file and compares them with
# itemdif's items.csv: glm for the three logistic models (and the change of the trait
# coefficient when the group enters), mantelhaen.test for the MH odds ratio and chi-square,
# p.adjust for the adjusted p-values, and the standardization index with its standard error and
# the Breslow-Day statistic written out in R. Prints the worst relative difference per column.
#
# usage: Rscript tools/cross_check_r.R DATA.csv ITEMS.csv ADJUST
# The matching set is every item but those items.csv flags: the last round's matching when
# purification converged (the run's results.json says so).
source(file.path(dirname(sub("^--file=", "", grep("^--file=", commandArgs(FALSE), value = TRUE))),
                 "cross_check_compare.R"))
args <- commandArgs(trailingOnly = TRUE)
data <- read.csv(args[1], colClasses = "character", na.strings = c("", "NA", "9", "."))
ours <- read.csv(args[2], colClasses = c(item = "character", ets_class = "character",
                                         std_class = "character", note = "character"),
                 na.strings = "")
adjust <- if (length(args) >= 3) args[3] else "none"

data <- data[!is.na(data$sex) & data$sex %in% c("M", "F"), ]
items <- setdiff(names(data), c("id", "sex"))
x <- sapply(items, function(j) as.numeric(data[[j]]))
focal <- as.numeric(data$sex == "F")
matching <- setdiff(items, ours$item[ours$flagged == "true"])
base <- rowSums(ifelse(is.na(x[, matching, drop = FALSE]), 0, x[, matching, drop = FALSE]))

r2_of <- function(fit, null, n) nagelkerke(as.numeric(logLik(fit)), as.numeric(logLik(null)), n)

breslow_day <- function(tab, alpha) {
  stat <- 0; sa <- 0; se <- 0; sv <- 0; k <- 0
  for (s in seq_len(dim(tab)[3])) {
    A <- tab[1, 1, s]; B <- tab[1, 2, s]; C <- tab[2, 1, s]; D <- tab[2, 2, s]
    nr <- A + B; nf <- C + D; m1 <- A + C; m0 <- B + D
    if (nr == 0 || nf == 0 || m1 == 0 || m0 == 0) next
    # a (m0 - nr + a) = alpha (nr - a)(m1 - a), solved by polyroot within its bounds
    roots <- Re(polyroot(c(-alpha * nr * m1, m0 - nr + alpha * (nr + m1), 1 - alpha)))
    low <- max(0, nr - m0); high <- min(nr, m1)
    a <- roots[roots >= low - 1e-9 & roots <= high + 1e-9][1]
    v <- 1 / (1 / a + 1 / (nr - a) + 1 / (m1 - a) + 1 / (m0 - nr + a))
    stat <- stat + (A - a)^2 / v; sa <- sa + A; se <- se + a; sv <- sv + v; k <- k + 1
  }
  if (k < 2) return(c(NA, NA, NA))
  chi <- stat - (sa - se)^2 / sv
  c(chi, k - 1, upper_tail(chi, k - 1))
}

rows <- lapply(items, function(j) {
  y <- x[, j]
  score <- base + if (j %in% matching) 0 else ifelse(is.na(y), 0, y)
  keep <- !is.na(y)
  y <- y[keep]; g <- focal[keep]; t <- score[keep]
  # thin levels, a level used where both groups have an examinee of the item
  used <- intersect(unique(t[g == 0]), unique(t[g == 1]))
  u <- t %in% used
  tab <- table(factor(g[u], levels = c(0, 1)), factor(y[u], levels = c(1, 0)), t[u])
  mh <- mantelhaen.test(tab, correct = TRUE)
  alpha <- unname(mh$estimate)
  nr <- apply(tab[1, , , drop = FALSE], 3, sum); nf <- apply(tab[2, , , drop = FALSE], 3, sum)
  p_dif <- sum(nf * (tab[2, 1, ] / nf - tab[1, 1, ] / nr)) / sum(nf)
  m1 <- tab[1, 1, ] + tab[2, 1, ]; m0 <- tab[1, 2, ] + tab[2, 2, ]; N <- nr + nf
  w <- nf / sum(nf)
  std_se <- sqrt(sum(w^2 * (1 / nf + 1 / nr)^2 * nr * nf * m1 * m0 / (N^2 * (N - 1))))
  bd <- breslow_day(tab, alpha)

  xc <- t - mean(t)
  control <- glm.control(epsilon = 1e-14, maxit = 100)
  null <- glm(y ~ 1, family = binomial, control = control)
  trait <- glm(y ~ xc, family = binomial, control = control)
  uniform <- glm(y ~ xc + g, family = binomial, control = control)
  nonuniform <- glm(y ~ xc * g, family = binomial, control = control)
  n <- length(y)
  r2 <- sapply(list(trait, uniform, nonuniform), r2_of, null = null, n = n)
  lr <- deviance(trait) - deviance(nonuniform)
  lr_u <- deviance(trait) - deviance(uniform)
  lr_n <- deviance(uniform) - deviance(nonuniform)
  data.frame(item = j, n_reference = sum(g == 0), n_focal = sum(g == 1),
             mean_reference = mean(y[g == 0]), mean_focal = mean(y[g == 1]),
             mh_alpha = alpha, mh_d_dif = -2.35 * log(alpha),
             mh_chi_square = unname(mh$statistic), mh_p = mh$p.value,
             std_p_dif = p_dif, std_se = std_se, bd_chi_square = bd[1], bd_df = bd[2], bd_p = bd[3],
             lr_chi_square = lr, lr_p = upper_tail(lr, 2),
             lr_uniform_chi_square = lr_u, lr_uniform_p = upper_tail(lr_u, 1),
             lr_nonuniform_chi_square = lr_n, lr_nonuniform_p = upper_tail(lr_n, 1),
             lr_delta_r2 = r2[3] - r2[1], lr_uniform_delta_r2 = r2[2] - r2[1],
             lr_beta_change = abs(coef(uniform)[["xc"]] - coef(trait)[["xc"]]) /
               abs(coef(trait)[["xc"]]))
})
r <- do.call(rbind, rows)
r$mh_p_adjusted <- p.adjust(r$mh_p, method = adjust)
r$lr_p_adjusted <- p.adjust(r$lr_p, method = adjust)

signed <- function(class, value)
  ifelse(class == "A", "A", paste0(class, ifelse(value < 0, "-", "+")))
size <- abs(r$std_p_dif)
r$std_class <- signed(ifelse(size < 0.05, "A", ifelse(size < 0.10, "B", "C")), r$std_p_dif)
r$zumbo_thomas_class <- zumbo_thomas(r$lr_delta_r2, r$lr_p, 0.05)
r$jodoin_gierl_class <- jodoin_gierl(r$lr_delta_r2, r$lr_p, 0.05)
classes <- c("std_class", "zumbo_thomas_class", "jodoin_gierl_class")

report_differences(r, ours, classes)
