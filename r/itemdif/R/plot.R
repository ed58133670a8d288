# The report's two figures in base graphics: every item's MH D-DIF with its 95 % interval over
# the bands of the ETS classes, and one item's empirical curves (mean score by level per group).

plot.itemdif <- function(x, item = NULL, focal = NULL, ...) {
  if (is.null(item)) dif_plot(x, focal, ...) else curve_plot(x, item, focal, ...)
  invisible(x)
}

comparison_values <- function(x, focal) {
  values <- unique(x$items$focal)
  if (is.null(focal)) return(values)
  focal <- as.character(focal)
  unknown <- setdiff(focal, values)
  if (length(unknown))
    stop("focal: \"", unknown[1], "\" is none of the comparisons' focal values (",
         paste0("\"", values, "\"", collapse = ", "), ")", call. = FALSE)
  focal
}

# One mark per comparison, one below the other in each item's row.
dif_plot <- function(x, focal = NULL, ...) {
  comparisons <- comparison_values(x, focal)
  names <- unique(x$items$item)
  colours <- group_colours(length(comparisons))
  rows <- x$items[x$items$focal %in% comparisons, ]
  # The interval's ends as the analysis gives them to the report.
  ends <- interval_ends(x, rows)
  reach <- max(2, abs(c(rows$mh_d_dif, ends$low, ends$high)), na.rm = TRUE)
  reach <- min(reach, 8)  # an interval beyond is clipped, its end marked

  old <- par(mar = c(4.5, max(4, max(nchar(names)) * 0.6 + 1), 3, 1))
  on.exit(par(old))
  plot.new()
  plot.window(xlim = c(-reach, reach), ylim = c(length(names) + 0.5, 0.5), yaxs = "i")
  rect(-1.5, 0.5, 1.5, length(names) + 0.5, col = "grey95", border = NA)
  rect(-1, 0.5, 1, length(names) + 0.5, col = "grey90", border = NA)
  abline(v = c(-1.5, -1, 1, 1.5), lty = 2, col = "grey50")
  abline(v = 0, col = "grey40")
  step <- if (length(comparisons) > 1) 0.6 / length(comparisons) else 0
  for (k in seq_along(comparisons)) {
    in_comparison <- rows$focal == comparisons[k]
    mine <- rows[in_comparison, ]
    y <- match(mine$item, names) + (k - (length(comparisons) + 1) / 2) * step
    d <- mine$mh_d_dif
    defined <- !is.na(d)
    low <- ends$low[in_comparison]
    high <- ends$high[in_comparison]
    lo <- pmax(low, -reach)
    hi <- pmin(high, reach)
    has_interval <- defined & !is.na(lo) & !is.na(hi)
    segments(lo[has_interval], y[has_interval], hi[has_interval], y[has_interval], col = colours[k])
    clipped <- has_interval & (low < -reach | high > reach)
    if (any(clipped))
      points(ifelse(hi[clipped] >= reach, reach, -reach)[seq_len(sum(clipped))], y[clipped],
             pch = 4, col = colours[k], cex = 0.7)
    points(pmax(pmin(d[defined], reach), -reach), y[defined], pch = 19, col = colours[k])
    if (any(!defined))
      text(0, y[!defined], "D-DIF undefined", cex = 0.7, col = "grey30")
  }
  axis(1)
  axis(2, at = seq_along(names), labels = names, las = 1, cex.axis = 0.8)
  box()
  title(xlab = "MH D-DIF (negative: favours the reference group)",
        main = "MH D-DIF with 95 % intervals")
  mtext("bands: |D| < 1 (A), 1 to 1.5 (B); beyond 1.5: C where significant", side = 3,
        line = 0.3, cex = 0.75)
  if (length(comparisons) > 1)
    legend("topright", legend = comparisons, col = colours, pch = 19, bg = "white", cex = 0.8,
           title = "focal group")
}

