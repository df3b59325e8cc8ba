#!/usr/bin/env python3
"""Counts the test cases of one CTest run for scripts/test.sh.

DIR holds the GoogleTest XML files the run's binaries wrote (GTEST_OUTPUT)
and CTest's own JUnit file (ctest.junit). Prints "PASSED FAILED SKIPPED":
the cases of every GoogleTest file, plus one for each CTest entry whose
outcome no case records: a failed entry with no failing case on file (it
crashed or timed out before writing one) and a passed entry that is no
GoogleTest program (a script check such as layer_check_upward,
install_deps_script or package_deb; a program's one filtered run such as
winsock_no_library). Fixtures (starting and stopping peers and Wine servers)
are not tests.
"""
import glob
import os
import sys
import xml.etree.ElementTree as ET

run_dir = sys.argv[1]
passed = failed = skipped = 0
failing_files = 0
for path in glob.glob(os.path.join(run_dir, "*.xml")):
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        failing_files += 1
        failed += 1
        continue
    file_failed = 0
    for case in root.iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            file_failed += 1
        elif case.find("skipped") is not None or case.get("result") == "skipped":
            skipped += 1
        elif case.get("status", "run") == "run":
            passed += 1
    if file_failed:
        failing_files += 1

entries_passed = entries_failed = 0  # script checks passed; entries failed
junit = os.path.join(run_dir, "ctest.junit")
if os.path.exists(junit):
    for case in ET.parse(junit).getroot().iter("testcase"):
        status = case.get("status", "")
        if status == "fail" or case.find("failure") is not None:
            entries_failed += 1
        elif status == "run":
            name = case.get("name", "")
            fixture = name.endswith(("_start", "_stop")) or "_start_" in name or "_stop_" in name
            gtest_program = name.endswith("_tests") or name.startswith("e2e_")
            if not fixture and not gtest_program:
                entries_passed += 1
failed += max(0, entries_failed - failing_files)
passed += entries_passed
print(passed, failed, skipped)
