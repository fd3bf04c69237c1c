#!/usr/bin/env bash
# Builds QTEST820 and starts it. Without arguments it starts on the virtual
# reader (COM1); arguments are passed to qtest820 (see ./start.sh --help).
# Without a display it runs the bundled demo script headless and prints its
# transcript instead.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/scripts/ensure-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" --target qtest820 mdq820-sim -- -j"$(nproc)" >&2
bin="$here/build/src/qtest820"
args=("$@")
[ ${#args[@]} -eq 0 ] && args=(--simulate)
has_script=0
for a in "${args[@]}"; do case "$a" in --script|--script=*|--help|-h|--version) has_script=1 ;; esac; done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ $has_script -eq 0 ]; then
  echo "No display: running the demo script on the virtual reader instead." >&2
  exec "$bin" --simulate --script "$here/examples/demo.txt"
fi
exec "$bin" "${args[@]}"
