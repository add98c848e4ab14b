#!/usr/bin/env bash
# Builds Tarnwhistle.msi into OUT: the x64 custom action DLL (a 32-bit one crashes
# where i386 code is emulated; an x64 package runs its DLL as 64-bit code), then the
# package with wixl, then the check that every action its sequences name exists.
#
#   msi/build.sh OUT
#
# The version is the program's (res/Tarnwhistle.rc). Each version has a ProductCode of
# its own, written here; the UpgradeCode in Tarnwhistle.wxs never changes. The Windows
# Installer compares only the first three fields: 6.1.0.1 does not replace 6.1.0.0.
# TW_MSI_VERSION and TW_MSI_PRODUCT_CODE build another version (the upgrade's test).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=$1
mkdir -p "$out"

version=$(sed -n 's/^PRODUCTVERSION \([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' \
    "$root/res/Tarnwhistle.rc")
declare -A product_codes=([6.1.0.0]=A4C3E1F0-5B2D-4E6A-8F17-3D9C0B5E7A21)
version=${TW_MSI_VERSION:-$version}
product_code=${TW_MSI_PRODUCT_CODE:-${product_codes[$version]:-}}
[[ -n $product_code ]] || { echo "msi: no ProductCode for version $version in $0" >&2; exit 1; }

x86_64-w64-mingw32-g++ -std=c++20 -Os -Wall -Wextra -Wpedantic -Wshadow -Wconversion \
    -Wno-sign-conversion -Werror -DWIN32_LEAN_AND_MEAN -D_WIN32_WINNT=0x0601 -I"$root" \
    -shared -static -static-libgcc -static-libstdc++ -s \
    -o "$out/run_installer_action.dll" "$here/run_installer_action.cpp" -lmsi

# wixl takes the DLL by a path relative to the folder it runs in.
(cd "$out" && wixl -a x64 -D ProductCode="$product_code" -D Version="$version" \
    -D ActionDll=run_installer_action.dll -o Tarnwhistle.msi.new "$here/Tarnwhistle.wxs")
python3 "$here/check_actions.py" "$out/Tarnwhistle.msi.new"
mv -f "$out/Tarnwhistle.msi.new" "$out/Tarnwhistle.msi"
echo "msi: $out/Tarnwhistle.msi, version $version, ProductCode {$product_code}"
