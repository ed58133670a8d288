"""Differential item functioning (DIF) analysis of a pandas DataFrame.

``dif()`` runs the analysis of ``itemdif analyze`` in the same compiled code, so that both give
the same numbers, messages and results files::

    import pandas as pd
    import itemdif

    quiz = pd.read_csv("examples/quiz/quiz.csv")
    result = itemdif.dif(quiz, group="sex", focal="F", id="id", missing_codes=[9])
    print(result)                 # the program's summary
    result.items                  # items.csv as a DataFrame
    result.write_results("out")   # the results files
"""

from __future__ import annotations

import numbers

import numpy as np
import pandas as pd

from . import _core
from ._core import ArgumentError, InputError, OutputError

__all__ = ["dif", "DifResult", "InputError", "ArgumentError", "OutputError"]


class DifResult:
    """The tables of an analysis, as the results files hold them.

    ``items``, ``levels``, ``coefficients``, with two or more focal groups ``overall`` and with
    bundles ``bundles`` are DataFrames with the columns of items.csv, levels.csv,
    coefficients.csv, overall.csv and bundles.csv (classes as text, ``flagged`` and ``used``
    bool, undefined values NaN; a whole-number column with an undefined value holds floats);
    the others are None. ``rounds`` has a row per purification round of each comparison, then
    of the overall analysis (``focal`` NaN), with the names flagged in it; ``purification`` per
    comparison its rounds, whether it converged and why it stopped;
    ``groups`` the groups and their sizes; ``settings`` the options in force as the program
    writes them.
    """

    def __init__(self, run, input_name):
        tables = run.tables()
        self._run = run
        self.input = input_name
        self.items = _frame(tables["items"])
        self.levels = _frame(tables["levels"])
        self.coefficients = _frame(tables["coefficients"])
        self.overall = _frame(tables["overall"]) if tables["overall"] is not None else None
        self.bundles = _frame(tables["bundles"]) if tables["bundles"] is not None else None
        self.purification = _frame(tables["purification"])
        self.rounds = _frame(tables["rounds"])
        self.groups = _frame(tables["groups"])
        self.settings = dict(tables["settings"])
        self.rows_read = tables["rows_read"]
        self.rows_left_out = tables["rows_left_out"]
        self.listwise_left_out = tables["listwise_left_out"]

    def summary(self) -> str:
        """The summary as ``itemdif analyze`` prints it."""
        return self._run.summary()

    def __str__(self) -> str:
        return self.summary()

    def __repr__(self) -> str:
        return self.summary()

    def _repr_html_(self) -> str:
        return self.items.to_html(index=False, na_rep="")

    def write_results(self, path) -> str:
        """Writes the results files (items.csv, levels.csv, coefficients.csv, overall.csv with
        several focal groups, results.json, report.html) into the folder ``path``."""
        path = str(path)
        self._run.write_results(path)
        return path


def dif(df, group, focal, reference=None, items=None, id=None, max_score=None, missing=None,
        missing_codes=None, levels=None, min_per_group=None, purify=None, max_rounds=None,
        flag=None, alpha=None, adjust=None, methods=None, sib_min=None, bundle=None,
        anchor=None, match=None, threads=0, input_name="df"):
    """Runs the DIF analysis of ``df`` as ``itemdif analyze`` runs it on a data file.

    Each argument is the option of ``itemdif analyze`` with ``_`` for ``-``; an argument left
    None takes the program's default (``max_score`` 1, ``missing`` "excluded", ``levels``
    "thin", ``min_per_group`` 1, ``purify`` "iterative", ``max_rounds`` 10, ``flag`` "ets",
    ``alpha`` 0.05, ``adjust`` "none", ``methods`` those run by default).

    group: the group column's name. focal: one value or a list of values of it (text, or
        numbers matched as the column's numbers). reference: the reference value; may be left
        out when the column holds one value besides the focal ones.
    items: item columns as a list of names and ranges ("q1:q20") or one comma-separated text;
        by default every column but the group and id columns. id: a column of identifiers.
    missing_codes: values that mean a missing response (numbers or texts).
    levels: "thin", a count of levels, or bounds such as ["0-9", "10-14", "15-45"].
    methods: names of the methods, as a list or one comma-separated text.
    sib_min: examinees of each group a SIBTEST stratum needs. bundle: bundles of items to test
        together, a dict of name to items (a list of names and ranges, or one text).
    anchor: anchor items (fixed matching), as items. match: a column holding the matching
        score.
    threads: threads for the items' statistics; 0 (the default) is every core. The results do
        not depend on it.
    input_name: how the summary and results.json name the data.

    Items may be int, float (NaN missing), nullable Int64 or bool columns, or text holding
    scores; the group column text, categorical, numbers or bool. Invalid data raise InputError
    naming the row (from 1) and column, invalid arguments ArgumentError, both with the
    program's messages.
    """
    if not isinstance(df, pd.DataFrame):
        raise ArgumentError("df: must be a pandas DataFrame")
    group = _one_text(group, "group")
    arguments = {
        "input": _one_text(input_name, "input_name"),
        "group": group,
        "focal": _values(focal, "focal"),
        "reference": None if reference is None else _value_text(reference, "reference"),
        "items": _names(items, "items"),
        "id": None if id is None else _one_text(id, "id"),
        "missing_codes": _joined(missing_codes, "missing_codes"),
        "max_score": _whole(max_score, "max_score"),
        "missing": _choice(missing, "missing"),
        "levels": _levels(levels),
        "min_per_group": _whole(min_per_group, "min_per_group"),
        "purify": _choice(purify, "purify"),
        "max_rounds": _whole(max_rounds, "max_rounds"),
        "flag": _choice(flag, "flag"),
        "alpha": _number(alpha, "alpha"),
        "adjust": _choice(adjust, "adjust"),
        "methods": _names(methods, "methods"),
        "sib_min": _whole(sib_min, "sib_min"),
        "bundle": _bundles(bundle),
        "anchor": _names(anchor, "anchor"),
        "match": None if match is None else _one_text(match, "match"),
    }
    threads = _whole(threads, "threads")
    if threads < 0:
        raise ArgumentError(f"threads: must be at least 0, not {threads}")
    header = [str(name) for name in df.columns]
    text_columns = {group, arguments["id"]}

    def column_of(k):
        return _column(df.iloc[:, k], as_text=header[k] in text_columns)

    run = _core.run(header, len(df), column_of, arguments, threads)
    return DifResult(run, arguments["input"])


