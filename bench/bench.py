#!/usr/bin/env python3
"""`make bench`: the shipped Tarnwhistle.exe under Wine, `/S` on a generated package,
against what an administrator would write instead (administrator.cmd: xcopy and a
regsvr32 loop), both as 32-bit programs in one Wine session.

Two packages: "mixed" (1,000 small files, 5 files of 8 MB, 16 DLLs that Wine's own
regsvr32 registers) and "small" (3,000 small files). Each round runs every
contender once, in an order that starts one contender later each round, each into
a fresh application directory after `sync`; the ratio is taken within each round.
The installed trees must be the same, file names and bytes, the DLLs' registration
markers included. With --baseline, a second Tarnwhistle.exe (main's, say) runs
beside the first in every round.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.dont_write_bytecode = True
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(ROOT / "bench"))

import figures  # noqa: E402
import wine_session as wine  # noqa: E402

# Letters no test takes, so that a bench beside a test run gets a drive of its own.
DRIVE_LETTERS = "klm"
RUN_TIMEOUT = 900
SMALL_SIZES = (512, 1536, 3072, 6144, 12288)  # cycled: 4.7 KB on average
LARGE_SIZE = 8 * 1024 * 1024
BATCH = ROOT / "bench" / "administrator.cmd"
# 32-bit cmd, so that xcopy and regsvr32 run as 32-bit programs like the installer.
CMD32 = r"C:\windows\syswow64\cmd.exe"


class PackageShape:
    def __init__(self, name, small_files, large_files, dlls):
        self.name, self.small_files, self.large_files, self.dlls = (
            name, small_files, large_files, dlls)

    def describe(self):
        parts = [f"{self.small_files:,} small files"]
        if self.large_files:
            parts.append(f"{self.large_files} × 8 MB")
        if self.dlls:
            parts.append(f"{self.dlls} DLL" + ("s" if self.dlls > 1 else ""))
        return ", ".join(parts)


PACKAGES = [PackageShape("mixed", 1000, 5, 16), PackageShape("small", 3000, 0, 0)]
# Run once by every contender before the rounds, not timed: the session's first
# 32-bit starts of each program (and the installer's first entry in the registry)
# cost the first run up to twice as much as the later ones.
WARM_UP = PackageShape("warm-up", 20, 0, 1)


def lay_out(folder, shape, regsvr32, dll):
    """The package: a few of the small files and regsvr32.exe in driversupport\\ (each
    installed twice), the rest in Driver\\."""
    support, driver = folder / "driversupport", folder / "Driver"
    support.mkdir(parents=True)
    driver.mkdir()
    shutil.copyfile(regsvr32, support / "regsvr32.exe")
    data = os.urandom(max(SMALL_SIZES))
    for i in range(shape.small_files):
        where = support if i % 50 == 0 else driver
        size = SMALL_SIZES[i % len(SMALL_SIZES)]
        # Each file's own first bytes, so that a mixed-up copy shows.
        (where / f"file{i:04d}.dat").write_bytes(f"{i:08d}".encode() + data[8:size])
    for i in range(shape.large_files):
        (driver / f"large{i}.bin").write_bytes(os.urandom(LARGE_SIZE))
    for i in range(shape.dlls):
        shutil.copyfile(dll, driver / f"twdev{i:02d}.dll")


class Contender:
    def __init__(self, name, label, command):
        self.name, self.label, self.command = name, label, command
        self.seconds = {}  # package -> the seconds of each round


def installer(name, label, exe):
    return Contender(name, label, lambda app: [str(exe), "/S", f"/D={app}"])


def timed_run(contender, package, app_text):
    """Seconds from the start of the Wine process to its end; the run must end with 0."""
    os.sync()
    started = time.monotonic()
    process = subprocess.Popen([str(ROOT / "tools" / "wine-run.sh"), *contender.command(app_text)],
                               cwd=package, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, start_new_session=True)
    try:
        output, _ = process.communicate(timeout=RUN_TIMEOUT)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, 9)
        process.wait()
        raise SystemExit(f"bench: {contender.label} ran over {RUN_TIMEOUT} s")
    seconds = time.monotonic() - started
    if process.returncode != 0:
        raise SystemExit(f"bench: {contender.label} ended with {process.returncode} "
                         f"(low byte of the exit code):\n{output.decode(errors='replace')}")
    return seconds


def forget_earlier_installations(prefix):
    """The installer adds each installation to a list kept under Program Files: taken
    away before each run, so that every round installs on the same machine state."""
    for folder in ("Program Files (x86)", "Program Files"):
        wine.remove_tree(prefix / "drive_c" / folder / "Tarnwhistle")


def bench_package(shape, contenders, rounds, work, drive, prefix, tools):
    package = work / shape.name
    lay_out(package, shape, wine.wine_regsvr32(prefix), tools / "twsample.dll")
    files = sum(len(f) for _, _, f in os.walk(package))
    size = sum(p.stat().st_size for p in package.rglob("*") if p.is_file())
    print(f"\npackage {shape.name}: {shape.describe()} and regsvr32.exe "
          f"({files:,} files, {size / 1e6:.1f} MB)", flush=True)
    for contender in contenders:
        contender.seconds[shape.name] = []
    checked_files = 0
    for round_number in range(rounds):
        trees = {}
        for index in figures.round_order(round_number, len(contenders)):
            contender = contenders[index]
            app = work / f"round{round_number}" / contender.name
            app.mkdir(parents=True)
            forget_earlier_installations(prefix)
            seconds = timed_run(contender, package, drive.dos(app))
            contender.seconds[shape.name].append(seconds)
            trees[contender.name] = figures.tree(app)
            print(f"  round {round_number + 1}: {contender.label} {seconds:.2f} s", flush=True)
        reference = trees["batch"]
        for name, found in trees.items():
            problems = figures.tree_differences(found, reference)
            if problems:
                raise SystemExit(f"bench: {name}'s tree differs from the batch's: "
                                 + "; ".join(problems[:10]))
        checked_files = sum(1 for v in reference.values() if v is not None)
        wine.remove_tree(work / f"round{round_number}")
    return checked_files


def report(shape, contenders, checked_files):
    print(f"\n{shape.name} ({shape.describe()}): median (lowest–highest) over "
          f"{len(contenders[0].seconds[shape.name])} rounds, wall clock")
    for contender in contenders:
        spread = figures.Spread(contender.seconds[shape.name])
        print(f"  {contender.label:<34} {spread.text(' s')}")
    batch = next(c for c in contenders if c.name == "batch")
    pairs = [(c, batch, "batch") for c in contenders if c is not batch]
    pairs += [(contenders[0], c, "baseline") for c in contenders if c.name == "baseline"]
    for numerator, denominator, name in pairs:
        ratios = figures.ratios_by_round(numerator.seconds[shape.name],
                                         denominator.seconds[shape.name])
        label = f"ratio {numerator.name} / {name}"
        print(f"  {label:<34} {figures.Spread(ratios).text()}")
    print(f"  installed trees the same in every round: {checked_files:,} files, names and bytes",
          flush=True)


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", type=Path, default=ROOT / "build/win32/Tarnwhistle.exe")
    parser.add_argument("--baseline", type=Path, help="a second Tarnwhistle.exe timed beside")
    parser.add_argument("--tools", type=Path, default=ROOT / "build/win32/tests/winetools")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--folder", type=Path, default=ROOT / "build/bench")
    parser.add_argument("--packages", default=",".join(p.name for p in PACKAGES))
    return parser.parse_args()


def main():
    args = parse_arguments()
    for needed in (args.exe, args.tools / "twsample.dll", args.baseline):
        if needed is not None and not needed.is_file():
            raise SystemExit(f"bench: {needed} not found (make win32)")
    if args.rounds < 1:
        raise SystemExit("bench: at least one round")
    shapes = [p for p in PACKAGES if p.name in args.packages.split(",")]

    prefix = wine.wine_prefix()
    work = args.folder.resolve()
    wine.remove_tree(work)
    (work / "exe").mkdir(parents=True)
    shutil.copyfile(args.exe, work / "exe" / "Tarnwhistle.exe")
    shutil.copyfile(BATCH, work / BATCH.name)
    started, load = time.monotonic(), os.getloadavg()
    with wine.MappedDrive(prefix, work, DRIVE_LETTERS) as drive:
        contenders = [installer("tarnwhistle", "Tarnwhistle.exe /S",
                                drive.dos(work / "exe" / "Tarnwhistle.exe")),
                      Contender("batch", "administrator's batch",
                                lambda app: [CMD32, "/c", drive.dos(work / BATCH.name), app])]
        if args.baseline:
            (work / "baseline").mkdir()
            shutil.copyfile(args.baseline, work / "baseline" / "Tarnwhistle.exe")
            contenders.append(installer("baseline", "baseline Tarnwhistle.exe /S",
                                        drive.dos(work / "baseline" / "Tarnwhistle.exe")))
        print(f"Tarnwhistle.exe: {args.exe} ({args.exe.stat().st_size:,} bytes)"
              + (f"; baseline: {args.baseline}" if args.baseline else ""))
        # One Wine session for every run: the server stays up for a minute after the
        # last program of the prefix ends, so between runs too.
        subprocess.run(["bash", "-c", f'source "{ROOT}/tools/wine-env.sh" && '
                        '/usr/lib/wine/wineserver64 -p60'], check=False)
        bench_package(WARM_UP, contenders, 1, work, drive, prefix, args.tools)
        checked = [bench_package(shape, contenders, args.rounds, work, drive, prefix, args.tools)
                   for shape in shapes]
    for shape, files in zip(shapes, checked):
        report(shape, contenders, files)
    forget_earlier_installations(prefix)
    print(f"\nthe benchmark took {time.monotonic() - started:.0f} s; load average "
          f"{load[0]:.1f} at the start, {os.getloadavg()[0]:.1f} at the end")
    return 0


if __name__ == "__main__":
    sys.exit(main())
