#!/usr/bin/env bash
# The whole test suite again under AddressSanitizer + UndefinedBehaviorSanitizer
# (clang), plus the libFuzzer targets, each for a bounded number of runs from
# its committed corpus. Used by CI after ./test.sh.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/ensure-deps.sh"
need=()
command -v clang++ >/dev/null || need+=(clang)
[ -n "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null | grep /)" ] && \
  [ -f "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a)" ] || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >&2
  else
    echo "Missing packages. Run this first:  sudo apt-get install -y ${need[*]}" >&2
    exit 1
  fi
fi
build="$here/build-hardening"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQTEST820_SANITIZE=ON -DQTEST820_FUZZ=ON -DQTEST820_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -- -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The real-display group is left out here: the X client libraries keep
# allocations for the whole process that LeakSanitizer would report; it runs
# in the plain suite (./test.sh).
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j2 -LE display "$@"
