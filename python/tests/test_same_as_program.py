"""dif() against `itemdif analyze` on the same data: every cell of every table, the results
files byte for byte and the summary."""

import numpy as np
import pandas as pd
import pytest

from itemdif import _core
from conftest import dif, example_path, read_example, run_program

EXAMPLES = {
    "quiz": ("quiz/quiz.csv",
             ["--group", "sex", "--focal", "F", "--id", "id", "--missing-codes", "9"],
             dict(group="sex", focal="F", id="id", missing_codes=[9])),
    "survey": ("survey/survey.csv",
               ["--group", "language", "--focal", "FR", "--id", "id", "--max-score", "5"],
               dict(group="language", focal="FR", id="id", max_score=5)),
    "regions": ("regions/regions.csv",
                ["--group", "region", "--focal", "East,South,West", "--reference", "North",
                 "--id", "id", "--max-score", "3"],
                dict(group="region", focal=["East", "South", "West"], reference="North",
                     id="id", max_score=3)),
    "options": ("quiz/quiz.csv",
                ["--group", "sex", "--focal", "F", "--id", "id", "--missing-codes", "9",
                 "--missing", "incorrect", "--levels", "0-9,10-14,15-20", "--purify",
                 "two-pass", "--flag", "p", "--alpha", "0.01", "--adjust", "holm",
                 "--methods", "std,lr"],
                dict(group="sex", focal="F", id="id", missing_codes=9, missing="incorrect",
                     levels=["0-9", "10-14", "15-20"], purify="two-pass", flag="p",
                     alpha=0.01, adjust="holm", methods=["std", "lr"])),
    "sibtest": ("quiz/quiz.csv",
                ["--group", "sex", "--focal", "F", "--id", "id", "--missing-codes", "9",
                 "--methods", "mh,sib", "--sib-min", "8", "--bundle", "first=q1:q3",
                 "--bundle", "pair=q7,q9"],
                dict(group="sex", focal="F", id="id", missing_codes=9, methods=["mh", "sib"],
                     sib_min=8, bundle={"first": "q1:q3", "pair": ["q7", "q9"]})),
    "anchor": ("quiz/quiz.csv",
               ["--group", "sex", "--focal", "F", "--id", "id", "--missing-codes", "9",
                "--anchor", "q1:q5,q10"],
               dict(group="sex", focal="F", id="id", missing_codes=9, anchor=["q1:q5", "q10"])),
    "listwise": ("survey/survey.csv",
                 ["--group", "language", "--focal", "FR", "--id", "id", "--max-score", "5",
                  "--missing", "listwise", "--levels", "6", "--min-per-group", "3",
                  "--max-rounds", "2", "--adjust", "bh"],
                 dict(group="language", focal="FR", id="id", max_score=5, missing="listwise",
                      levels=6, min_per_group=3, max_rounds=2, adjust="bh")),
}


@pytest.fixture(scope="module", params=sorted(EXAMPLES))
def both(request, tmp_path_factory):
    """The program's results folder and summary, and dif() on the same file, named as the
    program names its input."""
    file, program_arguments, options = EXAMPLES[request.param]
    out = tmp_path_factory.mktemp("program")
    summary = run_program(file, program_arguments, out)
    result = dif(read_example(file), input_name=str(example_path(file)), **options)
    return request.param, out, summary, result


def cell_texts(frame):
    """A table's cells as the results files write them: numbers as their shortest text, truth
    values as true/false, undefined as empty."""
    texts = {}
    for name, column in frame.items():
        if column.dtype == bool:
            texts[name] = ["true" if v else "false" for v in column]
        elif column.dtype.kind == "f":
            texts[name] = ["" if np.isnan(v) else _core.number_text(v) for v in column]
        else:
            texts[name] = ["" if not isinstance(v, str) and pd.isna(v) else str(v) for v in column]
    return pd.DataFrame({name: pd.Series(column, dtype=object) for name, column in texts.items()},
                        columns=frame.columns)


def test_every_table_cell_equals_the_program_files(both):
    name, out, _, result = both
    tables = ["items", "levels", "coefficients"] + (["overall"] if name == "regions" else []) \
        + (["bundles"] if name == "sibtest" else [])
    for table in tables:
        expected = pd.read_csv(out / f"{table}.csv", dtype=str, keep_default_na=False)
        got = cell_texts(getattr(result, table))
        assert list(got.columns) == list(expected.columns), table
        assert len(got) == len(expected), table
        assert table == "coefficients" or len(got) > 0, table
        pd.testing.assert_frame_equal(got, expected, obj=table, check_index_type=False)
    if name != "regions":
        assert result.overall is None
        assert not (out / "overall.csv").exists()
    if name != "sibtest":
        assert result.bundles is None
    stops = set(result.purification["stop"])
    if name == "anchor":
        assert stops == {"fixed_matching"}
    else:
        assert "fixed_matching" not in stops


def test_write_results_writes_the_program_files(both, tmp_path):
    _, out, _, result = both
    result.write_results(tmp_path / "py")
    files = sorted(p.name for p in out.iterdir())
    assert sorted(p.name for p in (tmp_path / "py").iterdir()) == files
    assert "report.html" in files and "results.json" in files
    for file in files:
        assert (tmp_path / "py" / file).read_bytes() == (out / file).read_bytes(), file


def test_print_shows_the_program_summary(both):
    _, _, summary, result = both
    assert str(result) == summary
    assert result.summary().startswith("itemdif analyze ")


def test_a_matching_column_gives_the_program_tables(tmp_path):
    """A column of matching scores, missing in some rows: both leave those rows out."""
    frame = read_example("quiz/quiz.csv")
    items = [f"q{k}" for k in range(1, 21)]
    frame["total"] = (frame[items] == 1).sum(axis=1).astype("Int64") - 4
    frame.loc[2::40, "total"] = pd.NA
    # The file keeps the example's cells as they are written, with the column added.
    text = pd.read_csv(example_path("quiz/quiz.csv"), dtype=str, keep_default_na=False)
    text["total"] = [("" if pd.isna(v) else str(v)) for v in frame["total"]]
    path = tmp_path / "matched.csv"
    text.to_csv(path, index=False)
    out = tmp_path / "program"
    arguments = ["--group", "sex", "--focal", "F", "--id", "id", "--missing-codes", "9"]
    run_program(path, arguments + ["--match", "total"], out)
    result = dif(frame, "sex", "F", id="id", missing_codes=9, match="total", input_name=str(path))
    expected = pd.read_csv(out / "items.csv", dtype=str, keep_default_na=False)
    pd.testing.assert_frame_equal(cell_texts(result.items), expected)
    assert (tmp_path / "program" / "results.json").exists()
    unmatched = dif(frame, "sex", "F", id="id", missing_codes=9, items="q1:q20")
    assert result.rows_left_out == unmatched.rows_left_out + \
        (frame["total"].isna() & frame["sex"].isin(["M", "F"])).sum()
