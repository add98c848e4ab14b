#!/usr/bin/env bash
# Lays out a release in OUT: Tarnwhistle.exe and Tarnwhistle.msi (signed when
# tools/sign.sh finds a certificate in the environment), the deployment document and
# SHA256SUMS over all three.
#
#   tools/dist.sh OUT EXE MSI
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1 exe=$2 msi=$3
rm -rf "$out"
mkdir -p "$out"
if [[ -n ${TW_SIGN_PFX:-}${TW_SIGN_CERT:-} ]]; then
    bash "$root/tools/sign.sh" "$out" "$exe" "$msi"
else
    echo "dist: unsigned (no TW_SIGN_CERT or TW_SIGN_PFX; see tools/sign.sh)"
    cp "$exe" "$msi" "$out/"
fi
cp "$root/docs/deployment.md" "$out/"
(cd "$out" && sha256sum Tarnwhistle.exe Tarnwhistle.msi deployment.md >SHA256SUMS)
echo "dist: $out"
