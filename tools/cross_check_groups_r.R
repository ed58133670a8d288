# Recomputes the overall tests of an analysis with several focal groups in R from the data file
# and compares them with itemdif's overall.csv: the generalized Mantel-Haenszel statistic
# written out in R from its formula (and, for 0/1 items, R's own mantelhaen.test on the
# G x 2 x K tables, whose general-association statistic it equals), and the generalized
# logistic regression: glm (0/1 items) or ordinal::clm (polytomous items) with the group as a
# factor. Prints the worst relative difference per column.
#
# usage: Rscript tools/cross_check_groups_r.R DATA.csv OVERALL.csv GROUP REFERENCE FOCAL,FOCAL...
#        [ALPHA]
# Thin levels, --min-per-group 1, --missing excluded. The matching set is every item but those
# overall.csv flags: the last round's matching when the overall purification converged.
suppressPackageStartupMessages(library(ordinal))
source(file.path(dirname(sub("^--file=", "", grep("^--file=", commandArgs(FALSE), value = TRUE))),
                 "cross_check_compare.R"))
args <- commandArgs(trailingOnly = TRUE)
data <- read.csv(args[1], colClasses = "character", na.strings = c("", "NA", "."))
ours <- read.csv(args[2], colClasses = c(item = "character", note = "character",
                                         zumbo_thomas_class = "character",
                                         jodoin_gierl_class = "character"),
                 na.strings = "")
group <- args[3]; reference_value <- args[4]
focal_values <- strsplit(args[5], ",", fixed = TRUE)[[1]]
alpha_level <- if (length(args) >= 6) as.numeric(args[6]) else 0.05

values <- c(reference_value, focal_values)
data <- data[!is.na(data[[group]]) & data[[group]] %in% values, ]
items <- ours$item
g <- match(data[[group]], values) - 1  # 0 the reference group, k the k-th focal group
G <- length(values)
scores <- item_scores(data, items, ours$item[ours$flagged == "true"])
x <- scores$x; low <- scores$low; high <- scores$high; polytomous <- scores$polytomous
filled <- scores$filled; matching <- scores$matching; base <- scores$base

cmh_gaps <- 0
rows <- lapply(seq_along(items), function(k) {
  j <- items[k]
  y <- x[, j]
  score <- base + if (j %in% matching) 0 else filled[, j]
  keep <- !is.na(y)
  y <- y[keep]; gk <- g[keep]; t <- score[keep]
  # Levels where every group has an examinee of the item.
  used <- Reduce(intersect, lapply(0:(G - 1), function(h) unique(t[gk == h])))
  d <- numeric(G - 1); V <- matrix(0, G - 1, G - 1)
  for (level in used) {
    at <- t == level
    yl <- y[at]; gl <- gk[at]; N <- length(yl)
    if (N < 2) next
    n <- sapply(1:(G - 1), function(h) sum(gl == h))
    f <- sapply(1:(G - 1), function(h) sum(yl[gl == h]))
    ybar <- mean(yl); s2 <- mean(yl^2) - ybar^2
    d <- d + f - n * ybar
    V <- V + s2 * N / (N - 1) * (diag(n, G - 1) - outer(n, n) / N)
  }
  gmh <- as.numeric(t(d) %*% solve(V, d))
  if (!polytomous[k]) {
    # R's generalized CMH on the same tables, for 0/1 items.
    at <- t %in% used
    tables <- table(factor(gk[at], levels = 0:(G - 1)), factor(y[at], levels = 0:1),
                    factor(t[at]))
    tables <- tables[, , apply(tables, 3, sum) > 1, drop = FALSE]
    cmh <- unname(mantelhaen.test(tables)$statistic)
    cmh_gaps <<- max(cmh_gaps, abs(cmh - gmh) / gmh)
  }

  xc <- t - mean(t)
  gf <- factor(gk, levels = 0:(G - 1))
  if (polytomous[k]) {
    yf <- factor(y)
    control <- clm.control(gradTol = 1e-12, maxIter = 200)
    counts <- table(y)
    null <- sum(counts * log(counts / length(y)))
    fits <- list(clm(yf ~ xc, link = "logit", control = control),
                 clm(yf ~ xc + gf, link = "logit", control = control),
                 clm(yf ~ xc * gf, link = "logit", control = control))
  } else {
    control <- glm.control(epsilon = 1e-14, maxit = 100)
    m <- mean(y)
    null <- length(y) * (m * log(m) + (1 - m) * log(1 - m))
    fits <- list(glm(y ~ xc, family = binomial, control = control),
                 glm(y ~ xc + gf, family = binomial, control = control),
                 glm(y ~ xc * gf, family = binomial, control = control))
  }
  loglik <- sapply(fits, function(f) as.numeric(logLik(f)))
  r2 <- nagelkerke(loglik, null, length(y))
  lr <- 2 * (loglik[3] - loglik[1])
  lr_p <- upper_tail(lr, 2 * (G - 1))
  delta <- r2[3] - r2[1]
  data.frame(item = j, n = length(y),
             gmh_chi_square = gmh, gmh_p = upper_tail(gmh, G - 1),
             lr_chi_square = lr, lr_p = lr_p,
             lr_uniform_chi_square = 2 * (loglik[2] - loglik[1]),
             lr_uniform_p = upper_tail(2 * (loglik[2] - loglik[1]), G - 1),
             lr_nonuniform_chi_square = 2 * (loglik[3] - loglik[2]),
             lr_nonuniform_p = upper_tail(2 * (loglik[3] - loglik[2]), G - 1),
             lr_delta_r2 = delta, lr_uniform_delta_r2 = r2[2] - r2[1],
             zumbo_thomas_class = zumbo_thomas(delta, lr_p, alpha_level),
             jodoin_gierl_class = jodoin_gierl(delta, lr_p, alpha_level))
})
r <- do.call(rbind, rows)
cat(sprintf("%d items, %d groups; generalized MH against mantelhaen.test on the 0/1 items: %s\n",
            nrow(r), G, if (any(!polytomous)) sprintf("%.3e", cmh_gaps) else "none"))
report_differences(r, ours[match(r$item, ours$item), ],
                   c("zumbo_thomas_class", "jodoin_gierl_class"))
