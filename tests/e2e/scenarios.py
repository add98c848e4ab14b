"""The end-to-end scenarios of the installer: each starts Tarnwhistle.exe once
(suite.run_installer) and checks what the run left: its messages and exit status,
the record, the installed layout and the registration tool's starts."""

import os
import shutil
import subprocess
import time

import installer_run as ui
import package as pkg
import suite as suites
import wine_session as wine
import x_display as x
from suite import Failure


def standard_package(suite, dlls):
    """A package like the real ones, with every kind of entry the passes meet."""
    support = {
        "regsvr32.exe": suite.stand_in_tool(),
        "support.txt": pkg.content("support.txt"),
        "helper.dll": pkg.content("helper.dll"),  # copied twice, never registered
        "common.inf": pkg.content("driversupport/common.inf"),
        "big.bin": pkg.content("big.bin", 300_000),  # many blocks of the copy
    }
    driver = {name: pkg.content(name, 4096) for name in dlls}
    driver.update({
        "gamma.sys": pkg.content("gamma.sys"),
        "readme.txt": pkg.content("readme.txt"),
        "old.dll.bak": pkg.content("old.dll.bak"),  # not a DLL: not registered
        "common.inf": pkg.content("Driver/common.inf"),  # the driver pass's copy stays
    })
    return pkg.Package(support, driver, driver_subfolders=("sub",))


def small_package():
    return pkg.Package({"support.txt": pkg.content("support.txt")},
                       {"gamma.sys": pkg.content("gamma.sys"),
                        "readme.txt": pkg.content("readme.txt")})


def expect_installed(checks, result, package, app_dir, recorded, messages=(ui.TEXT_DONE,),
                     caption=ui.INFO_CAPTION, exit_code=ui.EXIT_INSTALLED, layout=None,
                     registered=None):
    """The run showed exactly messages (None: the caller checks them), the last
    under caption, and ended with exit_code (None: not checked); the record holds
    recorded; app_dir holds layout (the package's installed layout unless given);
    and the tool was started exactly once for each DLL of registered (the
    package's unless given), from the application directory."""
    if messages is not None:
        checks.equal(result.messages, list(messages), "message boxes shown")
    checks.equal(result.caption, caption, "caption of the final message")
    if exit_code is not None:
        checks.equal(result.exit_code, ui.wine_exit_status(exit_code), "exit status")
    checks.extend(pkg.record_problems(result.record, recorded))
    expected = package.installed_layout() if layout is None else layout
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), expected, recorded))
    names = package.registered_names() if registered is None else registered
    checks.equal(result.tool_starts, pkg.tool_starts(recorded, names), "registration tool starts")


def expect_undone(checks, result, app_dir, before, messages, exit_code=ui.EXIT_FAILED):
    """A run undone: it showed messages (an error; None: the caller checks them)
    and ended with exit_code; app_dir
    holds exactly what it held before (the tree before); no tool was started and
    no record stays, as there was none before."""
    if messages is not None:
        checks.equal(result.messages, list(messages), "message boxes shown")
    if messages != ():
        checks.equal(result.caption, ui.ERROR_CAPTION, "caption of the final message")
    checks.equal(result.exit_code, ui.wine_exit_status(exit_code), "exit status")
    checks.equal(result.record, None, "record left by an undone run")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), before, "application directory"))
    checks.equal(result.tool_starts, [], "registration tool starts")


def expect_no_window(checks, result):
    """A silent run: no window was mapped at any moment of it."""
    checks.equal(result.windows, [], "windows mapped during the run")


def copy_lines(package, source_text, app_text, failed=()):
    """The install log's copy lines for package installed from the folder
    source_text into app_text (which ends with its separator); the destinations
    in failed (relative, with "\\") fail."""
    copies = [("driversupport\\" + n, n) for n in package.support]
    copies += [("driversupport\\" + n, "Driver\\" + n) for n in package.support]
    copies += [("Driver\\" + n, "Driver\\" + n) for n in package.driver]
    return [f"copy: {source_text}\\{src} -> {app_text}{dst}: "
            + ("failed (system error N)" if dst in failed else "ok") for src, dst in copies]


