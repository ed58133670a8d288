# Recomputes SIBTEST and crossing SIBTEST in R from a data file, written out from the formulas
# on the examinees' scores (no count tables, no package), and compares them with itemdif's
# items.csv: the worst relative difference per column and the items whose class differs.
#
# usage: Rscript tools/cross_check_sib.R DATA.csv GROUP FOCAL REFERENCE ITEMS.csv
#                                        [MAX_SCORE] [SIB_MIN] [MISSING_CODES] [ALPHA]
#        Rscript tools/cross_check_sib.R --self-test
# For a run with --purify none --methods mh,sib --missing excluded: the subtest of item j is
# every other item of items.csv, a missing response counted as that item's score_min in X; the
# examinees are those who answered j; the item variances of coefficient alpha are those of the
# same filled scores over each group's examinees of j. MISSING_CODES: codes such as 9,99 as
# given to --missing-codes. --self-test runs the tables of tests/stats/sibtest_test.cpp.

# What the class and the crossing need of the comparison's settings.
sib_class <- function(beta, p, alpha, range) {
  r <- abs(beta) / range
  if (r < 0.059 || p >= alpha) return("A")
  paste0(if (r >= 0.088) "C" else "B", if (beta < 0) "-" else "+")
}

# x, y, g (0 reference, 1 focal): the subtest score, the studied score and the group of each
# examinee of the item; items: the subtest's size; item_var: per group (reference, focal) the
# sum of the subtest items' variances.
sibtest_r <- function(x, y, g, items, item_var, sib_min = 6, alpha = 0.05, range = 1) {
  none <- list(sib_beta = NA, sib_se = NA, sib_chi_square = NA, sib_p = NA, sib_class = NA,
               csib_beta = NA, csib_chi_square = NA, csib_df = NA, csib_p = NA,
               csib_crossing = NA, rho_reference = NA, rho_focal = NA, strata = integer(0))
  if (items < 2) return(none)
  rho <- c(NA, NA); xbar <- c(NA, NA)
  for (h in 0:1) {
    xs <- x[g == h]
    if (length(xs) < 2 || var(xs) == 0) return(none)
    xbar[h + 1] <- mean(xs)
    rho[h + 1] <- items / (items - 1) * (1 - item_var[h + 1] / var(xs))
  }
  none$rho_reference <- rho[1]; none$rho_focal <- rho[2]
  if (any(rho <= 0)) return(none)

  ybar <- function(h, at) mean(y[g == h & x == at])
  scores <- sort(unique(x))
  kept <- data.frame(k = numeric(0), n = numeric(0), d = numeric(0), v = numeric(0))
  for (k in scores[-c(1, length(scores))]) {
    ok <- TRUE; ystar <- c(0, 0); V <- c(0, 0); M <- c(0, 0); yk <- c(0, 0); terms <- 0
    for (h in 0:1) {
      yh <- y[g == h & x == k]
      below <- x[g == h & x < k]; above <- x[g == h & x > k]
      if (length(yh) < sib_min || var(yh) == 0 || length(below) == 0 || length(above) == 0) {
        ok <- FALSE; break
      }
      a <- max(below); b <- min(above)
      V[h + 1] <- xbar[h + 1] + rho[h + 1] * (k - xbar[h + 1])
      M[h + 1] <- (ybar(h, b) - ybar(h, a)) / (rho[h + 1] * (b - a))
      yk[h + 1] <- mean(yh)
      terms <- terms + var(yh) / length(yh)
    }
    if (!ok) next
    ystar <- yk + M * (mean(V) - V)
    kept <- rbind(kept, data.frame(k = k, n = sum(x == k), d = ystar[2] - ystar[1], v = terms))
  }
  if (nrow(kept) == 0) return(none)
  p <- kept$n / sum(kept$n)
  beta <- sum(p * kept$d); se <- sqrt(sum(p^2 * kept$v))
  chi <- (beta / se)^2
  pv <- pchisq(chi, 1, lower.tail = FALSE)

  crossing <- NA
  if (nrow(kept) > 1) {
    b <- coef(lm(d ~ k, data = kept, weights = p))
    if (b[2] != 0) crossing <- unname(-b[1] / b[2])
  }
  upper <- if (is.na(crossing)) rep(FALSE, nrow(kept)) else kept$k > crossing
  side_beta <- c(sum((p * kept$d)[!upper]), sum((p * kept$d)[upper]))
  side_var <- c(sum((p^2 * kept$v)[!upper]), sum((p^2 * kept$v)[upper]))
  used <- c(any(!upper), any(upper)) & side_var > 0
  csib_chi <- sum((side_beta^2 / side_var)[used])
  list(sib_beta = beta, sib_se = se, sib_chi_square = chi, sib_p = pv,
       sib_class = sib_class(beta, pv, alpha, range),
       csib_beta = abs(side_beta[2] - side_beta[1]), csib_chi_square = csib_chi,
       csib_df = sum(used), csib_p = pchisq(csib_chi, sum(used), lower.tail = FALSE),
       csib_crossing = crossing, rho_reference = rho[1], rho_focal = rho[2], strata = kept$k)
}

