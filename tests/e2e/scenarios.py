"""The end-to-end scenarios of the installer: each starts Tarnwhistle.exe once and
checks the record, the installed layout, the final message and the tool's log."""

import os
import subprocess

import installer_run as ui
import package as pkg
import x_display as x
import suite as suites
import wine_session as wine
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


def tool_log(suite, name):
    return suite.folder("logs") / f"{name}-regsvr32.log"


def type_directory(run, dialog, text):
    """Clicks into the edit box (which activates the dialog) and types over its text."""
    x.click(dialog, *ui.EDIT_BOX)
    x.replace_edit_text(dialog, text)
    run.shot("typed")


def accept(run, dialog, typed=None, click_ok=False):
    """Optionally types a directory over the proposed one, then confirms."""
    if typed is not None:
        type_directory(run, dialog, typed)
    if click_ok:
        x.click(dialog, *ui.OK_BUTTON)
    else:
        x.press(dialog, "Return")


def check_final_message(checks, caption, text, expected_caption, expected_text):
    checks.equal(caption, expected_caption, "caption of the final message")
    checks.equal(text, expected_text, "text of the final message")


def check_installed(checks, suite, app_dir, package, directory_text, expected_layout=None):
    checks.extend(pkg.record_problems(suite.record_path(), directory_text))
    layout = expected_layout if expected_layout is not None else package.installed_layout()
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), layout, directory_text))


def scenario_accept_default(suite, name, checks):
    """The proposed C:\\Varnelquist, prepared inside the prefix, accepted with a click on OK."""
    with wine.ProposedDirectory(suite.prefix) as app_dir:
        if app_dir.exists():
            raise Failure(f"{app_dir} exists already; another run left it")
        app_dir.mkdir()
        try:
            accept_default_into(suite, name, checks, app_dir)
        finally:
            suites.release_tree(app_dir)


def accept_default_into(suite, name, checks, app_dir):
    source = suite.folder(name)
    package = standard_package(suite, ("alpha.dll", "BETA.DLL"))
    package.lay_out(source)
    exe = suite.place_exe(source)
    before = pkg.tree(source)
    log = tool_log(suite, name)

    with suite.start(name, exe, source, log) as run:
        dialog = run.dialog()
        dx, dy, width, height = run.dialog_geometry
        screen_width, screen_height = x.screen_size()
        checks.true(abs(dx + width / 2 - screen_width / 2) <= 40
                    and abs(dy + height / 2 - screen_height / 2) <= 40,
                    f"dialog not centred: {run.dialog_geometry} on {screen_width}x{screen_height}")
        accept(run, dialog, click_ok=True)
        caption, text = run.finish_with_message(ui.install_timeout(2))

    check_final_message(checks, caption, text, ui.INFO_CAPTION, ui.TEXT_DONE)
    check_installed(checks, suite, app_dir, package, "C:\\Varnelquist")
    checks.extend(pkg.tree_differences(pkg.tree(source), before, "source folder"))
    suite.check_registrations(checks, log, "C:\\Varnelquist\\", package.registered_names())


def typed_directory_scenario(suite, name, checks, app_dir, typed, recorded):
    source = suite.folder(name, "package")
    package = standard_package(suite, ("alpha.dll",))
    package.lay_out(source)
    exe = suite.place_exe(source)
    log = tool_log(suite, name)

    with suite.start(name, exe, source, log) as run:
        accept(run, run.dialog(), typed)
        caption, text = run.finish_with_message(ui.install_timeout(1))

    check_final_message(checks, caption, text, ui.INFO_CAPTION, ui.TEXT_DONE)
    check_installed(checks, suite, app_dir, package, recorded)
    suite.check_registrations(checks, log, recorded + "\\", package.registered_names())


def scenario_trailing_separator(suite, name, checks):
    """Another existing folder typed with a trailing separator: recorded without it,
    registered with one separator before Driver\\."""
    app_dir = suite.folder(name, "apps", "Target")
    recorded = suite.drive.dos(app_dir)
    typed_directory_scenario(suite, name, checks, app_dir, recorded + "\\", recorded)


def scenario_blanks(suite, name, checks):
    """A folder with blanks: the registration's DLL path is quoted."""
    app_dir = suite.folder(name, "Program Files", "Varnel quist")
    recorded = suite.drive.dos(app_dir)
    typed_directory_scenario(suite, name, checks, app_dir, recorded, recorded)


