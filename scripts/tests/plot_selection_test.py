#!/usr/bin/python3
"""plot_selection.py draws every kind of run host.exe --json records, the same
run to the same bytes, and refuses any other file in one sentence."""
import json
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parents[1]))
import plot_selection

X_BELOW = {"axis": "x", "side": "upper", "value": 0.5, "shown": "0.50"}
X_ABOVE = {"axis": "x", "side": "lower", "value": 0.8, "shown": "0.80"}
Y_BEYOND = {"axis": "y", "side": "lower", "value": None, "shown": "-1e39"}
# A run as the demo makes one, over a tetrahedron.
RUN = {
    "bounds": [X_BELOW],
    "operation": 2,
    "operation_name": "選択反転する",
    "applied": True,
    "selected": [0, 2],
    "points": [0, 1, 0, -1, 0, 0, 1, 0, 0, 0, 0, 1],
    "faces": [[0, 1, 2], [0, 1, 3], [0, 2, 3], [1, 2, 3]],
}
# Each run drawn: what it changes in RUN.
DRAWN = [
    {},
    {"bounds": []},
    {"bounds": [X_BELOW, Y_BEYOND]},  # a bound beyond a float's range
    {"bounds": [X_BELOW, X_ABOVE]},  # an empty range
    {"bounds": [], "operation": None},  # the dialog did not open
    {"applied": False},
    {"points": [None] + RUN["points"][1:]},  # a coordinate not finite
    {"points": [], "faces": [], "selected": []},
]
# Each file refused.
REFUSED = [
    "{",
    "[]",
    '{"version": 6}',
    json.dumps({**RUN, "bounds": [{**X_BELOW, "axis": "w"}]}),
]


class PlotSelection(unittest.TestCase):
    def plot(self, text):
        """Runs the plotter on text as run.json; returns the PNG's path."""
        folder = Path(self.enterContext(tempfile.TemporaryDirectory()))
        (folder / "run.json").write_text(text, encoding="utf-8")
        plot_selection.main([str(folder / "run.json"), str(folder / "out.png")])
        return folder / "out.png"

    def test_every_kind_of_run_is_drawn(self):
        for change in DRAWN:
            with self.subTest(change=change):
                self.plot(json.dumps({**RUN, **change}))

    def test_the_same_run_gives_the_same_bytes(self):
        first = self.plot(json.dumps(RUN)).read_bytes()
        self.assertEqual(first, self.plot(json.dumps(RUN)).read_bytes())

    def test_other_files_are_refused_in_one_sentence(self):
        for text in REFUSED:
            with self.subTest(text=text), self.assertRaises(SystemExit) as end:
                self.plot(text)
            message = str(end.exception.code)
            self.assertRegex(message, r"^plot_selection\.py: .*run\.json is not ")
            self.assertNotIn("\n", message)


if __name__ == "__main__":
    unittest.main()
