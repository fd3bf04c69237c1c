#!/usr/bin/env bash
# Runs a command on a private Xvfb server (a real X display), so the test sees
# real windows, real dialogs and real input events. Each run gets its own
# display number from Xvfb itself (-displayfd), so tests may run in parallel.
set -euo pipefail
geometry=${XVFB_SCREEN:-1600x1000x24}
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
rm -f "$fifo"
Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true' EXIT
display=
read -r -t 10 display <&3 || true
if [ -z "$display" ]; then
  echo "on_xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$@"
