# Sourced by the scripts that run Windows programs: Wine with the project's own
# prefix under build/, the zh_CN.UTF-8 locale (ANSI code page 936), and no Mono or
# Gecko prompts. Nothing is written outside the build tree.
#
# The prefix is a 64-bit one whose 32-bit half (WoW64) runs our i686 programs as
# 32-bit processes: Wine's own services then run natively even on a kernel without
# IA-32 support, where only our 32-bit programs go through qemu's emulator.
TW_ROOT=${TW_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TW_ROOT/build/wineprefix}
export WINEARCH=win64
# The 64-bit loader starts 32-bit programs with Wine's 32-bit loader by itself.
TW_WINE=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts, no desktop menu entries, and no debugger started on a
# crash: a crashing test fails at once. Overrides the caller sets come after these
# (the end-to-end run that gives winmm.dll Windows' search order sets one).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

# Creates the prefix once and sets it up; concurrent callers wait for the first.
tw_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            DISPLAY= "$TW_WINE" wineboot --init >/dev/null 2>&1
            WINESERVER=/usr/lib/wine/wineserver64 /usr/lib/wine/wineserver64 -w
        fi
        # Wine draws each window's frame and caption itself: the private displays
        # run no window manager, and screenshots should show whose window it is.
        if ! grep -q '^"Decorated"="N"' "$WINEPREFIX/user.reg"; then
            DISPLAY= "$TW_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f \
                >/dev/null 2>&1
        fi
    ) 9>"$WINEPREFIX.lock"
}