# The tables of the C++ tests as examinees, with the values worked out there by hand.
self_test <- function() {
  # rows: x = 0, 1, ... of {reference wrong, right, focal wrong, right}
  zero_one <- function(rows) {
    e <- data.frame(x = numeric(0), y = numeric(0), g = numeric(0))
    for (i in seq_along(rows)) for (h in 0:1) for (s in 0:1) {
      n <- rows[[i]][2 * h + s + 1]
      e <- rbind(e, data.frame(x = rep(i - 1, n), y = rep(s, n), g = rep(h, n)))
    }
    e
  }
  worst <- 0
  check <- function(label, got, expected) {
    relative <- abs(got - expected) / max(abs(expected), 1e-300)
    worst <<- max(worst, relative)
    cat(sprintf("%-44s %22.15g %22.15g %9.2e\n", label, got, expected, relative))
  }
  run <- function(e, items, item_var, ...) sibtest_r(e$x, e$y, e$g, items, item_var, ...)
  z <- function(beta, se) (beta / se)^2

  shifted <- zero_one(list(c(2, 0, 3, 0), c(2, 2, 3, 1), c(1, 3, 2, 2), c(0, 2, 0, 1)))
  v <- run(shifted, 3, c(0.5, 123 / 220), sib_min = 2)
  check("shifted rho_R", v$rho_reference, 0.75)
  check("shifted rho_F", v$rho_focal, 0.6)
  check("shifted beta", v$sib_beta, -777 / 3840)
  check("shifted se", v$sib_se, sqrt(7 / 96))
  check("shifted chi-square", v$sib_chi_square, z(-777 / 3840, sqrt(7 / 96)))
  check("shifted crossing", v$csib_crossing, 597 / 139)
  check("shifted csib df", v$csib_df, 1)
  stopifnot(v$sib_class == "A")

  alike <- zero_one(list(c(1, 1, 2, 0), c(2, 1, 1, 2), c(1, 1, 1, 1), c(1, 1, 0, 2)))
  v <- run(alike, 3, c(0.5, 0.5), sib_min = 2)
  check("min 2 beta", v$sib_beta, 0.2)
  check("min 2 se", v$sib_se, 0.4)
  v <- run(alike, 3, c(0.5, 0.5), sib_min = 3)
  check("min 3 beta", v$sib_beta, 1 / 3)
  check("min 3 se", v$sib_se, sqrt(2 / 9))
  stopifnot(identical(v$strata, 1), is.na(run(alike, 3, c(0.5, 0.5), sib_min = 4)$sib_beta))

  gap <- zero_one(list(c(1, 1, 2, 0), c(1, 1, 0, 0), c(1, 1, 1, 1), c(1, 1, 1, 1),
                       c(1, 1, 0, 2)))
  v <- run(gap, 4, c(8 / 9, 1.375), sib_min = 2)
  check("gap beta", v$sib_beta, 1 / 288)
  check("gap se", v$sib_se, 0.5)
  check("gap crossing", v$csib_crossing, 2.4)
  check("gap csib chi-square", v$csib_chi_square, 13 / 10368)
  check("gap csib df", v$csib_df, 2)
  check("gap csib p", v$csib_p, exp(-13 / 20736))
  check("gap csib beta", v$csib_beta, 1 / 96 + 1 / 144)

  at_c <- zero_one(list(c(1, 1, 1, 1), c(1, 3, 3, 1), c(4, 4, 3, 5), c(3, 1, 2, 2),
                       c(1, 1, 1, 1)))
  v <- run(at_c, 4, c(0.5, 0.5), sib_min = 2)
  check("at c crossing", v$csib_crossing, 2)
  check("at c csib beta", v$csib_beta, 1 / 8)
  check("at c csib chi-square", v$csib_chi_square, 184 / 315)

  level <- zero_one(list(c(1, 1, 1, 1), c(2, 1, 1, 2), c(2, 1, 1, 2), c(1, 1, 1, 1)))
  v <- run(level, 3, c(0.5, 0.5), sib_min = 2)
  check("flat beta", v$sib_beta, 1 / 3)
  check("flat csib chi-square", v$csib_chi_square, 1)
  stopifnot(is.na(v$csib_crossing))

  poly <- rbind(
    data.frame(x = 0, y = rep(c(0, 1), each = 10), g = 0),
    data.frame(x = 1, y = rep(c(1, 2, 3), each = 10), g = 0),
    data.frame(x = 2, y = rep(c(3, 4), each = 10), g = 0),
    data.frame(x = 0, y = rep(c(0, 0, 1), each = 10), g = 1),
    data.frame(x = 1, y = rep(c(0, 1, 2), each = 10), g = 1),
    data.frame(x = 2, y = rep(4, 10), g = 1))
  v <- run(poly, 2, c(0.75 * 40 / 69, 0.75 * 80 / 161), range = 4)
  check("polytomous rho_R", v$rho_reference, 0.5)
  check("polytomous beta", v$sib_beta, -11 / 21)
  check("polytomous se", v$sib_se, sqrt(4 / 87))
  stopifnot(v$sib_class == "C-",
            run(poly, 2, c(0.75 * 40 / 69, 0.75 * 80 / 161), range = 8)$sib_class == "B-")
  cat(sprintf("worst relative difference %.2e\n", worst))
  if (worst > 1e-12) quit(status = 1)
}

