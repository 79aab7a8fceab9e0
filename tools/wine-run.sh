#!/usr/bin/env bash
# Runs one Windows program under Wine (CTest's emulator for the Windows build).
# Starts a virtual display of its own when none is set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
source "$here/wine-env.sh"
quelvin_wine_prepare
exec wine "$@"