def registration_lines(app_text, dll_names, exit_code=0):
    """The install log's lines for the registrations of dll_names, sorted."""
    return sorted(f'registration: "{app_text}regsvr32.exe" '
                  + pkg.registration_arguments(app_text + "Driver\\" + n)
                  + f": exit code {exit_code}" for n in dll_names)


def log_head(source_text, directory_text, how, app_text):
    """The install log's lines after the start line, up to the first copy."""
    return [f"package folder: {source_text}", f"directory: {directory_text} ({how})",
            f"directory accepted: {app_text}", "record: \\ZAVIDAR.CFG written"]


def log_tail(copied, failed, registrations, message, exit_code):
    """The install log's lines after the last copy."""
    return [*registrations,
            f"summary: files copied {copied}, not installed {len(failed)}, "
            f"registrations {len(registrations)}",
            *(f"not installed: {name}" for name in failed),
            f"result: {message}", f"exit code: {exit_code}"]


def scenario_accept_default(suite, name, checks):
    """The proposed C:\\Varnelquist, prepared inside the prefix, accepted with a click on
    OK; the unknown argument /foo changes nothing."""
    with wine.ProposedDirectory(suite.prefix) as app_dir:
        if app_dir.exists():
            raise Failure(f"{app_dir} exists already; another run left it")
        app_dir.mkdir()
        try:
            source = suite.folder(name)
            package = standard_package(suite, ("alpha.dll", "BETA.DLL"))
            package.lay_out(source)
            exe = suite.place_exe(source)
            before = pkg.tree(source)

            def centred_then_ok(run, dialog):
                dx, dy, width, height = run.dialog_geometry
                suite.dialog_width_at_96_dpi = width
                screen_width, screen_height = x.screen_size()
                checks.true(abs(dx + width / 2 - screen_width / 2) <= 40
                            and abs(dy + height / 2 - screen_height / 2) <= 40,
                            f"dialog not centred: {run.dialog_geometry} on "
                            f"{screen_width}x{screen_height}")
                ui.click_ok(run, dialog)

            result = suite.run_installer(name, source, exe, args=("/foo",),
                                         steps=centred_then_ok, timeout=ui.install_timeout(2))
            expect_installed(checks, result, package, app_dir, "C:\\Varnelquist")
            checks.extend(pkg.tree_differences(pkg.tree(source), before, "source folder"))
        finally:
            suites.release_tree(app_dir)


def scenario_trailing_separator(suite, name, checks):
    """Another existing folder typed with a trailing blank and separator, which
    Windows opens as the folder without the blank but keeps in a path built on it
    (\"Target \\Driver\"): recorded and installed into as the folder, registered
    with one separator before Driver\\."""
    app_dir = suite.folder(name, "apps", "Target")
    recorded = suite.drive.dos(app_dir)
    source = suite.folder(name, "package")
    package = standard_package(suite, ("alpha.dll",))
    package.lay_out(source)
    result = suite.run_installer(name, source, steps=ui.typed(recorded + " \\"),
                                 timeout=ui.install_timeout(1))
    expect_installed(checks, result, package, app_dir, recorded)


def scenario_blanks(suite, name, checks):
    """A folder with blanks given with /D= (Wine quotes the whole argument) and taken
    with Enter as the dialog shows it: the registration's DLL path is quoted."""
    app_dir = suite.folder(name, "Program Files", "Varnel quist")
    recorded = suite.drive.dos(app_dir)
    source = suite.folder(name, "package")
    package = standard_package(suite, ("alpha.dll",))
    package.lay_out(source)
    result = suite.run_installer(name, source, args=("/D=" + recorded,), steps=ui.confirm,
                                 timeout=ui.install_timeout(1))
    expect_installed(checks, result, package, app_dir, recorded)


