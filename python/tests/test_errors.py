"""Invalid arguments and data raise the program's messages, arguments before any data."""

import pandas as pd
import pytest

import itemdif
from conftest import dif


@pytest.fixture
def frame():
    return pd.DataFrame({"g": ["a", "b"] * 20, "q1": [0] * 20 + [1] * 20, "q2": [1, 0] * 20})


def test_error_classes_are_value_errors():
    assert issubclass(itemdif.InputError, ValueError)
    assert issubclass(itemdif.ArgumentError, ValueError)
    assert not issubclass(itemdif.InputError, itemdif.ArgumentError)


def test_an_invalid_cell_names_its_row_and_column(frame):
    frame.loc[16, "q2"] = 2
    with pytest.raises(itemdif.InputError, match=r'^row 17, column q2: "2" is not a score '
                                                 r"\(0 to 1, see max_score\) or a missing code$"):
        dif(frame, "g", "b")
    frame["q2"] = frame["q2"].astype(float)
    frame.loc[16, "q2"] = 0.5
    with pytest.raises(itemdif.InputError, match=r'^row 17, column q2: "0.5" is not a score \(0 to 3,'):
        dif(frame, "g", "b", max_score=3)
    texts = frame.astype({"q2": str})
    texts.loc[3, "q2"] = "yes"
    with pytest.raises(itemdif.InputError, match=r'^row 4, column q2: "yes" is not a score'):
        dif(texts, "g", "b")


@pytest.mark.parametrize("call, message", [
    (dict(group="group", focal="b"), 'there is no column named "group" for the group'),
    (dict(group="g", focal="c"), 'no row has the focal value "c" in the group column g'),
    (dict(group="g", focal=["b", "b"]), 'the focal value "b" is given twice'),
    (dict(group="g", focal="b", reference="b"),
     'the focal and the reference value are the same value, "b", of the group column g'),
    (dict(group="g", focal="b", items="q1:q9"),
     'there is no column named "q9" to end the item range q1:q9'),
])
def test_columns_and_groups_that_do_not_fit(frame, call, message):
    with pytest.raises(itemdif.InputError) as raised:
        dif(frame, **call)
    assert str(raised.value) == message


def test_an_empty_frame(frame):
    with pytest.raises(itemdif.InputError, match="the table has no rows"):
        dif(frame.iloc[0:0], "g", "b")


@pytest.mark.parametrize("options, message", [
    (dict(max_score=0), "max_score: 0 is not a whole number from 1 to 250"),
    (dict(levels="0-9,x"), 'levels: "x" is not a level such as 0-9'),
    (dict(levels=0), "levels: the number of levels must be at least 1"),
    (dict(methods=["mh", "mh"]), 'methods: "mh" is given twice'),
    (dict(methods="mh,xyz"), 'methods: "xyz" is not one of mh,'),
    (dict(alpha=1), "alpha: must lie strictly between 0 and 1"),
    (dict(missing="pairwise"), 'missing: "pairwise" is not one of excluded, incorrect, listwise'),
    (dict(purify="sometimes"), 'purify: "sometimes" is not one of iterative, two-pass, none'),
    (dict(max_rounds=2.5), "max_rounds: 2.5 is not a whole number"),
    (dict(threads=-1), "threads: must be at least 0"),
])
def test_arguments_are_checked_before_the_data(frame, options, message):
    frame.loc[2, "q2"] = 7  # an invalid cell that an argument error must come before
    with pytest.raises(itemdif.ArgumentError) as raised:
        dif(frame, "g", "b", **options)
    assert str(raised.value).startswith(message)


def test_write_results_reports_a_folder_it_cannot_write(frame, tmp_path):
    result = dif(frame, "g", "b")
    blocker = tmp_path / "a file"
    blocker.write_text("a file")
    with pytest.raises(itemdif.OutputError, match="cannot write"):
        result.write_results(blocker / "out")


def test_errors_of_anchors_bundles_and_a_matching_column():
    from conftest import read_example
    quiz = read_example("quiz/quiz.csv")
    with pytest.raises(itemdif.ArgumentError, match="^anchor: "):
        dif(quiz, "sex", "F", id="id", missing_codes=9, anchor="q1", purify="iterative")
    with pytest.raises(itemdif.ArgumentError, match="^bundle: "):
        dif(quiz, "sex", "F", id="id", missing_codes=9, bundle={"b": ["q1", "q2"]})
    with pytest.raises(itemdif.ArgumentError, match="nope"):
        dif(quiz, "sex", "F", id="id", missing_codes=9, methods="mh,sib", bundle={"b": ["q1", "nope"]})
    with pytest.raises(itemdif.ArgumentError, match="^bundle: must be a dict"):
        dif(quiz, "sex", "F", id="id", missing_codes=9, bundle=["q1", "q2"])
    with pytest.raises(itemdif.ArgumentError, match="^match: "):
        dif(quiz, "sex", "F", id="id", missing_codes=9, methods="mh,sib", match="q20")
    with pytest.raises(itemdif.InputError, match="^row 1, column odd"):
        dif(quiz.assign(odd=1.5), "sex", "F", id="id", missing_codes=9, items="q1:q20", match="odd")
