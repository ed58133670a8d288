# dif(): the arguments checked and put as the command line's option texts, the data frame
# handed to the compiled analysis as it is, the tables made data frames.

dif <- function(data, group, focal, reference = NULL, items = NULL, id = NULL,
                max_score = NULL, missing = NULL, missing_codes = NULL, levels = NULL,
                min_per_group = NULL, purify = NULL, max_rounds = NULL, flag = NULL,
                alpha = NULL, adjust = NULL, methods = NULL, sib_min = NULL, bundle = NULL,
                anchor = NULL, match = NULL,
                threads = getOption("itemdif.threads", 0L)) {
  call <- match.call()
  input <- paste(deparse(substitute(data), width.cutoff = 500L), collapse = " ")
  if (!is.data.frame(data)) argument_error("data: must be a data frame", call)
  # An argument left NULL keeps the program's default.
  arguments <- list(
    input = input,
    group = one_text(group, "group", call),
    focal = focal_texts(focal, call),
    reference = if (!is.null(reference)) group_text(reference, "reference", call),
    items = item_list(items, names(data), call),
    id = if (!is.null(id)) one_text(id, "id", call),
    missing_codes = code_list(missing_codes, call),
    max_score = if (!is.null(max_score)) whole_number(max_score, "max_score", call),
    missing = choice(missing, "missing", call),
    levels = if (!is.null(levels)) level_text(levels, call),
    min_per_group = if (!is.null(min_per_group))
      whole_number(min_per_group, "min_per_group", call, least = 1),
    purify = choice(purify, "purify", call),
    max_rounds = if (!is.null(max_rounds)) whole_number(max_rounds, "max_rounds", call, least = 1),
    flag = choice(flag, "flag", call),
    alpha = if (!is.null(alpha)) one_number(alpha, "alpha", call),
    adjust = choice(adjust, "adjust", call),
    methods = choice(methods, "methods", call),
    sib_min = if (!is.null(sib_min)) whole_number(sib_min, "sib_min", call),
    bundle = bundle_texts(bundle, names(data), call),
    anchor = item_list(anchor, names(data), call, "anchor"),
    match = if (!is.null(match)) one_text(match, "match", call),
    threads = whole_number(threads, "threads", call, least = 0)
  )
  data <- prepared_columns(data, arguments$group)
  tables <- dif_run(data, as.double(nrow(data)), arguments)
  if (!is.null(tables$error)) raise(tables, call)
  result <- list(
    items = list2DF(tables$items),
    levels = list2DF(tables$levels),
    coefficients = list2DF(tables$coefficients),
    overall = if (!is.null(tables$overall)) list2DF(tables$overall),
    bundles = if (!is.null(tables$bundles)) list2DF(tables$bundles),
    rounds = list2DF(tables$rounds),
    purification = list2DF(tables$purification),
    groups = list2DF(tables$groups),
    rows_read = tables$rows_read,
    rows_left_out = tables$rows_left_out,
    listwise_left_out = tables$listwise_left_out,
    settings = tables$settings,
    call = call
  )
  structure(result, class = "itemdif", summary_text = tables$summary,
            report_values = list2DF(tables$report_values), run = tables$run)
}

write_results <- function(x, dir) {
  if (!inherits(x, "itemdif")) argument_error("x: must be the result of dif()", sys.call())
  dir <- one_text(dir, "dir", sys.call())
  failed <- write_results_run(attr(x, "run"), path.expand(dir))
  if (!is.null(failed)) raise(failed, sys.call())
  invisible(dir)
}

# ---------------------------------------------------------------- errors

raise <- function(failure, call) {
  kind <- switch(failure$error, usage = "itemdif_argument_error", input = "itemdif_input_error",
                 output = "itemdif_output_error")
  stop(structure(class = c(kind, "itemdif_error", "error", "condition"),
                 list(message = failure$message, call = call)))
}

argument_error <- function(message, call) {
  raise(list(error = "usage", message = message), call)
}

# ---------------------------------------------------------------- arguments as option texts

one_text <- function(value, name, call) {
  if (!is.character(value) || length(value) != 1L || is.na(value))
    argument_error(paste0(name, ": must be a single text"), call)
  value
}

one_number <- function(value, name, call) {
  if (!is.numeric(value) || length(value) != 1L || is.na(value))
    argument_error(paste0(name, ": must be a single number"), call)
  as.double(value)
}

whole_number <- function(value, name, call, least = NULL) {
  value <- one_number(value, name, call)
  if (value != round(value) || abs(value) > .Machine$integer.max)
    argument_error(paste0(name, ": ", format(value), " is not a whole number"), call)
  if (!is.null(least) && value < least)
    argument_error(paste0(name, ": must be at least ", least, ", not ", format(value)), call)
  as.integer(value)
}

