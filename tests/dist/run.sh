#!/usr/bin/env bash
# The release under Wine: the program's PE flags, signing with a throwaway
# certificate (verified, only the signature added, installed with and kept byte for
# byte), make dist's layout, the batch example of docs/deployment.md run as it
# stands, and the MSI: its actions, installation and removal, a missing directory,
# a 3010 handed on, and an upgrade.
#
#   tests/dist/run.sh [EXE MSI]
#
# Every Wine call is bounded by timeout. Ends with "dist: N passed, M failed" and
# fails unless every check passed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
exe=${1:-$root/build/win32/Tarnwhistle.exe}
msi=${2:-$root/build/msi/Tarnwhistle.msi}
source "$root/tools/wine-drive.sh"

product_code='{A4C3E1F0-5B2D-4E6A-8F17-3D9C0B5E7A21}'
newer_code='{5D7E2C94-0A61-4F3B-8C25-E19B6A4D7F08}'  # of the upgrade's 6.1.1.0
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
kept_uninstaller="$WINEPREFIX/drive_c/Program Files (x86)/Tarnwhistle/Tarnwhistle.exe"
wine_seconds=600

passed=0 failed=0
# check WHAT COMMAND...: one check, counted and named.
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}

wine() { timeout "$wine_seconds" "$TW_WINE" "$@"; }
same() { cmp -s "$1" "$2"; }
contains() { grep -qF -- "$2" "$1"; }
# The closing line of cmd_line: the whole exit code.
ended_with() { grep -qP "^exit code $2\r?\$" "$1"; }
registry_has() { wine reg query "$@" >/dev/null 2>&1; }
registry_lacks() { ! registry_has "$@"; }
# A product the Windows Installer knows: its key under Installer\Products, named by
# the ProductCode's digits in the order the Windows Installer writes them.
msi_knows() {
    local squashed
    squashed=$(python3 -c 'import sys; g = sys.argv[1].strip("{}").replace("-", "")
print(g[7::-1] + g[11:7:-1] + g[15:11:-1] + "".join(g[i + 1] + g[i] for i in range(16, 32, 2)))' "$1")
    registry_has "HKLM\\Software\\Classes\\Installer\\Products\\$squashed"
}
msi_forgot() { registry_lacks "$uninstall_key\\$1" && ! msi_knows "$1"; }
registry_value() { wine reg query "$1" /v "$2" 2>/dev/null | grep -q "$3"; }

# Runs a command line under cmd in the drive's root, writing what it prints to OUT:
# cmd's exit code is the last command's, whole, where the Unix parent sees 8 bits.
cmd_line() {
    local out=$1 line=$2
    printf '@echo off\r\n%s\r\necho exit code %%ERRORLEVEL%%\r\n' "$line" \
        >"$TW_DRIVE_FOLDER/line.cmd"
    (cd "$TW_DRIVE_FOLDER" && wine cmd /c "$TW_DRIVE\\line.cmd") >"$out" 2>&1
}
msiexec() { cmd_line "$1" "start \"\" /wait msiexec ${*:2}"; }

# The block of docs/deployment.md under the comment that names this script.
batch_example() {
    awk '/run.sh runs the block below/ {marked = 1; next}
         marked && /^```bat/ {inside = 1; next}
         inside && /^```/ {exit}
         inside {printf "%s\r\n", $0}' "$root/docs/deployment.md"
}
intune_command() {
    sed -n 's/^| \(install\|uninstall\) command | `\(.*\)` |$/\1 \2/p' "$root/docs/deployment.md"
}

lay_out_package() {
    local folder=$1 program=$2
    mkdir -p "$folder/driversupport" "$folder/Driver"
    printf 'support\r\n' >"$folder/driversupport/readme.txt"
    printf 'driver\r\n' >"$folder/Driver/settings.ini"
    cp "$program" "$folder/Tarnwhistle.exe"
    cp "$msi" "$folder/Tarnwhistle.msi"
}

test_program() {
    check "the program is terminal-server aware" python3 "$here/pe_check.py" tsaware "$exe"
}

# make dist's release, signed with a certificate made for this run, and unsigned.
test_signing() {
    local drive=$TW_DRIVE_FOLDER certs=$TW_DRIVE_FOLDER/certs
    mkdir -p "$certs"
    local out
    out=$(env -u TW_SIGN_CERT -u TW_SIGN_PFX bash "$root/tools/sign.sh" "$drive/unsigned" "$exe" 2>&1)
    check "without a certificate sign.sh names what is missing and signs nothing" \
        test $? -eq 2 -a ! -e "$drive/unsigned" -a -n "$(grep TW_SIGN_CERT <<<"$out")"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarnwhistle test signer" \
        -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature \
        -keyout "$certs/key.pem" -out "$certs/cert.pem" 2>/dev/null
    TW_SIGN_CERT=$certs/cert.pem TW_SIGN_KEY=$certs/key.pem \
        bash "$root/tools/dist.sh" "$drive/release" "$exe" "$msi" >/dev/null
    check "make dist signs the program (verified with the certificate as root)" \
        osslsigncode verify -CAfile "$certs/cert.pem" -in "$drive/release/Tarnwhistle.exe"
    check "make dist signs the MSI" \
        osslsigncode verify -CAfile "$certs/cert.pem" -in "$drive/release/Tarnwhistle.msi"
    check "signing changes no byte of the image (version resource and manifest included) but the checksum and the security directory" \
        python3 "$here/pe_check.py" signed-only "$exe" "$drive/release/Tarnwhistle.exe"
    check "the release holds the deployment document and SHA256SUMS of all three" \
        bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS && [[ $(wc -l <SHA256SUMS) == 3 ]] &&
                 cmp -s deployment.md "$2"' - "$drive/release" "$root/docs/deployment.md"
    bash "$root/tools/dist.sh" "$drive/plain" "$exe" "$msi" >/dev/null 2>&1
    check "without a certificate make dist ships the program unsigned" same "$exe" "$drive/plain/Tarnwhistle.exe"
}

# The batch example installs with the signed program; the kept uninstaller is that program.
test_batch_example() {
    local drive=$TW_DRIVE_FOLDER signed=$TW_DRIVE_FOLDER/release/Tarnwhistle.exe
    lay_out_package "$drive/pkg" "$signed"
    batch_example >"$drive/pkg/install-varnelquist-drivers.cmd"
    mkdir "$drive/app"
    local log=$WINEPREFIX/drive_c/users/$(whoami)/Temp/varnelquist-install.log
    rm -f "$log"
    cmd_line "$drive/batch.out" "cmd /c $TW_DRIVE\\pkg\\install-varnelquist-drivers.cmd $TW_DRIVE\\app"
    cat "$drive/batch.out"
    check "the batch example shows exit code 0" contains "$drive/batch.out" "Varnelquist drivers: exit code 0"
    check "the batch example ends with 0" ended_with "$drive/batch.out" 0
    check "the batch example installed the package" same "$drive/pkg/Driver/settings.ini" "$drive/app/Driver/settings.ini"
    check "the signed program installed the record" test -s "$drive/ZAVIDAR.CFG"
    check "the kept uninstaller is the signed program byte for byte" same "$signed" "$kept_uninstaller"
    cmd_line "$drive/missing.out" "cmd /c $TW_DRIVE\\pkg\\install-varnelquist-drivers.cmd $TW_DRIVE\\missing"
    cat "$drive/missing.out"
    check "the batch example shows 1603 for a missing folder" \
        contains "$drive/missing.out" "Varnelquist drivers: exit code 1603"
    check "and ends with it" ended_with "$drive/missing.out" 1603
    check "both runs logged to the example's /LOG=" \
        bash -c 'grep -q "^exit code: 0" "$1" && grep -q "^exit code: 1603" "$1"' - "$log"
}

test_msi_tables() {
    check "every action of the MSI's sequences exists" python3 "$root/msi/check_actions.py" "$msi"
    local ghost=$TW_DRIVE_FOLDER/ghost
    mkdir -p "$ghost" && cp "$msi" "$ghost/ghost.msi"
    (cd "$ghost" && msiinfo export ghost.msi InstallExecuteSequence >InstallExecuteSequence.idt &&
        printf 'GhostAction\t\t6595\r\n' >>InstallExecuteSequence.idt &&
        msibuild ghost.msi -i InstallExecuteSequence.idt)
    check "the check refuses a sequence naming a missing action" \
        bash -c '! python3 "$1" "$2" 2>/dev/null' - "$root/msi/check_actions.py" "$ghost/ghost.msi"
    # 3073: a DLL run deferred, not impersonating (as the system account).
    check "both custom actions are deferred DLL calls without impersonation" \
        test "$(msiinfo export "$msi" CustomAction | grep -cP '^Run(Uni|I)nstaller\t3073\tRunInstallerAction\t')" = 2
}

# The install and uninstall commands of the Intune table, as written: the first
# creates C:\Varnelquist, which goes again when this run made it.
test_msi_install_and_removal() {
    local drive=$TW_DRIVE_FOLDER varnelquist=$WINEPREFIX/drive_c/Varnelquist made=
    [[ -e $varnelquist ]] || made=1
    local install uninstall
    install=$(intune_command | sed -n 's/^install //p')
    uninstall=$(intune_command | sed -n 's/^uninstall //p')
    check "the document's Intune table names both commands" test -n "$install" -a -n "$uninstall"
    cmd_line "$drive/install.out" "cd /d $TW_DRIVE\\pkg && $install"
    check "msiexec /i as Intune runs it ends with 0" ended_with "$drive/install.out" 0
    check "and installed the package" same "$drive/pkg/Driver/settings.ini" "$varnelquist/Driver/settings.ini"
    check "the MSI log names the installer's exit code" \
        contains "$WINEPREFIX/drive_c/windows/temp/varnelquist-msi.log" "Tarnwhistle: exit code 0"
    check "Apps & Features shows the installer's entry" registry_has "$uninstall_key\\Tarnwhistle" /reg:32
    check "and not the MSI's" registry_value "$uninstall_key\\$product_code" SystemComponent 0x1
    cmd_line "$drive/uninstall.out" "start \"\" /wait $uninstall"
    check "msiexec /x ends with 0" ended_with "$drive/uninstall.out" 0
    check "the kept uninstaller removed the files" test ! -e "$varnelquist/Driver/settings.ini"
    check "and the record" test ! -e "$drive/ZAVIDAR.CFG"
    check "and the installer's entry" registry_lacks "$uninstall_key\\Tarnwhistle" /reg:32
    check "the MSI is no longer registered" msi_forgot "$product_code"
    [[ -n $made ]] && rmdir "$varnelquist/Driver" "$varnelquist" 2>/dev/null

    msiexec "$drive/msi-missing.out" /i "$TW_DRIVE\\pkg\\Tarnwhistle.msi" /qn \
        "INSTALLDIR=$TW_DRIVE\\missing" /l*v "$TW_DRIVE\\msi-missing.log"
    check "a missing INSTALLDIR ends with 1603" ended_with "$drive/msi-missing.out" 1603
    check "the MSI log names the installer's 1603" contains "$drive/msi-missing.log" "Tarnwhistle: exit code 1603"
    check "nothing was installed" test ! -e "$drive/ZAVIDAR.CFG" -a ! -e "$kept_uninstaller"
    check "the failed MSI is not registered" msi_forgot "$product_code"
}

# A stand-in for the installer that ends with the code it is given (3010 unless
# told), and a newer MSI over the older.
test_msi_restart_and_upgrade() {
    local drive=$TW_DRIVE_FOLDER stand_in=$TW_DRIVE_FOLDER/standin
    x86_64-w64-mingw32-gcc -Os -Wall -Wextra -Werror -static -s -o "$drive/stand_in.exe" \
        "$here/stand_in_installer.c"
    lay_out_package "$stand_in" "$drive/stand_in.exe"
    # Failures first: they leave no product registered, which a later /i would maintain.
    local given
    for given in 1602:1602 1618:1603 5:1603; do
        printf '%s' "${given%:*}" >"$stand_in/exit-code.txt"
        msiexec "$drive/handed.out" /i "$TW_DRIVE\\standin\\Tarnwhistle.msi" /qn "INSTALLDIR=$TW_DRIVE\\app"
        check "the installer's ${given%:*} ends msiexec with ${given#*:}" ended_with "$drive/handed.out" "${given#*:}"
    done
    check "and leaves no product registered" msi_forgot "$product_code"
    rm "$stand_in/exit-code.txt"
    msiexec "$drive/3010.out" /i "$TW_DRIVE\\standin\\Tarnwhistle.msi" /qn "INSTALLDIR=$TW_DRIVE\\app"
    check "an installation that ends with 3010 gives msiexec's 3010" ended_with "$drive/3010.out" 3010
    check "the installer ran in the package folder with /S /D=INSTALLDIR" \
        test "$(cat "$stand_in/command-line.txt")" = "\"$TW_DRIVE\\standin\\Tarnwhistle.exe\" /S /D=$TW_DRIVE\\app"
    check "an installation with a restart pending is registered" msi_knows "$product_code"

    local newer=$drive/newer
    TW_MSI_VERSION=6.1.1.0 TW_MSI_PRODUCT_CODE=${newer_code:1:36} \
        bash "$root/msi/build.sh" "$drive/newer-build" >/dev/null
    lay_out_package "$newer" "$drive/stand_in.exe"
    cp "$drive/newer-build/Tarnwhistle.msi" "$newer/"
    # Wine removes the older product without setting UPGRADINGPRODUCTCODE, so its
    # removal runs (and finds no kept uninstaller); Windows skips it.
    msiexec "$drive/upgrade.out" /i "$TW_DRIVE\\newer\\Tarnwhistle.msi" /qn "INSTALLDIR=$TW_DRIVE\\app"
    check "the newer MSI installs over the older" ended_with "$drive/upgrade.out" 3010
    check "and replaces its registration" msi_forgot "$product_code"
    check "the newer MSI is registered" msi_knows "$newer_code"
    msiexec "$drive/remove.out" /x "$TW_DRIVE\\newer\\Tarnwhistle.msi" /qn
    check "removing it with the drivers gone already ends with 0" ended_with "$drive/remove.out" 0
    check "and unregisters it" msi_forgot "$newer_code"
}

# A run cut off before its removals leaves an MSI registered, and msiexec /i of a
# registered product only maintains it: start with neither version registered.
forget_earlier_runs() {
    local code
    for code in "$product_code" "$newer_code"; do
        msi_forgot "$code" || wine msiexec /x "$code" /qn
    done
}

run_all() {
    forget_earlier_runs
    test_program
    test_signing
    test_batch_example
    test_msi_tables
    test_msi_install_and_removal
    test_msi_restart_and_upgrade
    echo "tests/dist took $SECONDS s"
    echo "dist: $passed passed, $failed failed"
    ((failed == 0))
}

tw_with_drive pq --temp run_all