def scenario_cancel(suite, name, checks):
    """Cancel after typing: nothing written anywhere and no message."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    standard_package(suite, ("alpha.dll",)).lay_out(source)
    exe = suite.place_exe(source)
    before = pkg.tree(suite.root / name)

    with wine.ProposedDirectory(suite.prefix) as varnelquist:
        varnelquist_before = pkg.tree(varnelquist) if varnelquist.exists() else None
        result = suite.run_installer(
            name, source, exe,
            steps=ui.typed(suite.drive.dos(app_dir),
                           then=lambda run, dialog: x.click(dialog, *ui.CANCEL_BUTTON)),
            final_message=False)
        varnelquist_after = pkg.tree(varnelquist) if varnelquist.exists() else None

    checks.equal(result.messages, [], "message boxes shown")
    checks.equal(result.exit_code, ui.wine_exit_status(ui.EXIT_CANCELLED), "exit status")
    checks.equal(result.record, None, "record written after Cancel")
    checks.equal(result.tool_starts, [], "registration tool starts")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "scenario folder"))
    checks.true(varnelquist_after == varnelquist_before, "C:\\Varnelquist changed after Cancel")


def scenario_refused_then_relative(suite, name, checks):
    """A missing folder, then the package's own Driver\ are refused with the dialog
    left open and nothing written; then "inst", a folder inside the package typed
    as a relative path, is taken as its full path."""
    missing = suite.root / name / "missing"
    source = suite.folder(name, "package")
    app_dir = suite.folder(name, "package", "inst")
    package = pkg.Package({"regsvr32.exe": suite.stand_in_tool(),
                           "support.txt": pkg.content("support.txt")},
                          {"alpha.dll": pkg.content("alpha.dll"),
                           "gamma.sys": pkg.content("gamma.sys")})
    package.lay_out(source)
    exe = suite.place_exe(source)
    before = pkg.tree(source)

    def refused(run, dialog, what):
        ui.confirm(run, dialog)
        box, caption = run.message_box()
        checks.equal(caption, ui.ERROR_CAPTION, f"caption of the refusal of {what}")
        checks.true(not suite.record_path().exists(), f"a record was written for {what}")
        checks.extend(pkg.tree_differences(pkg.tree(source), before, f"package after {what}"))
        checks.true(x.window_name(dialog) == ui.DIALOG_CAPTION, f"dialog closed after {what}")
        run.dismiss(box)

    def refused_then_relative(run, dialog):
        ui.type_directory(run, dialog, suite.drive.dos(missing))
        refused(run, dialog, "the missing folder")
        # The dialog selects the whole text again after a refusal: typing replaces it.
        x.type_text(dialog, "Driver")
        run.shot("package-folder", dialog)
        refused(run, dialog, "Driver")
        x.type_text(dialog, "inst")
        run.shot("relative", dialog)
        ui.confirm(run, dialog)

    result = suite.run_installer(name, source, exe, steps=refused_then_relative,
                                 timeout=ui.install_timeout(1))
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir),
                     messages=(ui.TEXT_APPDIR_MISSING, ui.TEXT_APPDIR_IS_PACKAGE, ui.TEXT_DONE))
    checks.true(not missing.exists(), "the missing folder was created")


def scenario_sources_missing(suite, name, checks):
    """No driversupport\\ and no Driver\\: record written, Driver\\ created, nothing found."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    result = suite.run_installer(name, source, steps=ui.typed(suite.drive.dos(app_dir)))
    expect_installed(checks, result, pkg.Package(), app_dir, suite.drive.dos(app_dir),
                     messages=(ui.TEXT_NOTHING_FOUND,), caption=ui.ERROR_CAPTION,
                     exit_code=ui.EXIT_FAILED)
    # A run that ends within a second shows no progress window.
    checks.true(ui.PROGRESS_CAPTION not in result.windows,
                f"a progress window in a short run: {result.windows}")