def scenario_cancel(suite, name, checks):
    """Cancel after typing: nothing written anywhere and no message."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    standard_package(suite, ("alpha.dll",)).lay_out(source)
    exe = suite.place_exe(source)
    before = pkg.tree(suite.root / name)

    with wine.ProposedDirectory(suite.prefix) as varnelquist:
        varnelquist_before = pkg.tree(varnelquist) if varnelquist.exists() else None
        with suite.start(name, exe, source, tool_log(suite, name)) as run:
            dialog = run.dialog()
            type_directory(run, dialog, suite.drive.dos(app_dir))
            x.click(dialog, *ui.CANCEL_BUTTON)
            code = run.exit_code()
            checks.true(code is not None, "the program did not end after Cancel")
            checks.equal(run.message_texts(), [], "message boxes shown")
        varnelquist_after = pkg.tree(varnelquist) if varnelquist.exists() else None

    checks.true(not suite.record_path().exists(), "a record was written after Cancel")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "scenario folder"))
    checks.true(varnelquist_after == varnelquist_before, "C:\\Varnelquist changed after Cancel")


def scenario_missing_then_corrected(suite, name, checks):
    """A missing folder is refused with the dialog left open; the corrected one is taken."""
    missing = suite.root / name / "missing"
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    package = small_package()
    package.lay_out(source)
    exe = suite.place_exe(source)

    with suite.start(name, exe, source) as run:
        dialog = run.dialog()
        accept(run, dialog, suite.drive.dos(missing))
        box, caption = run.message_box()
        checks.equal(caption, ui.ERROR_CAPTION, "caption of the refusal")
        checks.true(not suite.record_path().exists(), "a record was written for a missing folder")
        checks.true(x.window_name(dialog) == ui.DIALOG_CAPTION, "dialog closed after the refusal")
        run.dismiss(box)
        # The dialog selects the whole text again: typing replaces it.
        x.type_text(dialog, suite.drive.dos(app_dir))
        run.shot("corrected")
        x.press(dialog, "Return")
        caption, text = run.finish_with_message()

    check_final_message(checks, caption, text, ui.INFO_CAPTION, ui.TEXT_DONE)
    checks.equal(run.message_texts(), [ui.TEXT_APPDIR_MISSING, ui.TEXT_DONE], "messages in order")
    checks.true(not missing.exists(), "the missing folder was created")
    check_installed(checks, suite, app_dir, package, suite.drive.dos(app_dir))


def scenario_sources_missing(suite, name, checks):
    """No driversupport\\ and no Driver\\: record written, Driver\\ created, nothing found."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    exe = suite.place_exe(source)

    with suite.start(name, exe, source) as run:
        accept(run, run.dialog(), suite.drive.dos(app_dir))
        caption, text = run.finish_with_message()

    check_final_message(checks, caption, text, ui.ERROR_CAPTION, ui.TEXT_NOTHING_FOUND)
    check_installed(checks, suite, app_dir, pkg.Package(), suite.drive.dos(app_dir))


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


def scenario_read_only_destination(suite, name, checks):
    """Three destination files cannot be replaced: the incomplete message counts them,
    the rest is installed and the DLL that was not copied is not registered."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    package = pkg.Package(
        {"regsvr32.exe": suite.stand_in_tool(), "support.txt": pkg.content("support.txt"),
         "notes.txt": pkg.content("notes.txt")},
        {"alpha.dll": pkg.content("alpha.dll"), "gamma.sys": pkg.content("gamma.sys"),
         "readme.txt": pkg.content("readme.txt")})
    package.lay_out(source)
    exe = suite.place_exe(source)
    (app_dir / "Driver").mkdir()
    layout = package.installed_layout()
    blocked = ["support.txt", "Driver/alpha.dll", "Driver/gamma.sys"]
    for relative in blocked:
        kept = make_unwritable(app_dir / relative, pkg.content("old " + relative))
        if kept is None:
            layout.pop(relative)
            layout[relative + "/"] = None
        else:
            layout[relative] = kept
    log = tool_log(suite, name)

    with suite.start(name, exe, source, log) as run:
        accept(run, run.dialog(), suite.drive.dos(app_dir))
        caption, text = run.finish_with_message()

    check_final_message(checks, caption, text, ui.ERROR_CAPTION,
                        ui.TEXT_INCOMPLETE.format(len(blocked)))
    check_installed(checks, suite, app_dir, package, suite.drive.dos(app_dir), layout)
    suite.check_registrations(checks, log, suite.drive.dos(app_dir) + "\\", [])


def scenario_other_working_directory(suite, name, checks):
    """The program's own folder holds other driver files: the working directory's are
    installed, the record lands at the working directory's drive root."""
    program_folder = suite.folder(name, "bin")
    pkg.Package({"decoy.txt": pkg.content("decoy.txt")},
                {"decoy.sys": pkg.content("decoy.sys")}).lay_out(program_folder)
    exe = suite.place_exe(program_folder)
    source = suite.folder(name, "work")
    package = small_package()
    package.lay_out(source)
    app_dir = suite.folder(name, "apps", "Target")

    with suite.start(name, exe, source) as run:
        accept(run, run.dialog(), suite.drive.dos(app_dir))
        caption, text = run.finish_with_message()

    check_final_message(checks, caption, text, ui.INFO_CAPTION, ui.TEXT_DONE)
    check_installed(checks, suite, app_dir, package, suite.drive.dos(app_dir))


def check_frame_never_visible(suite):
    """Every run was watched: the dialog was seen, a window titled Tarnwhistle never."""
    seen = suite.watch.seen()
    problems = []
    if ui.DIALOG_CAPTION not in seen:
        problems.append(f"the watch never saw the dialog (saw {sorted(seen)})")
    frames = sorted(n for n in seen if ui.FRAME_TITLE in n)
    if frames:
        problems.append(f"visible windows with the frame's title: {frames}")
    return problems


SCENARIOS = [
    ("s1", "accept the proposed C:\\Varnelquist", scenario_accept_default),
    ("s2a", "another folder typed with a trailing separator", scenario_trailing_separator),
    ("s2b", "a folder with blanks: quoted registrations", scenario_blanks),
    ("s3", "Cancel writes nothing", scenario_cancel),
    ("s4", "a missing folder refused, then corrected", scenario_missing_then_corrected),
    ("s5", "source folders missing", scenario_sources_missing),
    ("s6", "read-only destination files", scenario_read_only_destination),
    ("s7", "working directory other than the program's folder",
     scenario_other_working_directory),
]
