"""The end-to-end scenarios of the installer: each starts Tarnwhistle.exe once
(suite.run_installer) and checks what the run left: its messages and exit status,
the record, the installed layout and the registration tool's starts."""

import os
import subprocess

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
                     caption=ui.INFO_CAPTION, exit_code=0, layout=None, registered=None):
    """The run showed exactly messages, the last under caption, and ended with
    exit_code (None: not checked); the record holds recorded; app_dir holds
    layout (the package's installed layout unless given); and the tool was
    started exactly once for each DLL of registered (the package's unless given),
    from the application directory."""
    checks.equal(result.messages, list(messages), "message boxes shown")
    checks.equal(result.caption, caption, "caption of the final message")
    if exit_code is not None:
        checks.equal(result.exit_code, ui.wine_exit_status(exit_code), "exit status")
    checks.extend(pkg.record_problems(result.record, recorded))
    expected = package.installed_layout() if layout is None else layout
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), expected, recorded))
    names = package.registered_names() if registered is None else registered
    checks.equal(result.tool_starts, pkg.tool_starts(recorded, names), "registration tool starts")


def expect_no_window(checks, result):
    """A silent run: no window was mapped at any moment of it."""
    checks.equal(result.windows, [], "windows mapped during the run")


def scenario_accept_default(suite, name, checks):
    """The proposed C:\\Varnelquist, prepared inside the prefix, accepted with a click on OK."""
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
                screen_width, screen_height = x.screen_size()
                checks.true(abs(dx + width / 2 - screen_width / 2) <= 40
                            and abs(dy + height / 2 - screen_height / 2) <= 40,
                            f"dialog not centred: {run.dialog_geometry} on "
                            f"{screen_width}x{screen_height}")
                ui.click_ok(run, dialog)

            result = suite.run_installer(name, source, exe, steps=centred_then_ok,
                                         timeout=ui.install_timeout(2))
            expect_installed(checks, result, package, app_dir, "C:\\Varnelquist")
            checks.extend(pkg.tree_differences(pkg.tree(source), before, "source folder"))
        finally:
            suites.release_tree(app_dir)


def typed_directory_scenario(suite, name, checks, app_dir, typed, recorded):
    source = suite.folder(name, "package")
    package = standard_package(suite, ("alpha.dll",))
    package.lay_out(source)
    result = suite.run_installer(name, source, steps=ui.typed(typed),
                                 timeout=ui.install_timeout(1))
    expect_installed(checks, result, package, app_dir, recorded)


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
        result = suite.run_installer(
            name, source, exe,
            steps=ui.typed(suite.drive.dos(app_dir),
                           then=lambda run, dialog: x.click(dialog, *ui.CANCEL_BUTTON)),
            final_message=False)
        varnelquist_after = pkg.tree(varnelquist) if varnelquist.exists() else None

    checks.equal(result.messages, [], "message boxes shown")
    checks.equal(result.record, None, "record written after Cancel")
    checks.equal(result.tool_starts, [], "registration tool starts")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "scenario folder"))
    checks.true(varnelquist_after == varnelquist_before, "C:\\Varnelquist changed after Cancel")


def scenario_missing_then_corrected(suite, name, checks):
    """A missing folder is refused with the dialog left open; the corrected one is taken."""
    missing = suite.root / name / "missing"
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    package = small_package()
    package.lay_out(source)

    def refused_then_corrected(run, dialog):
        ui.typed(suite.drive.dos(missing))(run, dialog)
        box, caption = run.message_box()
        checks.equal(caption, ui.ERROR_CAPTION, "caption of the refusal")
        checks.true(not suite.record_path().exists(), "a record was written for a missing folder")
        checks.true(x.window_name(dialog) == ui.DIALOG_CAPTION, "dialog closed after the refusal")
        run.dismiss(box)
        # The dialog selects the whole text again: typing replaces it.
        x.type_text(dialog, suite.drive.dos(app_dir))
        run.shot("corrected", dialog)
        ui.confirm(run, dialog)

    result = suite.run_installer(name, source, steps=refused_then_corrected)
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir),
                     messages=(ui.TEXT_APPDIR_MISSING, ui.TEXT_DONE))
    checks.true(not missing.exists(), "the missing folder was created")


def scenario_sources_missing(suite, name, checks):
    """No driversupport\\ and no Driver\\: record written, Driver\\ created, nothing found."""
    app_dir = suite.folder(name, "apps", "Target")
    source = suite.folder(name, "package")
    result = suite.run_installer(name, source, steps=ui.typed(suite.drive.dos(app_dir)))
    expect_installed(checks, result, pkg.Package(), app_dir, suite.drive.dos(app_dir),
                     messages=(ui.TEXT_NOTHING_FOUND,), caption=ui.ERROR_CAPTION,
                     exit_code=None)


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

    result = suite.run_installer(name, source, steps=ui.typed(suite.drive.dos(app_dir)))
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir),
                     messages=(ui.TEXT_INCOMPLETE.format(len(blocked)),),
                     caption=ui.ERROR_CAPTION, exit_code=None, layout=layout, registered=[])


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

    result = suite.run_installer(name, source, exe, steps=ui.typed(suite.drive.dos(app_dir)))
    expect_installed(checks, result, package, app_dir, suite.drive.dos(app_dir))


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
