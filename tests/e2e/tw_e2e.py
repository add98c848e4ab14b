#!/usr/bin/env python3
"""End-to-end tests of Tarnwhistle.exe under Wine.

Each scenario lays out a driver package in a temporary folder mapped to a drive
letter of the Wine prefix, starts the real program from it on a private X
display, drives the dialog with xdotool and checks the record, the installed
files, the final message and the registration tool's log. Each scenario is named
by what it shows; screenshots of every step, the Wine logs and the logs of its
runs are kept in the artefacts folder's subfolder of that name, which a FAIL line
gives.

    tw_e2e.py --exe Tarnwhistle.exe --tools <folder of regsvr32.exe> --artefacts DIR
              [--suite scenarios|many-files|removal|transaction]
              [--only cancel-writes-nothing,source-folders-missing]
"""

import argparse
import os
import shutil
import sys
from pathlib import Path

# Nothing is written into the source tree, byte-code included.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))

import many_files  # noqa: E402
import removal  # noqa: E402
import scenarios  # noqa: E402
import suite as suites  # noqa: E402
import transaction  # noqa: E402
import wine_session as wine  # noqa: E402
import x_display as x  # noqa: E402


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, type=Path)
    parser.add_argument("--tools", required=True, type=Path,
                        help="folder of the test tools (regsvr32.exe, "
                             "regsvr32_broadcast.exe, twsample.dll, edit_box_probe.exe, "
                             "held_file.exe, hold_in_use.exe, pair\\)")
    parser.add_argument("--artefacts", required=True, type=Path)
    parser.add_argument("--suite", choices=("scenarios", "many-files", "removal", "transaction"),
                        default="scenarios")
    parser.add_argument("--only", default="", help="comma-separated scenario names")
    return parser.parse_args()


def with_private_display():
    """Runs this script again on a private virtual display when there is none."""
    if os.environ.get("DISPLAY"):
        return
    script = wine.TOOLS / "with-display.sh"
    os.execvp("bash", ["bash", str(script), sys.executable, *sys.argv])


def main():
    args = parse_arguments()
    with_private_display()
    for needed in (args.exe, args.tools / "regsvr32.exe", args.tools / "regsvr32_broadcast.exe",
                   args.tools / "twsample.dll", args.tools / "planted" / "winmm.dll",
                   args.tools / "edit_box_probe.exe", args.tools / "held_file.exe",
                   args.tools / "hold_in_use.exe",
                   *(args.tools / "pair" / version / f"pair_{name}.dll"
                     for version in ("old", "new") for name in ("alpha", "beta"))):
        if not needed.is_file():
            print(f"FAIL: {needed} has not been built", flush=True)
            return 1
    if args.artefacts.exists():
        shutil.rmtree(args.artefacts)
    args.artefacts.mkdir(parents=True)

    suite_scenarios = {"scenarios": scenarios.SCENARIOS, "many-files": many_files.SCENARIOS,
                       "removal": removal.SCENARIOS,
                       "transaction": transaction.SCENARIOS}[args.suite]
    names = [name for name, _, _ in suite_scenarios]
    # A run's processes are told apart by these words in their command lines, which
    # hold the scenario's folder: a name with one would be taken for a process.
    clashing = [name for name in names
                if any(word in name.lower() for word in ("regsvr32", "tarnwhistle"))]
    if clashing:
        print(f"FAIL: scenario names that hold a process's name: {', '.join(clashing)}",
              flush=True)
        return 1
    only = [name for name in args.only.split(",") if name]
    unknown = [name for name in only if name not in names]
    if unknown:
        print(f"FAIL: no scenario {', '.join(unknown)} in the suite {args.suite}; "
              f"it has {', '.join(names)}", flush=True)
        return 1
    chosen = [s for s in suite_scenarios if not only or s[0] in only]
    prefix = wine.wine_prefix()
    root = suites.make_suite_root()
    suite = None
    try:
        # The runs' geometry is that of 96 dots per inch, whatever an earlier,
        # interrupted run left in the prefix (code-page-1252-high-dpi sets 144 for
        # its own run).
        with wine.MappedDrive(prefix, root) as drive, \
                wine.RegistryValue(prefix, r"HKCU\Control Panel\Desktop", "LogPixels",
                                   "REG_DWORD", 96):
            print(f"drive {drive.root} -> {root}; artefacts in {args.artefacts}", flush=True)
            suite = suites.Suite(args.exe, args.tools, args.artefacts, drive, root, prefix)
            with x.MapWatch() as watch:
                suite.watch = watch
                for name, title, scenario in chosen:
                    suite.run(name, title, scenario)
            if args.suite == "scenarios":
                suite.report("frame-never-visible", "the hidden frame is never visible",
                             scenarios.check_frame_never_visible(suite), 0, args.artefacts)
    finally:
        suites.release_tree(root)

    failed = suite.failed()
    print(f"{len(suite.results) - len(failed)} passed, {len(failed)} failed"
          + (f": {', '.join(failed)}" if failed else ""), flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
