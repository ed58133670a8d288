# What the cross-check scripts share: the item scores and matching scores of a data file, the
# upper tails, Nagelkerke's R², the effect-size classes, and the comparison they print.

upper_tail <- function(stat, df) pchisq(stat, df, lower.tail = FALSE)
nagelkerke <- function(loglik, null, n) (1 - exp(2 * (null - loglik) / n)) / (1 - exp(2 * null / n))
effect <- function(d, p, alpha, b_from, c_above)
  ifelse(!(p < alpha), "A", ifelse(d > c_above, "C", ifelse(d >= b_from, "B", "A")))
zumbo_thomas <- function(d, p, alpha) effect(d, p, alpha, 0.13, 0.26)
jodoin_gierl <- function(d, p, alpha) effect(d, p, alpha, 0.035, 0.070)

# The items of `data` as numbers (examinees x items), their ranges, and the matching base: the
# sum over the items not `flagged`, a missing response counted as the item's lowest score (0
# for a 0/1 item). An item outside the matching set adds its own `filled` score to `base`.
item_scores <- function(data, items, flagged) {
  x <- sapply(items, function(j) as.numeric(data[[j]]))
  low <- apply(x, 2, min, na.rm = TRUE); high <- apply(x, 2, max, na.rm = TRUE)
  polytomous <- !(low >= 0 & high <= 1)
  filled <- x
  for (j in seq_along(items)) filled[is.na(x[, j]), j] <- ifelse(polytomous[j], low[j], 0)
  matching <- setdiff(items, flagged)
  list(x = x, low = low, high = high, polytomous = polytomous, filled = filled,
       matching = matching, base = rowSums(filled[, matching, drop = FALSE]))
}

# The comparison the cross-check scripts print: for each class column the items whose class
# differs, for each other column the worst relative difference between R's values `r` and
# itemdif's `ours` (rows in the same item order), and the worst of all columns.
report_differences <- function(r, ours, classes) {
  stopifnot(identical(r$item, ours$item))
  for (column in classes)
    cat(sprintf("%-26s %d of %d items differ\n", column,
                sum(r[[column]] != ours[[column]], na.rm = TRUE), nrow(r)))
  worst <- 0
  for (column in setdiff(names(r), c("item", classes))) {
    theirs <- r[[column]]; mine <- ours[[column]]
    both <- !is.na(theirs) & !is.na(mine)
    mismatched <- sum(is.na(theirs) != is.na(mine))
    relative <- if (any(both))
      max(abs(mine[both] - theirs[both]) / pmax(abs(theirs[both]), 1e-300)) else 0
    worst <- max(worst, relative)
    cat(sprintf("%-26s worst relative difference %.3e%s\n", column, relative,
                if (mismatched > 0) sprintf("  (%d defined on one side only)", mismatched) else ""))
  }
  cat(sprintf("worst of all columns: %.3e\n", worst))
}