def make_unwritable(path, data):
    """Leaves a file at path that no copy can replace, even for root: read-only and
    immutable. Where the file system refuses the flag, a folder takes the name.
    Returns what the layout then holds at that path."""
    path.write_bytes(data)
    os.chmod(path, 0o444)
    if subprocess.run(["chattr", "+i", str(path)], stdout=subprocess.DEVNULL,
                      stderr=subprocess.DEVNULL).returncode == 0:
        return data
    path.unlink()
    path.mkdir()
    return None


def block_destinations(app_dir, layout, blocked):
    """Makes the destinations blocked (relative, with "/") unwritable with old bytes
    in them, and sets layout to what must then stay at each."""
    for relative in blocked:
        kept = make_unwritable(app_dir / relative, pkg.content("old " + relative))
        if kept is None:
            layout.pop(relative)
            layout[relative + "/"] = None
        else:
            layout[relative] = kept


def scenario_read_only_destination(suite, name, checks):
    """A reinstall where three destination files cannot be replaced: the first the
    commit meets undoes the run, the message names it and says nothing was changed,
    the directory holds exactly what it held (no staged or set-aside file), no DLL
    is registered and the record is gone again."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    package = pkg.Package(
        {"regsvr32.exe": suite.stand_in_tool(), "support.txt": pkg.content("support.txt"),
         "notes.txt": pkg.content("notes.txt")},
        {"alpha.dll": pkg.content("alpha.dll"), "gamma.sys": pkg.content("gamma.sys"),
         "readme.txt": pkg.content("readme.txt")})
    package.lay_out(source)
    (app_dir / "Driver").mkdir()
    layout = package.installed_layout()
    block_destinations(app_dir, layout, ["support.txt", "Driver/alpha.dll", "Driver/gamma.sys"])
    before = pkg.tree(app_dir)

    result = suite.run_installer(name, source, steps=ui.typed(suite.drive.dos(app_dir)))
    # The exact tree shows the old bytes and any twXXXX.tmp or .old left behind.
    expect_undone(checks, result, app_dir, before,
                  (ui.undone_text(["driversupport\\support.txt"]),))


def scenario_other_working_directory(suite, name, checks):
    """The program's own folder holds other driver files: the working directory's are
    installed, the record lands at the working directory's drive root. The package
    brings a DLL but no registration tool, and someone has planted one in the
    application directory: it is never started, and the message names the DLL and
    the missing tool. Both folders hold a planted winmm.dll, and Wine gives winmm.dll
    Windows' search order (the program's folder first): the program, which raises
    the timer through winmm while it installs, never loads the planted one."""
    program_folder = suite.folder(name, "bin")
    pkg.Package({"decoy.txt": pkg.content("decoy.txt"), "regsvr32.exe": suite.stand_in_tool()},
                {"decoy.sys": pkg.content("decoy.sys")}).lay_out(program_folder)
    exe = suite.place_exe(program_folder)
    source = suite.folder(name, "work")
    package = small_package()
    package.driver["delta.dll"] = pkg.content("delta.dll")
    package.lay_out(source)
    app_dir = suite.folder(name, "apps", "Target")
    for folder in (program_folder, source):
        shutil.copyfile(suite.planted_winmm(), folder / "winmm.dll")
    planted = suite.stand_in_tool()
    (app_dir / "regsvr32.exe").write_bytes(planted)
    layout = package.installed_layout()
    layout["regsvr32.exe"] = planted

    result = suite.run_installer(name, source, exe, steps=ui.typed(suite.drive.dos(app_dir)),
                                 env={"WINEDLLOVERRIDES": "winmm=n,b"})
    message = ui.incomplete_text(["driversupport\\regsvr32.exe", "Driver\\delta.dll"])
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir),
                     messages=(message,), caption=ui.ERROR_CAPTION, exit_code=ui.EXIT_FAILED,
                     layout=layout, registered=[])
    for folder in (program_folder, source):
        # The mark is named after the DLL as the loader named it ("WINMM.DLL.loaded").
        marks = [p.name for p in folder.iterdir() if p.name.lower() == "winmm.dll.loaded"]
        checks.equal(marks, [], f"marks of the winmm.dll planted in {folder.name}")


def scenario_registration_judged(suite, name, checks):
    """The directory chosen with 浏览... in the shell's folder window: the edit box
    shows its full path, selected, and 确定 installs there. Wine's own regsvr32.exe
    registers a real COM DLL and fails on a DLL that is none: the final message,
    shown only once every tool has ended, names that one."""
    app_dir = suite.folder(name, "apps", "Target")
    recorded = suite.drive.dos(app_dir)
    app_text = recorded + "\\"
    source = suite.folder(name, "package")
    package = pkg.Package(
        {"regsvr32.exe": wine.wine_regsvr32(suite.prefix).read_bytes()},
        {"twsample.dll": (suite.tools_dir / "twsample.dll").read_bytes(),
         "broken.dll": pkg.content("broken.dll")})
    package.lay_out(source)
    marker = app_dir / "Driver" / "twsample.dll.registered"
    log = suite.install_log(name)

    def every_tool_ended(run):
        checks.true(marker.exists(), "twsample.dll not registered when the final message showed")
        checks.equal(wine.marked_processes(suites.RUN_MARKER, str(suite.root), "regsvr32"), [],
                     "registration tools running when the final message showed")

    def browse_then_confirm(run, dialog):
        ui.browse_to(run, dialog, app_dir)
        shown = ui.edit_box(suite.tools_dir / "edit_box_probe.exe")
        run.shot("browsed", dialog)
        checks.equal(shown.get("text"), recorded, "the edit box after Browse")
        checks.equal(shown.get("selection"), f"0 {len(recorded)}",
                     "the edit box's selection after Browse")
        checks.equal(shown.get("focus"), "edit", "the keyboard focus after Browse")
        ui.confirm(run, dialog)

    result = suite.run_installer(name, source, args=("/LOG=" + suite.drive.dos(log),),
                                 steps=browse_then_confirm,
                                 on_message=every_tool_ended,
                                 timeout=ui.install_timeout(2))
    layout = package.installed_layout()
    layout["Driver/twsample.dll.registered"] = b"registered\r\n"
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir),
                     messages=(ui.incomplete_text(["Driver\\broken.dll"]),),
                     caption=ui.ERROR_CAPTION, exit_code=ui.EXIT_FAILED, layout=layout,
                     registered=[])
    lines, problems = pkg.read_install_log(log)
    checks.extend(problems)
    checks.equal(lines[1:5], log_head(suite.drive.dos(source), recorded, "confirmed in the dialog",
                                      app_text), "the log's lines before the copies")
    checks.equal(sorted(pkg.codes_as_n(line) for line in lines
                        if line.startswith("registration: ")),
                 registration_lines(app_text, ["broken.dll"], exit_code="N")
                 + registration_lines(app_text, ["twsample.dll"]),
                 "registration lines of the log")


def silent_run(suite, name, source, directory, log=None):
    """Starts the installer from source with /S, /D=directory and /LOG=log when
    given; returns the ui.RunResult."""
    args = ["/S"] + (["/LOG=" + suite.drive.dos(log)] if log else []) + ["/D=" + directory]
    return suite.run_installer(name, source, args=args, silent=True,
                               timeout=ui.install_timeout(1))


def others_may_write(folder):
    """True when the folder's mode lets others than its owner and group write."""
    return bool(os.stat(folder).st_mode & 0o002)


