"""The count of scripts/test.sh on reports in the form CTest and GoogleTest
write them: each row a step's exit status and reports, and the passed, failed
and skipped tests they must count."""
import contextlib
import io
import json
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
import test_counts  # noqa: E402


def junit(*cases):
    return ("junit.xml", "<testsuite>" + "".join(cases) + "</testsuite>")


def ctest_not_run(reason):
    return f'<testcase name="t" status="notrun"><skipped message="{reason}"/></testcase>'


RUN = '<testcase name="t" status="run"/>'
FAIL = '<testcase name="t" status="fail"><failure message=""/></testcase>'
DISABLED = '<testcase name="t" status="disabled"/>'
SKIP_CODE = ctest_not_run("SKIP_RETURN_CODE=4")
SKIP_OUTPUT = ctest_not_run("SKIP_REGULAR_EXPRESSION_MATCHED")
NO_PROGRAM = ctest_not_run("Unable to find executable")
NO_FIXTURE = ctest_not_run("Fixture dependency failed")


def gtest(*cases):
    return ("x_tests.json", json.dumps({"testsuites": [{"testsuite": list(cases)}]}))


G_RUN = {"status": "RUN", "result": "COMPLETED"}
G_FAIL = {"status": "RUN", "result": "COMPLETED", "failures": [{"failure": "1 != 2"}]}
G_SKIP = {"status": "RUN", "result": "SKIPPED"}
G_DISABLED = {"status": "NOTRUN", "result": "SUPPRESSED"}

ROWS = [
    # what the row proves, exit status, reports, (passed, failed, skipped)
    ("every test passed", 0, [junit(RUN, RUN)], (2, 0, 0)),
    ("a failed build, no report: one failure", 2, [], (0, 1, 0)),
    ("a failed test counts once, not again for CTest's status", 8, [junit(RUN, FAIL)], (1, 1, 0)),
    ("skipped on purpose and disabled", 0, [junit(SKIP_CODE, SKIP_OUTPUT, DISABLED)], (0, 0, 3)),
    ("not run for a missing program or fixture", 8, [junit(NO_PROGRAM, NO_FIXTURE)], (0, 2, 0)),
    ("GoogleTest, two programs", 1, [gtest(G_RUN, G_FAIL), gtest(G_SKIP, G_DISABLED)], (1, 1, 2)),
    ("valgrind's error, every test passed", 1, [gtest(G_RUN)], (1, 1, 0)),
]


class Count(unittest.TestCase):
    def test_rows(self):
        for what, status, reports, expected in ROWS:
            counts = test_counts.step_counts(status, reports)
            found = (counts["passed"], counts["failed"], counts["skipped"])
            self.assertEqual(found, expected, what)

    def test_a_step_that_left_no_status_fails_the_run(self):
        with tempfile.TemporaryDirectory() as logs:
            passed = pathlib.Path(logs, "native-tests")
            passed.mkdir()
            (passed / "status").write_text("0 3\n")
            (passed / "junit.xml").write_text(junit(RUN, SKIP_CODE)[1])
            pathlib.Path(logs, "killed").mkdir()
            output = io.StringIO()
            with contextlib.redirect_stdout(output):
                status = test_counts.main([passed, pathlib.Path(logs, "killed")])
        self.assertEqual(output.getvalue(), "test: 1 passed, 1 failed, 1 skipped\n")
        self.assertEqual(status, 1)


if __name__ == "__main__":
    unittest.main()
