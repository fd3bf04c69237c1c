#!/usr/bin/env bash
# Builds QTEST820 with its tests and runs every test (CTest).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/scripts/ensure-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQTEST820_BUILD_TESTS=ON >/dev/null
cmake --build "$here/build" -- -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$here/build" --output-on-failure -j2 "$@"