# ------------------------------------------------------------------ the DataFrame's columns

def _column(series, as_text):
    """A column as the compiled reader takes it: ("number", float64 with NaN) or ("codes",
    int64 codes with -1 missing, their texts). A bool column is 0/1 among the items and its
    values' texts in the group or id column."""
    dtype = series.dtype
    if isinstance(dtype, pd.CategoricalDtype):
        if not as_text and pd.api.types.is_numeric_dtype(dtype.categories.dtype):
            return ("number", series.astype("float64").to_numpy(), None)
        codes = series.cat.codes.to_numpy(dtype=np.int64)
        return ("codes", codes, [str(value) for value in dtype.categories])
    if pd.api.types.is_bool_dtype(dtype) and as_text:
        return _codes(series)
    if pd.api.types.is_bool_dtype(dtype) or (pd.api.types.is_numeric_dtype(dtype)
                                            and not pd.api.types.is_complex_dtype(dtype)):
        return ("number", series.to_numpy(dtype="float64", na_value=np.nan), None)
    return _codes(series)


def _codes(series):
    codes, uniques = pd.factorize(series.to_numpy(dtype=object), use_na_sentinel=True)
    return ("codes", codes.astype(np.int64, copy=False), [_value_of(value) for value in uniques])


def _value_of(value):
    """A value's text as the reader sees it: a float that is whole without its ".0"."""
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


# ------------------------------------------------------------------ arguments as option texts

def _one_text(value, name):
    if not isinstance(value, str):
        raise ArgumentError(f"{name}: must be a single text")
    return value


def _value_text(value, name):
    if isinstance(value, bool) or isinstance(value, np.bool_):
        return str(bool(value))
    if isinstance(value, (str, numbers.Number)):
        return _value_of(value) if isinstance(value, (float, np.floating)) else str(value)
    raise ArgumentError(f"{name}: must be a single value (a text or a number)")


def _values(values, name):
    if isinstance(values, (str, numbers.Number, bool, np.bool_)):
        values = [values]
    values = list(values)
    if not values:
        raise ArgumentError(f"{name}: must be one or more values")
    return [_value_text(value, name) for value in values]


def _names(names, name):
    if names is None:
        return None
    if isinstance(names, str):
        return names
    names = list(names)
    if not names or not all(isinstance(n, str) for n in names):
        raise ArgumentError(f"{name}: must be a text or a list of texts")
    return ",".join(names)


def _joined(values, name):
    if values is None:
        return None
    if isinstance(values, (str, numbers.Number)):
        values = [values]
    return ",".join(_value_text(value, name) for value in values)


def _whole(value, name):
    if value is None:
        return None
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Number) \
            or value != int(value):
        raise ArgumentError(f"{name}: {value!r} is not a whole number")
    if abs(value) > 2**31 - 1:
        raise ArgumentError(f"{name}: {value!r} is out of range")
    return int(value)


def _number(value, name):
    if value is None:
        return None
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise ArgumentError(f"{name}: must be a single number")
    return float(value)


def _choice(value, name):
    if value is None:
        return None
    return _one_text(value, name)


def _bundles(bundles):
    """Bundles as the program's NAME=LIST texts."""
    if bundles is None:
        return None
    if not isinstance(bundles, dict) or not bundles or \
            not all(isinstance(name, str) and name for name in bundles):
        raise ArgumentError('bundle: must be a dict of bundle names to items, e.g. '
                            '{"passage1": ["q1", "q2"]}')
    return [f"{name}={_names(items, 'bundle ' + name)}" for name, items in bundles.items()]


def _levels(levels):
    if levels is None:
        return None
    if isinstance(levels, numbers.Integral) and not isinstance(levels, (bool, np.bool_)):
        return str(int(levels))
    return _names(levels, "levels")


# ------------------------------------------------------------------ results as DataFrames

def _frame(columns):
    return pd.DataFrame({name: _series(*column) for name, column in columns.items()})


def _series(kind, values, missing):
    if kind == "text":
        return pd.Series([np.nan if v is None else v for v in values], dtype=object)
    if kind == "lists":
        return pd.Series(values, dtype=object)
    if kind == "truth":
        if missing.any():
            return pd.Series(pd.arrays.BooleanArray(values, missing))
        return pd.Series(values, dtype=bool)
    if kind == "whole" and missing.any():
        values = values.astype("float64")
        values[missing] = np.nan
    return pd.Series(values)