def scenario_silent(suite, name, checks):
    """/S /LOG= and /D= with a folder with blanks that everyone may change, its
    Driver\\ too (mode 777, which Wine reads as Everyone's full control): no window,
    installed and registered, both folders locked (no write for others) and said so
    in the log, exit code 0, every step in the log."""
    app_dir = suite.folder(name, "Program Files", "Varnel quist")
    app_text = suite.drive.dos(app_dir) + "\\"
    (app_dir / "Driver").mkdir()
    for folder in (app_dir, app_dir / "Driver"):
        os.chmod(folder, 0o777)
    source = suite.folder(name, "package")
    source_text = suite.drive.dos(source)
    package = standard_package(suite, ("alpha.dll",))
    package.lay_out(source)
    log = suite.install_log(name)

    result = silent_run(suite, name, source, suite.drive.dos(app_dir), log)
    expect_no_window(checks, result)
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir), messages=(),
                     caption=None)
    for folder in (app_dir, app_dir / "Driver"):
        checks.true(not others_may_write(folder),
                    f"{folder} still lets others write: mode {os.stat(folder).st_mode:o}")
    copies = copy_lines(package, source_text, app_text)
    secured = [f"directory secured: {app_text}", f"directory secured: {app_text}Driver\\"]
    checks.extend(pkg.install_log_problems(
        log, log_head(source_text, suite.drive.dos(app_dir), "from /D=", app_text) + secured,
        copies,
        log_tail(len(copies), [], registration_lines(app_text, ["alpha.dll"]), ui.TEXT_DONE,
                 ui.EXIT_INSTALLED)))


