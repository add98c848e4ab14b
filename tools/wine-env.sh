# Sourced by the scripts that run Windows programs: Wine with the project's own
# prefix under build/, the zh_CN.UTF-8 locale (ANSI code page 936) unless a start
# asks for another, and no Mono or
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
# TW_WINE_LOCALE gives one start another locale (C.UTF-8: ANSI code page 1252).
export LANG=${TW_WINE_LOCALE:-zh_CN.UTF-8} LC_ALL=${TW_WINE_LOCALE:-zh_CN.UTF-8}

# Where the kernel cannot run i386 code, qemu's user-mode emulator runs our 32-bit
# programs (tools/setup.sh), and each would spend a minute on Wine's address-space
# reservation unless it loads tools/qemu-i386/mmap_noreplace.c (see there). qemu
# looks up a program's files under QEMU_LD_PREFIX first: there the emulated
# programs, and only they, find an etc/ld.so.preload that names the library.
tw_i386_emulated() {
    local entry
    for entry in /proc/sys/fs/binfmt_misc/*; do
        [[ $(head -1 "$entry" 2>/dev/null) == enabled ]] &&
            grep -q '^interpreter .*qemu-i386' "$entry" 2>/dev/null && return 0
    done
    return 1
}
if tw_i386_emulated; then
    export QEMU_LD_PREFIX=$TW_ROOT/build/qemu-i386
fi

# Builds the preloaded library when it is missing or older than its source; each
# file is written whole and then renamed, so that concurrent callers never see half.
tw_qemu_preload() {
    [[ -n ${QEMU_LD_PREFIX:-} ]] || return 0
    local source=$TW_ROOT/tools/qemu-i386/mmap_noreplace.c root=$QEMU_LD_PREFIX
    local library=$root/mmap_noreplace.so
    [[ $library -nt $source && -f $root/etc/ld.so.preload ]] && return 0
    mkdir -p "$root/etc"
    local built list
    built=$(mktemp "$root/.mmap_noreplace.XXXXXX")
    list=$(mktemp "$root/etc/.ld.so.preload.XXXXXX")
    # The programs open /mmap_noreplace.so, which qemu finds under the prefix.
    if gcc -m32 -O2 -fPIC -shared -nostdlib -ffreestanding -Wall -Wextra -Werror \
        -o "$built" "$source" && echo /mmap_noreplace.so >"$list"; then
        chmod 644 "$built" "$list"
        mv -f "$built" "$library"
        mv -f "$list" "$root/etc/ld.so.preload"
    else
        rm -f "$built" "$list"
        echo "wine-env: cannot build $library: every 32-bit start stays slow" >&2
    fi
}

# Creates the prefix once and sets it up; concurrent callers wait for the first.
tw_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    tw_qemu_preload
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
