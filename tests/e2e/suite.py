"""What every end-to-end scenario shares: the temporary drive, the starts of the
installer, the checks of a scenario and the report.
"""

import shutil
import subprocess
import tempfile
import time
import traceback
from pathlib import Path

import package as pkg
import wine_session as wine
import x_display as x
from installer_run import InstallerRun

# Wine returns from starting a process once the new process has initialised, so
# when the final message shows, every registration tool has started; its log
# line follows within moments.
TOOL_LOG_TIMEOUT = 60
MAX_PROBLEMS_SHOWN = 20


class Failure(Exception):
    pass


class Checks:
    """Collects the differences a scenario finds; a scenario passes without any."""

    def __init__(self):
        self.problems = []

    def equal(self, actual, expected, what):
        if actual != expected:
            self.problems.append(f"{what}: got {actual!r}, expected {expected!r}")

    def true(self, condition, what):
        if not condition:
            self.problems.append(what)

    def extend(self, problems):
        self.problems.extend(problems)


class Suite:
    def __init__(self, exe, tools_dir, artefacts, drive, root, prefix):
        self.exe = Path(exe)
        self.tools_dir = Path(tools_dir)
        self.artefacts = Path(artefacts)
        self.drive = drive
        self.root = Path(root)
        self.prefix = Path(prefix)
        self.results = []
        self.watch = None

    # --- fixtures -----------------------------------------------------------

    def folder(self, *parts):
        path = self.root.joinpath(*parts)
        path.mkdir(parents=True, exist_ok=True)
        return path

    def record_path(self):
        """Where "\\ZAVIDAR.CFG" lands: the root of the mapped drive."""
        return self.root / pkg.RECORD_NAME

    def stand_in_tool(self):
        return (self.tools_dir / "regsvr32.exe").read_bytes()

    def place_exe(self, folder):
        target = Path(folder) / "Tarnwhistle.exe"
        shutil.copyfile(self.exe, target)
        return target

    def start(self, name, exe, cwd, tool_log=None):
        """Starts the installer from cwd; the logging tool writes to tool_log."""
        env = {"TW_E2E_RUN": str(self.root)}
        if tool_log is not None:
            env["TW_REGSVR32_LOG"] = self.drive.dos(tool_log)
        log = self.artefacts / f"{name}-wine.log"
        return InstallerRun(lambda: wine.WindowsProgram(exe, cwd, log, env), name,
                            self.artefacts)

    def check_registrations(self, checks, tool_log, app_dir, dll_names):
        """Exactly one start of the tool per DLL, with the expected command line and
        working directory (the order of the starts follows the folder listing)."""
        expected = sorted((pkg.registration_arguments(app_dir + "Driver\\" + n),
                           pkg.tool_directory(app_dir)) for n in dll_names)
        deadline = time.monotonic() + TOOL_LOG_TIMEOUT
        while (len(pkg.read_tool_log(tool_log)) < len(expected)
               and time.monotonic() < deadline):
            time.sleep(0.5)
        checks.equal(sorted(pkg.read_tool_log(tool_log)), expected, "registration tool starts")

    # --- running ------------------------------------------------------------

    def run(self, name, title, scenario):
        print(f"--- {name}: {title}", flush=True)
        began = time.monotonic()
        checks = Checks()
        try:
            scenario(self, name, checks)
        except (Failure, x.XError, subprocess.SubprocessError, OSError) as error:
            checks.problems.append(f"stopped: {error}")
        except Exception:
            checks.problems.append("stopped: " + traceback.format_exc())
        finally:
            wine.end_marked_processes("TW_E2E_RUN", str(self.root))
            record = self.record_path()
            if record.exists():
                record.unlink()
        self.report(name, title, checks.problems, time.monotonic() - began)

    def report(self, name, title, problems, seconds):
        self.results.append((name, title, problems))
        verdict = "PASS" if not problems else "FAIL"
        print(f"{verdict} {name}: {title} ({seconds:.0f} s)", flush=True)
        for problem in problems[:MAX_PROBLEMS_SHOWN]:
            print(f"    {problem}", flush=True)
        if len(problems) > MAX_PROBLEMS_SHOWN:
            print(f"    ... and {len(problems) - MAX_PROBLEMS_SHOWN} more", flush=True)

    def failed(self):
        return [name for name, _, problems in self.results if problems]


def make_suite_root():
    return Path(tempfile.mkdtemp(prefix="tw-e2e-"))


def release_tree(path):
    """Undoes the immutable flag some scenarios set, then removes the folder."""
    path = Path(path)
    if path.exists():
        subprocess.run(["chattr", "-R", "-i", str(path)], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        wine.remove_tree(path)