def scenario_silent_missing(suite, name, checks):
    """/S with a missing folder: no window, exit code 1603, nothing written but the
    log, which gives the reason."""
    missing = suite.root / name / "missing"
    source = suite.folder(name, "package")
    standard_package(suite, ("alpha.dll",)).lay_out(source)
    suite.place_exe(source)
    before = pkg.tree(suite.root / name)
    log = suite.install_log(name)

    result = silent_run(suite, name, source, suite.drive.dos(missing), log)
    expect_no_window(checks, result)
    checks.equal(result.exit_code, ui.wine_exit_status(ui.EXIT_FAILED), "exit status")
    checks.equal(result.record, None, "record written for a missing folder")
    checks.equal(result.tool_starts, [], "registration tool starts")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "scenario folder"))
    checks.extend(pkg.install_log_problems(
        log, [f"package folder: {suite.drive.dos(source)}",
              f"directory: {suite.drive.dos(missing)} (from /D=)",
              "directory refused: not an existing folder", "exit code: 1603"], [], []))


def scenario_silent_incomplete(suite, name, checks):
    """/S where one destination cannot be replaced: no window, exit code 1603, every
    file as before, nothing registered, the record removed again; the log names
    the file and says nothing changed."""
    app_dir = suite.folder(name, "apps", "Target")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    source_text = suite.drive.dos(source)
    package = pkg.Package({"regsvr32.exe": suite.stand_in_tool(),
                           "support.txt": pkg.content("support.txt")},
                          {"alpha.dll": pkg.content("alpha.dll"),
                           "gamma.sys": pkg.content("gamma.sys")})
    package.lay_out(source)
    (app_dir / "Driver").mkdir()
    # Folders only their owner may change are locked already: left as they are, and
    # the log (compared whole below) has no "directory secured:" line.
    for folder in (app_dir, app_dir / "Driver"):
        os.chmod(folder, 0o755)
    layout = package.installed_layout()
    block_destinations(app_dir, layout, ["Driver/gamma.sys"])
    before = pkg.tree(app_dir)
    log = suite.install_log(name)

    result = silent_run(suite, name, source, suite.drive.dos(app_dir), log)
    expect_no_window(checks, result)
    expect_undone(checks, result, app_dir, before, ())
    for folder in (app_dir, app_dir / "Driver"):
        checks.equal(os.stat(folder).st_mode & 0o777, 0o755, f"mode of {folder}")
    failed = ["Driver\\gamma.sys"]
    # Every copy is staged; the commit then cannot set the old file aside.
    copies = copy_lines(package, source_text, app_text)
    checks.extend(pkg.install_log_problems(
        log, log_head(source_text, suite.drive.dos(app_dir), "from /D=", app_text), copies,
        [f"commit: {app_text}Driver\\gamma.sys not put in place (system error 5)",
         "record: \\ZAVIDAR.CFG restored",
         *log_tail(0, failed, [], ui.undone_text(failed), ui.EXIT_FAILED)[:-2],
         "installation undone: nothing changed",
         *log_tail(0, failed, [], ui.undone_text(failed), ui.EXIT_FAILED)[-2:]]))


