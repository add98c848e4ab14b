#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix; ctest's emulator.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
tw_wine_prefix
exec "$TW_WINE" "$@"
