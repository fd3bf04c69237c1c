#!/usr/bin/env bash
# The Debian package as a packager and a user meet it. Builds the .deb from a
# fresh build directory (Release, the shipped programs only), then:
#   - its contents: everything in its place, the documentation in
#     /usr/share/doc/qtest820 and nowhere else;
#   - lintian: no error and no warning (overrides only with a written reason);
#   - appstreamcli validate (offline) on the metainfo, desktop-file-validate
#     on the desktop entry (not even a hint);
#   - one version: the package's, `qtest820 --version`, `mdq820-sim --version`,
#     the changelog's and the metainfo's latest release agree with the project;
#   - apt-get install ./qtest820_*.deb, then the installed programs: --version,
#     the installed demo script on the built-in virtual reader, and the installed
#     mdq820-sim answering the installed qtest820 over its pseudo-terminal;
#   - apt-get purge: the package is gone and none of its files is left.
# Every check runs; the summary lists the failures and the exit code is 1 if
# there was any. Needs root for the install (CI runs as root); installs its
# tools the way scripts/ensure-deps.sh does.
#
#   scripts/package-check.sh [BUILD_DIR]     (default: build-package, emptied first)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-package}

"$here/scripts/ensure-deps.sh" dpkg-dev lintian appstream desktop-file-utils
if [ "$(id -u)" -ne 0 ]; then
  echo "package-check: installing the package needs root (CI runs as root)" >&2
  exit 2
fi
# Known to dpkg in any state but "not installed" (installed, or config files left).
present() { local s; s=$(dpkg-query -W -f='${db:Status-Abbrev}' qtest820 2>/dev/null || true); [ -n "$s" ] && [[ $s != un* ]]; }
if present; then
  echo "package-check: qtest820 is installed on this machine already; remove it first (apt-get purge qtest820)" >&2
  exit 2
fi

failures=()
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures+=("$*"); }
# check "what" command...: ok when the command succeeds.
check() { local what=$1; shift; if "$@"; then ok "$what"; else fail "$what"; fi; }

work=$(mktemp -d)
sim_pid=
installed=0
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  if [ $installed -eq 1 ]; then apt-get purge -y -qq qtest820 >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# -- Build ---------------------------------------------------------------------
echo "== Building the package in $build"
# Emptied first, but only if it is a build folder (or empty): nothing else is lost.
if [ -d "$build" ] && [ -n "$(ls -A "$build")" ] && [ ! -f "$build/CMakeCache.txt" ]; then
  echo "package-check: $build is not empty and not a build folder; not emptying it" >&2
  exit 2