def scenario_silent_empty_directory(suite, name, checks):
    """/S with an empty /D= (a script whose variable came out empty): no window,
    exit code 1603, nothing written but the log, which gives the reason."""
    source = suite.folder(name, "package")
    standard_package(suite, ("alpha.dll",)).lay_out(source)
    suite.place_exe(source)
    before = pkg.tree(suite.root / name)
    log = suite.install_log(name)

    result = silent_run(suite, name, source, "", log)
    expect_no_window(checks, result)
    checks.equal(result.exit_code, ui.wine_exit_status(ui.EXIT_FAILED), "exit status")
    checks.equal(result.record, None, "record written for an empty /D=")
    checks.equal(result.tool_starts, [], "registration tool starts")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "scenario folder"))
    checks.extend(pkg.install_log_problems(
        log, [f"package folder: {suite.drive.dos(source)}", "directory refused: /D= is empty",
              "exit code: 1603"], [], []))


def scenario_log_not_opened(suite, name, checks):
    """/LOG= in a folder that does not exist, in a run with the dialog: the message
    names the log, then the run ends with 1622 before anything is written, the
    dialog never shown."""
    source = suite.folder(name, "package")
    standard_package(suite, ("alpha.dll",)).lay_out(source)
    suite.place_exe(source)
    before = pkg.tree(suite.root / name)
    log_text = suite.drive.dos(suite.root / name) + "\\missing\\install.log"

    result = suite.run_installer(name, source, args=("/LOG=" + log_text,), steps=None)
    checks.equal(result.messages, [ui.TEXT_LOG_NOT_OPENED.format(log_text)], "message boxes shown")
    checks.equal(result.caption, ui.ERROR_CAPTION, "caption of the message")
    checks.equal(result.exit_code, ui.wine_exit_status(ui.EXIT_LOG_NOT_OPENED), "exit status")
    checks.true(ui.DIALOG_CAPTION not in result.windows, "the dialog was shown")
    checks.equal(result.record, None, "record written")
    checks.equal(result.tool_starts, [], "registration tool starts")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "scenario folder"))


# The dialog at 96 dots per inch is about 310 pixels wide (201 dialog units of an
# 8-point font); at 144 it is half as wide again.
DIALOG_WIDTH_AT_144_DPI = 400


