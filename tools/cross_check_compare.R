# The comparison both cross-check scripts print: for each class column the items whose class
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