fi
rm -rf "$build"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQTEST820_BUILD_TESTS=OFF -DQTEST820_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$build" -- -j"$(nproc)" >"$work/build.log" || { tail -30 "$work/build.log"; exit 1; }
(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
debs=("$build"/qtest820_*_"$(dpkg --print-architecture)".deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package-check: expected one .deb in $build, found: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
echo "== Checking $(basename "$deb")"

project_version=$(sed -nE 's/^project\(QTEST820 VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
package_version=$(dpkg-deb -f "$deb" Version)
check "package version $package_version is the project version $project_version (+ git describe)" \
  grep -qE "^${project_version//./\\.}(\+[A-Za-z0-9.~]+)?$" <<<"$package_version"
check "the programs were built with the package's version" \
  grep -qF "#define QTEST820_VERSION \"$package_version\"" "$build/generated/qtest820_version.h"

# -- Contents ------------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
doc=/usr/share/doc/qtest820
for f in /usr/bin/qtest820 /usr/bin/mdq820-sim \
         /usr/share/applications/qtest820.desktop \
         /usr/share/icons/hicolor/scalable/apps/qtest820.svg \
         /usr/share/metainfo/org.example.qtest820.metainfo.xml \
         /usr/share/man/man1/qtest820.1.gz /usr/share/man/man1/mdq820-sim.1.gz \
         $doc/copyright $doc/changelog.gz \
         $doc/examples/demo.txt $doc/examples/reader_tour.txt \
         $doc/examples/memory_card_check.txt $doc/examples/mifare_value_check.txt; do
  check "contains $f" grep -qxF "$f" "$work/contents"
done
check "documentation only under $doc" \
  bash -c "! grep '^/usr/share/doc/.' '$work/contents' | grep -v '^$doc/'"
check "no uncompressed man page" bash -c "! grep -E '^/usr/share/man/.*[^/]\$' '$work/contents' | grep -v '\\.gz\$'"

mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
man_ok() { for p in "$work"/root/usr/share/man/man1/*.1.gz; do zcat "$p" | head -1 | grep -qF "\"QTEST820 $project_version\"" || return 1; done; }
check "man pages name version $project_version" man_ok
changelog_version=$(zcat "$work/root$doc/changelog.gz" 2>/dev/null | sed -nE '1s/^qtest820 \(([^)]+)\).*/\1/p' || true)
check "changelog's latest entry is $project_version (found '$changelog_version')" [ "$changelog_version" = "$project_version" ]

# -- lintian ---------------------------------------------------------------------
echo "== lintian"
if lintian --fail-on error,warning --info "$deb" >"$work/lintian" 2>&1; then
  ok "lintian: no error or warning"
else
  fail "lintian reports errors or warnings"
fi
grep -E '^[EWIPX]: ' "$work/lintian" | sed 's/^/     /' || true

# -- AppStream and desktop entry -----------------------------------------------
echo "== AppStream metainfo and desktop entry"
metainfo="$work/root/usr/share/metainfo/org.example.qtest820.metainfo.xml"
if appstreamcli validate --no-net --strict --explain "$metainfo" >"$work/appstream" 2>&1; then
  ok "appstreamcli validate --no-net --strict"
else
  fail "appstreamcli validate"; sed 's/^/     /' "$work/appstream"
fi
release=$(grep -m1 -oE '<release version="[^"]+"' "$metainfo" 2>/dev/null | cut -d'"' -f2 || true)
check "metainfo's latest release is $project_version (found '$release')" [ "$release" = "$project_version" ]
shot=$(grep -m1 -oE '<image[^>]*>[^<]+</image>' "$metainfo" 2>/dev/null | sed -E 's/.*>([^<]+)<.*/\1/' || true)
shot_file="$here/docs/screenshots/$(basename "$shot")"
check "screenshot '$(basename "${shot:-none}")' is a PNG picture in docs/screenshots" \
  bash -c "[ -s '$shot_file' ] && [ \"\$(head -c 8 '$shot_file' | od -An -tx1 | tr -d ' \n')\" = 89504e470d0a1a0a ]"
desktop="$work/root/usr/share/applications/qtest820.desktop"
desktop-file-validate "$desktop" >"$work/desktop" 2>&1 || echo "(exit code $?)" >>"$work/desktop"
if [ ! -s "$work/desktop" ]; then
  ok "desktop-file-validate: no error, warning or hint"
else
  fail "desktop-file-validate"; sed 's/^/     /' "$work/desktop"
fi

# -- Install and run -----------------------------------------------------------
echo "== apt-get install ./$(basename "$deb")"
export DEBIAN_FRONTEND=noninteractive
# As a user would: by its path, from the folder it is in (once more after
# apt-get update if a dependency could not be fetched).
install_deb() { (cd "$(dirname "$deb")" && apt-get install -y -qq "./$(basename "$deb")") >"$work/install.log" 2>&1; }
if install_deb || { apt-get update -qq && install_deb; }; then
  installed=1
  ok "apt-get install"
else
  fail "apt-get install"; tail -20 "$work/install.log" | sed 's/^/     /'
fi

if [ $installed -eq 1 ]; then
  export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config"
  check "qtest820 --version prints 'qtest820 $package_version'" \
    [ "$(/usr/bin/qtest820 --version)" = "qtest820 $package_version" ]
  check "mdq820-sim --version prints 'mdq820-sim $package_version'" \
    [ "$(/usr/bin/mdq820-sim --version)" = "mdq820-sim $package_version" ]

  # The installed demo on the built-in virtual reader: it connects, and the
  # card the script inserts is seen.
  code=0
  timeout 120 /usr/bin/qtest820 --simulate --script $doc/examples/demo.txt >"$work/demo" 2>"$work/demo.err" || code=$?
  demo_ok() {
    [ $code -eq 0 ] && ! grep -qE '^(error|message exclamation)' "$work/demo" \
      && grep -q '^message information "Card Status" ".*No card in card channel' "$work/demo" \
      && grep -q '^message information "Card Status" ".*There is card at front side' "$work/demo"
  }
  if demo_ok; then ok "installed demo script on qtest820 --simulate"; else
    fail "installed demo script on qtest820 --simulate (exit code $code)"; sed 's/^/     /' "$work/demo" "$work/demo.err" | head -20; fi

  # The installed mdq820-sim on its pseudo-terminal, staged with a card from
  # its standard input, answering the installed qtest820 (the demo without
  # its in-process `sim` steps).
  mkfifo "$work/sim.in"
  /usr/bin/mdq820-sim --link "$work/reader" <"$work/sim.in" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  exec 3>"$work/sim.in"
  echo insert >&3
  for _ in $(seq 50); do [ -e "$work/reader" ] && [ "$(wc -l <"$work/sim.out")" -ge 2 ] && break; sleep 0.1; done
  code=0
  grep -v '^sim ' $doc/examples/demo.txt | timeout 120 /usr/bin/qtest820 --fresh --map COM1="$work/reader" --script - \
    >"$work/demo2" 2>"$work/demo2.err" || code=$?
  exec 3>&-
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
  sim_ok() {
    [ $code -eq 0 ] && ! grep -qE '^(error|message exclamation)' "$work/demo2" \
      && grep -qF "value PortDeviceHint \"= $work/reader\"" "$work/demo2" \
      && [ "$(grep -c '^message information "Card Status" ".*There is card at front side' "$work/demo2")" -eq 2 ]
  }
  if sim_ok; then ok "installed qtest820 with the installed mdq820-sim on a pseudo-terminal"; else
    fail "installed qtest820 with the installed mdq820-sim (exit code $code)"
    sed 's/^/     /' "$work/demo2" "$work/demo2.err" "$work/sim.out" | head -30; fi

  # -- Remove ----------------------------------------------------------------
  echo "== apt-get purge qtest820"
  check "apt-get purge" bash -c "apt-get purge -y -qq qtest820 >'$work/purge.log' 2>&1"
  installed=0
  absent() { ! present; }
  check "dpkg no longer knows the package (not even its configuration)" absent
  # Every file is gone, and our own folder; shared folders (/usr/bin, ...)
  # belong to other packages too and stay.
  left=()
  while read -r f; do
    if [[ $f == */ ]]; then
      if [[ $f == "$doc"/* ]] && [ -e "$f" ]; then left+=("$f"); fi
    elif [ -e "$f" ] || [ -L "$f" ]; then
      left+=("$f")
    fi
  done <"$work/contents"
  check "nothing of the package left (${#left[@]} paths: ${left[*]:-none})" [ ${#left[@]} -eq 0 ]
fi

echo
if [ ${#failures[@]} -eq 0 ]; then
  echo "package-check: $(basename "$deb"): all checks passed"
else
  echo "package-check: $(basename "$deb"): ${#failures[@]} check(s) failed:"
  printf '  - %s\n' "${failures[@]}"
  exit 1
fi