def scenario_other_code_page_high_dpi(suite, name, checks):
    """On a system whose ANSI code page is 1252, with the screen at 144 dots per
    inch: every window reads as Chinese and the dialog is laid out larger; and a
    registration tool that sends a message to every top-level window before it
    ends is registered at once, not after the 300 s the tools are given."""
    app_dir = suite.folder(name, "apps", "Target")
    recorded = suite.drive.dos(app_dir)
    source = suite.folder(name, "package")
    package = pkg.Package(
        {"regsvr32.exe": (suite.tools_dir / "regsvr32_broadcast.exe").read_bytes(),
         "support.txt": pkg.content("support.txt")},
        {"alpha.dll": pkg.content("alpha.dll", 4096), "gamma.sys": pkg.content("gamma.sys")})
    package.lay_out(source)
    confirmed = []

    def larger_then_confirm(run, dialog):
        width = run.dialog_geometry[2]
        checks.true(width >= DIALOG_WIDTH_AT_144_DPI,
                    f"dialog {width} pixels wide at 144 DPI, expected at least "
                    f"{DIALOG_WIDTH_AT_144_DPI}")
        if suite.dialog_width_at_96_dpi:
            checks.true(width >= 1.4 * suite.dialog_width_at_96_dpi,
                        f"dialog {width} pixels wide at 144 DPI, "
                        f"{suite.dialog_width_at_96_dpi} at 96")
        ui.confirm(run, dialog)
        confirmed.append(time.monotonic())

    def at_once(run):
        # Under emulation the tool's own start takes minutes: the outcome, not the
        # time, tells whether its message was answered.
        print(f"    final message {time.monotonic() - confirmed[0]:.0f} s after OK", flush=True)
        run.shot("final-message-1252")

    with wine.RegistryValue(suite.prefix, r"HKCU\Control Panel\Desktop", "LogPixels",
                            "REG_DWORD", 144):
        result = suite.run_installer(name, source, args=("/D=" + recorded,),
                                     steps=larger_then_confirm, on_message=at_once,
                                     timeout=ui.install_timeout(1),
                                     env={"TW_WINE_LOCALE": "C.UTF-8"})
    # A caption turned into code page 1252 would read "????".
    chinese = {ui.DIALOG_CAPTION, ui.PROGRESS_CAPTION, ui.INFO_CAPTION, None}
    checks.equal(sorted(set(map(str, result.windows)) - set(map(str, chinese))), [],
                 "windows with other names")
    checks.true(ui.DIALOG_CAPTION in result.windows, f"no dialog among {result.windows}")
    # The tool ended with 0: its message was answered and it was judged registered.
    expect_installed(checks, result, package, app_dir, recorded, registered=[])


def check_frame_never_visible(suite):
    """Every run was watched: the dialog was mapped, a window titled Tarnwhistle never."""
    seen = suite.watch.names_since()
    problems = []
    if ui.DIALOG_CAPTION not in seen:
        problems.append(f"the watch never saw the dialog (saw {sorted(set(map(str, seen)))})")
    frames = sorted({n for n in seen if n and ui.FRAME_TITLE in n})
    if frames:
        problems.append(f"windows mapped with the frame's title: {frames}")
    return problems


# Each scenario's name says what it shows, and names its folders and artefacts (no
# "regsvr32" or "Tarnwhistle" in it: tw_e2e.py refuses those).
SCENARIOS = [
    ("accept-proposed-folder", "accept the proposed C:\\Varnelquist (with /foo)",
     scenario_accept_default),
    ("trailing-blank-and-separator", "another folder typed with a trailing blank and separator",
     scenario_trailing_separator),
    ("blanks-from-d-switch", "a folder with blanks from /D=: quoted registrations",
     scenario_blanks),
    ("cancel-writes-nothing", "Cancel writes nothing", scenario_cancel),
    ("refusals-then-relative-folder",
     "a missing folder and Driver refused, then a relative folder taken whole",
     scenario_refused_then_relative),
    ("source-folders-missing", "source folders missing", scenario_sources_missing),
    ("unreplaceable-destinations", "read-only destination files",
     scenario_read_only_destination),
    ("other-working-directory",
     "working directory other than the program's folder; a planted tool never started",
     scenario_other_working_directory),
    ("browse-and-registrations",
     "a folder chosen with Browse; registrations judged by Wine's own regsvr32.exe",
     scenario_registration_judged),
    ("silent-install", "silent with /LOG= and /D= with blanks", scenario_silent),
    ("silent-missing-folder", "silent with a missing folder", scenario_silent_missing),
    ("silent-unreplaceable-file", "silent with a destination that cannot be replaced",
     scenario_silent_incomplete),
    ("silent-empty-directory", "silent with an empty /D=", scenario_silent_empty_directory),
    ("log-not-opened", "a log that cannot be opened", scenario_log_not_opened),
    ("code-page-1252-high-dpi", "code page 1252 and 144 DPI; a tool that broadcasts a message",
     scenario_other_code_page_high_dpi),
]
