"""What every end-to-end scenario shares: the temporary drive, the starts of the
installer, the checks of a scenario and the report.
"""

import shutil
import subprocess
import tempfile
import time
import traceback
from pathlib import Path

import installer_run as ui
import package as pkg
import wine_session as wine
import x_display as x

# Wine returns from starting a process once the new process has initialised, so
# when the final message shows, every registration tool has started; each one
# writes its log line and ends within moments.
TOOL_END_TIMEOUT = 120
MAX_PROBLEMS_SHOWN = 20
RUN_MARKER = "TW_E2E_RUN"


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
        self.scenario_artefacts = self.artefacts  # the running scenario's own folder
        self.dialog_width_at_96_dpi = None  # seen by a run at 96 dots per inch

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

    def planted_winmm(self):
        """A winmm.dll that leaves "winmm.dll.loaded" beside itself when loaded."""
        return self.tools_dir / "planted" / "winmm.dll"

    def place_exe(self, folder):
        target = Path(folder) / "Tarnwhistle.exe"
        shutil.copyfile(self.exe, target)
        return target

    def tool_log(self, name):
        return self.folder("logs") / f"{name}-regsvr32.log"

    def install_log(self, name):
        """Where the run of scenario name writes its own log, with /LOG=."""
        return self.folder("logs") / f"{name}-install.log"

    def start(self, name, exe, cwd, args=(), env=None):
        """Starts the installer from cwd with the arguments and the environment
        variables of env; the logging tool it starts writes to tool_log(name)."""
        env = {**(env or {}), RUN_MARKER: str(self.root),
               "TW_REGSVR32_LOG": self.drive.dos(self.tool_log(name))}
        log = self.scenario_artefacts / f"{name}-wine.log"
        return ui.InstallerRun(lambda: wine.WindowsProgram(exe, cwd, log, env, args), name,
                               self.scenario_artefacts)

    def run_installer(self, name, source, exe=None, args=(), steps=ui.confirm, silent=False,
                      final_message=True, timeout=ui.STEP_TIMEOUT, on_message=None, env=None):
        """Starts the installer from source (its own copy there unless exe is given)
        with the environment variables of env, lets steps act in the dialog (no
        steps: the run shows no dialog), calls on_message(run) while the final
        message shows, dismisses it and waits for the program and every
        registration tool it started to end. A silent run shows no dialog: it is
        only waited for. Returns the run's ui.RunResult; raises Failure when a
        window does not come or the program does not end."""
        exe = exe or self.place_exe(source)
        mark = self.watch.mark()
        caption = None
        with self.start(name, exe, source, args, env) as run:
            if not silent:
                if steps:
                    steps(run, run.dialog())
                if final_message:
                    caption = run.finish_with_message(timeout, on_message)
            code = run.exit_code(timeout if silent else ui.STEP_TIMEOUT)
            if code is None:
                raise Failure(f"the program did not end; windows mapped: "
                              f"{self.watch.names_since(mark)}")
            messages, crashes = run.message_texts(), run.program.crash_lines()
        # Every tool started before the final message: once all have ended, the log
        # holds each start, and a second start of one DLL would show.
        if not wine.wait_marked_processes_end(RUN_MARKER, str(self.root), "regsvr32",
                                              TOOL_END_TIMEOUT):
            raise Failure(f"registration tools still running {TOOL_END_TIMEOUT} s after the end")
        record = self.record_path()
        return ui.RunResult(code, messages, caption,
                            record.read_bytes() if record.exists() else None,
                            sorted(pkg.read_tool_log(self.tool_log(name))),
                            self.watch.names_since(mark), crashes)

    # --- running ------------------------------------------------------------

    def run(self, name, title, scenario):
        """Runs scenario, whose screenshots, Wine logs and, at its end, the logs its
        runs wrote on the drive go to the artefacts folder named after it."""
        print(f"--- {name}: {title}", flush=True)
        began = time.monotonic()
        checks = Checks()
        self.scenario_artefacts = self.artefacts / name
        self.scenario_artefacts.mkdir(parents=True, exist_ok=True)
        try:
            scenario(self, name, checks)
        except (Failure, x.XError, subprocess.SubprocessError, OSError) as error:
            checks.problems.append(f"stopped: {error}")
        except Exception:
            checks.problems.append("stopped: " + traceback.format_exc())
        finally:
            wine.end_marked_processes(RUN_MARKER, str(self.root))
            record = self.record_path()
            if record.exists():
                record.unlink()
            self.keep_logs(name)
        self.report(name, title, checks.problems, time.monotonic() - began,
                    self.scenario_artefacts)
        self.scenario_artefacts = self.artefacts

    def keep_logs(self, name):
        """Copies the install, removal and tool logs of scenario name from the drive,
        which goes when the suite ends, into its artefacts folder."""
        logs = self.root / "logs"
        if not logs.is_dir():
            return
        for log in logs.iterdir():
            if log.is_file() and log.name.startswith((f"{name}-", f"{name}.")):
                shutil.copyfile(log, self.scenario_artefacts / log.name)

    def report(self, name, title, problems, seconds, artefacts):
        """One PASS or FAIL line naming the scenario; a failure also gives the
        folder that holds its screenshots and Wine logs, then the problems."""
        self.results.append((name, title, problems))
        if not problems:
            print(f"PASS {name}: {title} ({seconds:.0f} s)", flush=True)
            return
        print(f"FAIL {name}: {title} ({seconds:.0f} s); screenshots and logs in {artefacts}",
              flush=True)
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
