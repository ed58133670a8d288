# What an itemdif object offers besides its tables: the program's summary, a count of the
# classes, the tables as data frames and the results files.

print.itemdif <- function(x, ...) {
  cat(attr(x, "summary_text"))
  invisible(x)
}

as.data.frame.itemdif <- function(x, row.names = NULL, optional = FALSE,
                                  table = c("items", "levels", "coefficients", "overall"), ...) {
  table <- match.arg(table)
  frame <- x[[table]]
  if (is.null(frame)) stop("the analysis has no overall table: it has one focal group", call. = FALSE)
  if (!is.null(row.names)) row.names(frame) <- row.names
  frame
}

summary.itemdif <- function(object, ...) {
  items <- object$items
  all_classes <- items$ets_class
  all_classes[is.na(all_classes)] <- "undefined"
  class_levels <- ets_classes(all_classes)
  comparisons <- lapply(split(items, factor(items$focal, levels = unique(items$focal))), function(rows) {
    classes <- rows$ets_class
    classes[is.na(classes)] <- "undefined"
    purification <- object$purification[!is.na(object$purification$focal) &
                                          object$purification$focal == rows$focal[1], ]
    data.frame(focal = rows$focal[1], items = nrow(rows),
               flagged = sum(rows$flagged),
               rounds = purification$rounds, converged = purification$converged,
               t(as.matrix(table(factor(classes, levels = class_levels)))),
               check.names = FALSE, row.names = NULL)
  })
  comparisons <- do.call(rbind, unname(comparisons))
  flagged <- items[items$flagged, c("item", "focal", "mh_d_dif", "mh_p", "ets_class", "std_p_dif",
                                    "lr_p", "note")]
  overall <- NULL
  if (!is.null(object$overall))
    overall <- object$overall[object$overall$flagged,
                              c("item", "gmh_chi_square", "gmh_df", "gmh_p", "gmh_p_adjusted", "note")]
  structure(list(groups = object$groups, rows_left_out = object$rows_left_out,
                 comparisons = comparisons, flagged = flagged, overall_flagged = overall),
            class = "summary.itemdif")
}

# The ETS classes in the order of the scale: the 0/1 items', then the polytomous items'.
ets_classes <- function(seen) {
  known <- c("A", "B-", "B+", "C-", "C+", "AA", "BB-", "BB+", "CC-", "CC+", "undefined")
  present <- known[known %in% seen | known %in% c("A", "B-", "B+", "C-", "C+")]
  c(present, setdiff(unique(seen), known))
}

print.summary.itemdif <- function(x, ...) {
  groups <- x$groups
  cat("Groups: ", paste0(groups$group, " \"", groups$value, "\" ", groups$n, collapse = ", "),
      "; rows left out: ", x$rows_left_out, "\n\n", sep = "")
  cat("ETS classes by comparison:\n")
  print(x$comparisons, row.names = FALSE)
  cat("\nFlagged items:")
  if (nrow(x$flagged) == 0L) cat(" none\n") else {
    cat("\n")
    print(x$flagged, row.names = FALSE, digits = 4)
  }
  if (!is.null(x$overall_flagged)) {
    cat("\nFlagged by the overall analysis (generalized Mantel-Haenszel):")
    if (nrow(x$overall_flagged) == 0L) cat(" none\n") else {
      cat("\n")
      print(x$overall_flagged, row.names = FALSE, digits = 4)
    }
  }
  invisible(x)
}
