#!/usr/bin/env python3
"""Fails when a ctest entry of the build tree has no TIMEOUT of its own: without
one, a hung test waits out ctest's default of 1,500 s, or CI's whole run.

    check_timeouts.py BUILD_DIR
"""
import json
import subprocess
import sys


def main():
    listing = subprocess.run(["ctest", "--test-dir", sys.argv[1], "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    tests = json.loads(listing)["tests"]
    untimed = [test["name"] for test in tests
               if not any(p["name"] == "TIMEOUT" and p["value"] > 0
                          for p in test.get("properties", []))]
    for name in untimed:
        print(f"no TIMEOUT: {name}")
    print(f"timeouts: {len(tests) - len(untimed)} passed, {len(untimed)} failed")
    return 1 if untimed or not tests else 0


if __name__ == "__main__":
    sys.exit(main())