# The ends of the MH D-DIF interval of `rows` (items of x$items).
interval_ends <- function(x, rows) {
  values <- attr(x, "report_values")
  at <- match(paste(rows$item, rows$focal, sep = "\r"), paste(values$item, values$focal, sep = "\r"))
  list(low = values$mh_d_dif_low[at], high = values$mh_d_dif_high[at])
}

# The item's curves in each comparison: the reference and the focal group's mean score at each
# level's mid-score, lines through the used levels, points sized by the examinees and hollow
# where the level is unused.
curve_plot <- function(x, item, focal = NULL, ...) {
  if (!is.character(item) || length(item) != 1L || !item %in% x$items$item)
    stop("item: must be the name of one item of the analysis", call. = FALSE)
  comparisons <- comparison_values(x, focal)
  old <- par(mfrow = n_panels(length(comparisons)))
  on.exit(par(old))
  for (value in comparisons) {
    levels <- x$levels[x$levels$item == item & x$levels$focal == value, ]
    result <- x$items[x$items$item == item & x$items$focal == value, ]
    means <- level_means(levels)
    plot.new()
    plot.window(xlim = range(c(means$low, means$high)),
                ylim = c(result$score_min, result$score_max))
    groups <- list(list(n = means$n_reference, mean = means$mean_reference, colour = "#1f5fa8",
                        pch = c(1, 19), name = x$groups$value[1]),
                   list(n = means$n_focal, mean = means$mean_focal, colour = "#c2410c",
                        pch = c(0, 15), name = value))
    biggest <- max(c(means$n_reference, means$n_focal), 1)
    for (g in groups) {
      used <- means$used & g$n > 0
      lines(means$mid[used], g$mean[used], col = g$colour, lwd = 2)
      shown <- g$n > 0
      points(means$mid[shown], g$mean[shown], col = g$colour,
             pch = ifelse(means$used[shown], g$pch[2], g$pch[1]),
             cex = 0.6 + 1.4 * sqrt(g$n[shown] / biggest))
    }
    axis(1)
    axis(2, las = 1)
    box()
    class <- if (is.na(result$ets_class)) "ETS class undefined" else paste("ETS", result$ets_class)
    d <- if (is.na(result$mh_d_dif)) "" else sprintf(", D-DIF %.2f", result$mh_d_dif)
    title(main = paste0(item, ": ", class, d),
          xlab = "matching score (level mid-point)",
          ylab = if (result$score_max - result$score_min == 1) "proportion correct" else "mean score")
    legend("topleft", legend = c(groups[[1]]$name, groups[[2]]$name),
           col = c(groups[[1]]$colour, groups[[2]]$colour), pch = c(19, 15), lwd = 2,
           bg = "white", cex = 0.8)
  }
}

# A comparison's levels of one item as one row per level: its bounds, use, examinees and mean
# score of each group.
level_means <- function(levels) {
  by_level <- split(levels, levels$level)
  rows <- lapply(by_level, function(l) {
    n_reference <- sum(l$n_reference, na.rm = TRUE)
    n_focal <- sum(l$n_focal, na.rm = TRUE)
    data.frame(level = l$level[1], low = l$low[1], high = l$high[1],
               mid = (l$low[1] + l$high[1]) / 2, used = l$used[1],
               n_reference = n_reference, n_focal = n_focal,
               mean_reference = if (n_reference > 0) sum(l$score * l$n_reference) / n_reference else NA,
               mean_focal = if (n_focal > 0) sum(l$score * l$n_focal) / n_focal else NA)
  })
  do.call(rbind, unname(rows))
}

n_panels <- function(n) {
  columns <- ceiling(sqrt(n))
  c(ceiling(n / columns), columns)
}

group_colours <- function(n) {
  base <- c("#c2410c", "#15803d", "#7c3aed", "#b45309", "#0e7490", "#be185d")
  if (n <= length(base)) base[seq_len(n)] else grDevices::hcl.colors(n, "Dark 3")
}
