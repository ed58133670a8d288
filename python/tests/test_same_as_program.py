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
    return pd.DataFrame(texts, columns=frame.columns)


def test_every_table_cell_equals_the_program_files(both):
    name, out, _, result = both
    tables = ["items", "levels", "coefficients"] + (["overall"] if name == "regions" else [])
    for table in tables:
        expected = pd.read_csv(out / f"{table}.csv", dtype=str, keep_default_na=False)
        got = cell_texts(getattr(result, table))
        assert list(got.columns) == list(expected.columns), table
        assert len(got) == len(expected) > 0, table
        pd.testing.assert_frame_equal(got, expected, obj=table)
    if name != "regions":
        assert result.overall is None
        assert not (out / "overall.csv").exists()


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
