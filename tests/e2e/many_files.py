"""The installer on a package of 5,000 driver files whose names come close to the
260-character path limit: no crash, every entry that does not fit counted and the
first ten named in the final message, and the run undone: nothing is left in the
application directory, not even the Driver\\ folder it made."""

import time

import installer_run as ui
import package as pkg
import wine_session as wine
import x_display as x
from scenarios import expect_undone

FILE_COUNT = 5000
# The engine's path buffers hold 260 characters and the terminator; Wine's file
# functions take paths of that length too.
LONGEST_PATH = 260
INSTALL_TIMEOUT = 1200


def driver_names():
    """Names of 230 to 255 characters (the longest a file system takes), a few
    short ones and a few with double-byte characters of code page 936."""
    names = []
    for i in range(FILE_COUNT):
        if i % 500 == 7:
            names.append(f"{i:04d}-short.sys")
        elif i % 500 == 11:
            names.append(f"{i:04d}-" + "x" * 140 + "驱动程序" * 8 + ".inf")
        else:
            length = 230 + i % 26
            names.append(f"{i:04d}-" + "n" * (length - 9) + ".sys")
    return names


def fits(*paths):
    return all(len(p.encode("cp936")) <= LONGEST_PATH for p in paths)


def scenario_many_files(suite, name, checks):
    app_dir = suite.folder(name, "app")
    source = suite.folder(name, "pkg")
    app_text = suite.drive.dos(app_dir)
    source_text = suite.drive.dos(source)
    driver = {n: f"{n[:4]}\r\n".encode() for n in driver_names()}
    package = pkg.Package({"support.txt": pkg.content("support.txt"),
                           "setup.ini": pkg.content("setup.ini")}, driver)
    package.lay_out(source)

    skipped = ["Driver\\" + n for n in driver
               if not fits(source_text + "\\Driver\\" + n, app_text + "\\Driver\\" + n)]
    log = suite.install_log(name)
    progress = []

    def watch_progress(run, dialog):
        """After OK: the progress window comes, centred, under its Chinese caption."""
        wid = run.progress_window()
        progress.append(wid)
        checks.equal(x.window_name(wid), ui.PROGRESS_CAPTION, "caption of the progress window")
        left, top, width, height = x.geometry(wid)
        screen_width, screen_height = x.screen_size()
        checks.true(abs(left + width / 2 - screen_width / 2) <= 40
                    and abs(top + height / 2 - screen_height / 2) <= 40,
                    f"progress window not centred: {(left, top, width, height)}")
        # A few seconds on, the bar has moved: a second picture shows it.
        time.sleep(5)
        if x.is_viewable(wid):
            run.shot("progress-later", wid)

    def confirm_and_watch(run, dialog):
        ui.confirm(run, dialog)
        watch_progress(run, dialog)

    def progress_gone(run):
        checks.true(not x.is_viewable(progress[0]),
                    "the progress window is still up when the final message shows")

    result = suite.run_installer(name, source, args=("/LOG=" + suite.drive.dos(log),),
                                 steps=ui.typed(app_text, then=confirm_and_watch),
                                 on_message=progress_gone, timeout=INSTALL_TIMEOUT)
    print(f"    {len(driver)} driver files, {len(skipped)} do not fit", flush=True)
    checks.true(ui.NAMED_FAILURES < len(skipped) < len(driver),
                "the package must hold names on both sides of the limit, more than ten too long")
    checks.equal(result.crashes, [], "crash reports in the Wine log")
    # The message is checked below against the log's list.
    expect_undone(checks, result, app_dir, {}, None)
    # The files come in the order the run met them, which the log keeps.
    lines, problems = pkg.read_install_log(log)
    checks.extend(problems)
    named = [line.partition(": ")[2] for line in lines if line.startswith("not installed: ")]
    checks.equal(sorted(named), sorted(skipped), "files named not installed in the log")
    message = ui.undone_text(named)
    checks.equal([line for line in lines if line.startswith("result: ")], [f"result: {message}"],
                 "the log's result")
    checks.true(len(result.messages) == 1 and wine.traced_as(result.messages[0], message),
                f"message shown {result.messages!r}, expected {message!r}")


SCENARIOS = [
    ("many-files", f"{FILE_COUNT} files with names near the path limit", scenario_many_files),
]