args <- commandArgs(trailingOnly = TRUE)
if (length(args) >= 1 && args[1] == "--self-test") {
  self_test()
  quit(status = 0)
}
if (length(args) < 5) stop("usage: cross_check_sib.R DATA.csv GROUP FOCAL REFERENCE ITEMS.csv ",
                           "[MAX_SCORE] [SIB_MIN] [MISSING_CODES] [ALPHA]")
group <- args[2]; focal_value <- args[3]; reference_value <- args[4]
max_score <- if (length(args) >= 6) as.numeric(args[6]) else 1
sib_min <- if (length(args) >= 7) as.numeric(args[7]) else 6
codes <- if (length(args) >= 8 && nzchar(args[8])) strsplit(args[8], ",")[[1]] else character(0)
alpha <- if (length(args) >= 9) as.numeric(args[9]) else 0.05

data <- read.csv(args[1], colClasses = "character", na.strings = c("", "NA", "."))
ours <- read.csv(args[5], colClasses = c(item = "character", focal = "character",
                                         sib_class = "character", note = "character"),
                 na.strings = "")
ours <- ours[ours$focal == focal_value, ]
items <- ours$item
data <- data[!is.na(data[[group]]) & data[[group]] %in% c(focal_value, reference_value), ]
g_all <- as.numeric(data[[group]] == focal_value)
x <- sapply(items, function(j) {
  v <- data[[j]]
  v[v %in% codes] <- NA
  as.numeric(v)
})
if (any(!is.na(x) & (x < 0 | x > max_score | x != round(x))))
  stop("a score outside 0..", max_score)
# 0..1 for a 0/1 item, otherwise its smallest and largest score.
low <- apply(x, 2, min, na.rm = TRUE); high <- apply(x, 2, max, na.rm = TRUE)
dichotomous <- low >= 0 & high <= 1
low[dichotomous] <- 0; high[dichotomous] <- 1
filled <- x
for (j in seq_along(items)) filled[is.na(x[, j]), j] <- low[j]

rows <- lapply(seq_along(items), function(j) {
  answered <- !is.na(x[, j])
  others <- filled[answered, -j, drop = FALSE]
  g <- g_all[answered]
  item_var <- sapply(0:1, function(h) sum(apply(others[g == h, , drop = FALSE], 2, var)))
  v <- sibtest_r(rowSums(others), x[answered, j], g, ncol(others), item_var,
                 sib_min, alpha, high[j] - low[j])
  v$strata <- NULL; v$rho_reference <- NULL; v$rho_focal <- NULL
  data.frame(item = items[j], v, stringsAsFactors = FALSE)
})
r <- do.call(rbind, rows)
columns <- c("sib_beta", "sib_se", "sib_chi_square", "sib_p", "csib_beta", "csib_chi_square",
             "csib_df", "csib_p", "csib_crossing")
cat(sprintf("%d items, focal %s against reference %s\n", nrow(r), focal_value, reference_value))
classes_differ <- which(r$sib_class %in% c(NA) != ours$sib_class %in% c(NA) |
                        (!is.na(r$sib_class) & !is.na(ours$sib_class) &
                         r$sib_class != ours$sib_class))
cat(sprintf("%-16s %d of %d items differ%s\n", "sib_class", length(classes_differ), nrow(r),
            if (length(classes_differ) > 0)
              paste0(": ", paste(sprintf("%s (R %s, ours %s)", r$item[classes_differ],
                                         r$sib_class[classes_differ],
                                         ours$sib_class[classes_differ]), collapse = ", "))
            else ""))
worst <- 0
for (column in columns) {
  theirs <- as.numeric(r[[column]]); mine <- as.numeric(ours[[column]])
  both <- !is.na(theirs) & !is.na(mine)
  one_side <- which(is.na(theirs) != is.na(mine))
  relative <- if (any(both))
    max(abs(mine[both] - theirs[both]) / pmax(abs(theirs[both]), 1e-300)) else 0
  worst <- max(worst, relative)
  cat(sprintf("%-16s worst relative difference %.3e%s\n", column, relative,
              if (length(one_side) > 0)
                sprintf("  (defined on one side only: %s)",
                        paste(r$item[one_side], collapse = ", ")) else ""))
}
cat(sprintf("worst of all columns: %.3e\n", worst))