# An option that takes names, as the program lists them: a name may be shortened where that
# leaves one (as match.arg() does); a name the program does not know goes to it as given, and
# its message says what the names are.
choice <- function(value, name, call) {
  if (is.null(value)) return(NULL)
  option <- option_choices()[[name]]
  if (!is.character(value) || length(value) == 0L || anyNA(value) ||
      (!option$several && length(value) != 1L))
    argument_error(paste0(name, ": must be ", if (option$several) "one or more of " else "one of ",
                          paste(option$names, collapse = ", ")), call)
  matched <- option$names[pmatch(value, option$names, duplicates.ok = TRUE)]
  value[!is.na(matched)] <- matched[!is.na(matched)]
  paste(value, collapse = ",")
}

# A group value as the data frame's values read: text as it is, a number as its decimal text
# (a factor or a labelled value by its label or its number).
group_text <- function(value, name, call) {
  if (is.factor(value)) value <- as.character(value)
  if (!is.atomic(value) || length(value) != 1L || is.na(value))
    argument_error(paste0(name, ": must be a single value"), call)
  as.character(unclass(value))
}

focal_texts <- function(focal, call) {
  if (is.factor(focal)) focal <- as.character(focal)
  if (!is.atomic(focal) || length(focal) == 0L || anyNA(focal))
    argument_error("focal: must be one or more values, none of them NA", call)
  as.character(unclass(focal))
}

# Item columns by name, range "first:last" or position.
item_list <- function(items, columns, call, name = "items") {
  if (is.null(items)) return(NULL)
  if (is.numeric(items)) {
    if (anyNA(items) || any(items != round(items)) || any(items < 1) || any(items > length(columns)))
      argument_error(paste0(name, ": positions must be whole numbers from 1 to ", length(columns)),
                     call)
    items <- columns[items]
  }
  if (!is.character(items) || length(items) == 0L || anyNA(items))
    argument_error(paste0(name, ": must be column names (or ranges such as q1:q20) or positions"),
                   call)
  paste(items, collapse = ",")
}

# Bundles as the program's NAME=LIST texts: a named list (or named vector) of items, each as
# item_list() takes them.
bundle_texts <- function(bundle, columns, call) {
  if (is.null(bundle)) return(NULL)
  bundle_names <- names(bundle)
  if (!(is.list(bundle) || is.character(bundle)) || length(bundle) == 0L ||
      is.null(bundle_names) || anyNA(bundle_names) || any(bundle_names == ""))
    argument_error("bundle: must be a named list of items, e.g. list(passage1 = c(\"q1\", \"q2\"))",
                   call)
  vapply(seq_along(bundle), function(k) {
    paste0(bundle_names[[k]], "=",
           item_list(bundle[[k]], columns, call, paste0("bundle ", bundle_names[[k]])))
  }, character(1))
}

code_list <- function(codes, call) {
  if (is.null(codes)) return(NULL)
  if (!is.atomic(codes) || anyNA(codes))
    argument_error("missing_codes: must be numbers or texts, none of them NA", call)
  paste(as.character(codes), collapse = ",")
}

level_text <- function(levels, call) {
  if (is.numeric(levels) && length(levels) == 1L && !is.na(levels)) {
    if (levels != round(levels)) argument_error("levels: a count of levels must be a whole number", call)
    return(format(levels, scientific = FALSE))
  }
  if (!is.character(levels) || length(levels) == 0L || anyNA(levels))
    argument_error("levels: must be \"thin\", a count, or bounds such as c(\"0-9\", \"10-14\")", call)
  paste(levels, collapse = ",")
}

# ---------------------------------------------------------------- the data frame's columns

# The columns the compiled reader takes as they are: numbers, logicals, texts and factors.
# Labelled columns keep their values, and values that a statistical file declares missing
# (haven's na_values and na_range) become NA; other classes of the group column (dates, ...)
# are read as their texts. Only the columns changed are copied.
prepared_columns <- function(data, group) {
  for (k in seq_along(data)) {
    column <- data[[k]]
    spss_missing <- !is.null(attr(column, "na_values")) || !is.null(attr(column, "na_range"))
    if (spss_missing) data[[k]] <- user_missing_as_na(column)
  }
  at <- match(group, names(data))
  if (!is.na(at)) {
    column <- data[[at]]
    if (is.object(column) && !is.factor(column) && !inherits(column, "haven_labelled"))
      data[[at]] <- as.character(column)
  }
  data
}

user_missing_as_na <- function(column) {
  values <- attr(column, "na_values")
  range <- attr(column, "na_range")
  plain <- unclass(column)
  out <- is.na(plain) | plain %in% values
  if (length(range) == 2L) out <- out | (!is.na(plain) & plain >= range[1] & plain <= range[2])
  plain[out] <- NA
  attr(plain, "na_values") <- NULL
  attr(plain, "na_range") <- NULL
  plain
}
