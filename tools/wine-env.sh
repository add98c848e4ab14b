# Sourced by the scripts that run Windows programs: Wine with the project's own
# 32-bit prefix under build/, the zh_CN.UTF-8 locale (ANSI code page 936), and no
# Mono or Gecko prompts. Nothing is written outside the build tree.
TW_ROOT=${TW_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TW_ROOT/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

# Creates the prefix once; concurrent callers wait for the first.
tw_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            DISPLAY= wineboot --init >/dev/null 2>&1
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
}
