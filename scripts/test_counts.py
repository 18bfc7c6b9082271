#!/usr/bin/python3
"""usage: scripts/test_counts.py STEP_FOLDER...

Prints the last line of scripts/test.sh, "test: N passed, N failed, N
skipped", from the folders its steps left: each holds the step's exit status
(the first word of its file "status") and the reports its tools wrote,
CTest's JUnit XML (*.xml) and GoogleTest's JSON (*.json). A step that failed
but counted no failed test (a failed build, say) counts as one failure, and
so does a step that left no status. Exits 1 when anything failed.
"""
import argparse
import collections
import json
import pathlib
import sys
from xml.etree import ElementTree

# The outcome of CTest's status of a test, but for "notrun" (below).
CTEST_OUTCOMES = {"run": "passed", "disabled": "skipped"}


def ctest_outcome(case):
    """passed, failed or skipped, for a testcase of CTest's JUnit report.

    CTest marks every test it did not run "notrun"; only those skipped on
    purpose (SKIP_RETURN_CODE, SKIP_REGULAR_EXPRESSION) are skipped, the
    others (a program missing, a fixture they need failed) failed, as is
    every status but "run" and "disabled".
    """
    status = case.get("status")
    if status == "notrun" and case.find("skipped").get("message").startswith("SKIP_"):
        return "skipped"
    return CTEST_OUTCOMES.get(status, "failed")


def gtest_outcome(case):
    """passed, failed or skipped, for a test of GoogleTest's JSON report."""
    if "failures" in case:
        return "failed"
    if case["status"] == "NOTRUN" or case["result"] == "SKIPPED":
        return "skipped"
    return "passed"


def outcomes(name, text):
    """The outcome of each test of a report, read as its file name says."""
    if name.endswith(".json"):
        suites = json.loads(text)["testsuites"]
        return [gtest_outcome(case) for suite in suites for case in suite["testsuite"]]
    cases = ElementTree.fromstring(text).iter("testcase")
    return [ctest_outcome(case) for case in cases]


def step_counts(status, reports):
    """The outcomes of one step, given its exit status and its reports as
    (file name, text) pairs."""
    counts = collections.Counter()
    for name, text in reports:
        counts.update(outcomes(name, text))
    if status != 0 and counts["failed"] == 0:
        counts["failed"] = 1
    return counts


def step_status(folder):
    """The step's exit status; a step that left none did not end well."""
    path = folder / "status"
    if not path.exists():
        return 1
    return int(path.read_text().split()[0])


def main(folders):
    total = collections.Counter()
    for folder in map(pathlib.Path, folders):
        paths = [path for path in folder.iterdir() if path.suffix in (".xml", ".json")]
        reports = [(path.name, path.read_text()) for path in paths]
        total += step_counts(step_status(folder), reports)
    print("test: {passed} passed, {failed} failed, {skipped} skipped".format_map(total))
    if total["failed"]:
        return 1
    return 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[1])
    parser.add_argument("folders", metavar="STEP_FOLDER", nargs="+")
    sys.exit(main(parser.parse_args().folders))
