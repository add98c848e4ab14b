#!/usr/bin/env bash
# Signs release files with Authenticode (osslsigncode), writing signed copies to OUT:
#
#   tools/sign.sh OUT FILE...
#
# The certificate comes from the environment, one of:
#   TW_SIGN_CERT and TW_SIGN_KEY   the certificate (with its chain) and the private key,
#                                  PEM or DER; TW_SIGN_PASSWORD when the key is encrypted
#   TW_SIGN_PFX                    a PKCS#12 file; TW_SIGN_PASSWORD its password
# TW_SIGN_TIMESTAMP, optional: an RFC 3161 timestamp server's URL, so that the
# signature stays valid after the certificate expires.
# Without a certificate it says what is missing and signs nothing (exit status 2).
set -euo pipefail
out=$1
shift

if [[ -n ${TW_SIGN_PFX:-} ]]; then
    credentials=(-pkcs12 "$TW_SIGN_PFX")
elif [[ -n ${TW_SIGN_CERT:-} && -n ${TW_SIGN_KEY:-} ]]; then
    credentials=(-certs "$TW_SIGN_CERT" -key "$TW_SIGN_KEY")
else
    echo "sign: nothing signed: set TW_SIGN_CERT and TW_SIGN_KEY (certificate and key)," \
        "or TW_SIGN_PFX (a PKCS#12 file), with TW_SIGN_PASSWORD if they are protected" >&2
    exit 2
fi
if [[ -n ${TW_SIGN_PASSWORD:-} ]]; then
    # From a file only we can read, so that the password shows in no process list.
    password=$(mktemp)
    trap 'rm -f "$password"' EXIT
    printf '%s' "$TW_SIGN_PASSWORD" >"$password"
    credentials+=(-readpass "$password")
fi
[[ -n ${TW_SIGN_TIMESTAMP:-} ]] && credentials+=(-ts "$TW_SIGN_TIMESTAMP")

mkdir -p "$out"
for file in "$@"; do
    signed=$out/$(basename "$file")
    rm -f "$signed"
    osslsigncode sign "${credentials[@]}" -h sha256 -n "Varnelquist drivers" \
        -in "$file" -out "$signed" >/dev/null
    echo "sign: $signed"
done
