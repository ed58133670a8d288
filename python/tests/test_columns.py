"""The column types a DataFrame may hold, read as the program reads the same values in a file,
and the types of the result's tables."""

import numpy as np
import pandas as pd
import pytest

from conftest import dif, read_example


@pytest.fixture
def small():
    """A small 0/1 data set with DIF on i3, groups "a" (reference) and "b"."""
    rng = np.random.default_rng(7)
    n = 400
    g = np.repeat(["a", "b"], n // 2)
    theta = rng.normal(size=n)

    def score(shift):
        return (rng.uniform(size=n) < 1 / (1 + np.exp(-(theta + shift)))).astype(np.int64)

    return pd.DataFrame({"g": g, "i1": score(0), "i2": score(0.3),
                         "i3": score(np.where(g == "b", -1.2, 0)), "i4": score(-0.4),
                         "i5": score(0.8)})


def items_of(result):
    return result.items.drop(columns="focal")


def test_items_as_int_float_nullable_bool_and_text_give_the_same_results(small):
    expected = dif(small, "g", "b").items
    items = ["i1", "i2", "i3", "i4", "i5"]
    for dtype in ["float64", "Int64", "bool", "boolean", "int8", str]:
        frame = small.astype({name: dtype for name in items})
        pd.testing.assert_frame_equal(dif(frame, "g", "b").items, expected, obj=str(dtype))
    categorical = small.astype({name: "category" for name in items})
    pd.testing.assert_frame_equal(dif(categorical, "g", "b").items, expected)


def test_nan_na_and_missing_codes_are_missing_responses(small):
    floats = small.astype({"i2": "float64"})
    floats.loc[:29, "i2"] = np.nan
    expected = dif(floats, "g", "b").items
    assert expected["n_reference"][1] == 170
    nullable = small.astype({"i2": "Int64"})
    nullable.loc[:29, "i2"] = pd.NA
    pd.testing.assert_frame_equal(dif(nullable, "g", "b").items, expected)
    coded = small.copy()
    coded.loc[:29, "i2"] = 9
    pd.testing.assert_frame_equal(dif(coded, "g", "b", missing_codes=9).items, expected)
    pd.testing.assert_frame_equal(dif(coded, "g", "b", missing_codes=["9"]).items, expected)
    texts = small.astype({"i2": object})
    texts.loc[:29, "i2"] = None
    pd.testing.assert_frame_equal(dif(texts, "g", "b").items, expected)


def test_the_group_column_may_be_text_categorical_numbers_or_bool(small):
    expected = items_of(dif(small, "g", "b", reference="a"))
    categorical = small.assign(g=pd.Categorical(small["g"], categories=["b", "a", "unused"]))
    pd.testing.assert_frame_equal(items_of(dif(categorical, "g", "b")), expected)
    numbers = small.assign(g=np.where(small["g"] == "a", 1, 2))
    by_number = dif(numbers, "g", 2)
    pd.testing.assert_frame_equal(items_of(by_number), expected)
    assert list(by_number.groups["value"]) == ["1", "2"]
    pd.testing.assert_frame_equal(items_of(dif(numbers, "g", "2", reference=1)), expected)
    floats = numbers.astype({"g": "float64"})
    pd.testing.assert_frame_equal(items_of(dif(floats, "g", 2.0)), expected)
    truth = small.assign(g=small["g"] == "b")
    by_truth = dif(truth, "g", True)
    pd.testing.assert_frame_equal(items_of(by_truth), expected)
    assert list(by_truth.groups["value"]) == ["False", "True"]


def test_rows_of_no_group_are_left_out_and_counted_their_cells_still_checked(small):
    frame = small.astype({"g": object})
    frame.loc[:4, "g"] = None
    frame.loc[5:7, "g"] = "other"
    result = dif(frame, "g", "b", reference="a")
    assert (result.rows_read, result.rows_left_out) == (400, 8)
    assert list(result.groups["n"]) == [192, 200]


def test_items_selected_by_names_ranges_or_one_text(small):
    expected = dif(small[["g", "i1", "i3", "i4"]], "g", "b").items
    pd.testing.assert_frame_equal(dif(small, "g", "b", items=["i1", "i3:i4"]).items, expected)
    pd.testing.assert_frame_equal(dif(small, "g", "b", items="i1,i3:i4").items, expected)


def test_tables_keep_their_column_types():
    result = dif(read_example("regions/regions.csv"), "region", ["East", "South", "West"],
                 reference="North", id="id", max_score=3)
    items = result.items
    assert list(items["focal"].unique()) == ["East", "South", "West"]
    assert items["ets_class"].dtype == object and items["item"].dtype == object
    assert items["flagged"].dtype == bool and result.levels["used"].dtype == bool
    assert items["n_reference"].dtype == np.int64 and items["score_max"].dtype == np.int64
    assert items["mh_p"].dtype == np.float64
    polytomous = items["score_max"] > 1
    assert polytomous.any()
    # Breslow-Day is for 0/1 items: undefined (NaN) for the polytomous ones.
    assert items.loc[polytomous, "bd_chi_square"].isna().all()
    assert items.loc[~polytomous, "bd_chi_square"].notna().all()
    assert items["bd_df"].dtype == np.float64  # whole numbers with NaN
    assert set(items.loc[polytomous, "ets_class"]) <= {"AA", "BB-", "BB+", "CC-", "CC+"}
    assert len(result.overall) == 30 and result.overall["gmh_df"].dtype == np.int64
    assert list(result.groups["group"]) == ["reference", "focal", "focal", "focal"]
    assert result.rounds["focal"].isna().sum() > 0  # the overall analysis's rounds
    assert all(isinstance(names, list) for names in result.rounds["flagged"])
    assert result.settings["max_score"] == "3" and result.settings["purify"] == "iterative"


def test_notebook_view_and_print_show_the_item_table_and_the_summary():
    result = dif(read_example("quiz/quiz.csv"), "sex", "F", id="id", missing_codes=9)
    html = result._repr_html_()
    assert html.startswith("<table") and "<th>mh_d_dif</th>" in html and ">q13<" in html
    assert str(result).startswith("itemdif analyze df: 20 items, 1400 rows\n")
    assert "Flagged (2): q6, q13" in str(result)
    flagged = result.items[result.items["flagged"]]
    assert list(flagged["item"]) == ["q6", "q13"]
    assert list(result.rounds["round"]) == [1, 2]
    assert result.rounds["flagged"][0] == ["q6", "q13"]
