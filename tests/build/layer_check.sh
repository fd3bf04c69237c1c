#!/usr/bin/env bash
# The layer check passes on the tree as it is and stops on an include that
# points up a layer, on a page that includes another page, and on the tool
# using the virtual reader outside app/.
set -euo pipefail
root=$1
check() { cmake -DSRC_DIR="$1" -DSIM_DIR="$2" -P "$root/cmake/check_layers.cmake" >/dev/null 2>&1; }
check "$root/src" "$root/sim" || { echo "FAIL: the tree itself is refused"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
for case in 'link/a.cpp:#include "ui/status_bar.h"' \
            'contact/b.cpp:#include "contactless/rf_card_page.h"' \
            'ui/c.h:#include "shell/reader_main.h"' \
            'shell/d.cpp:#include <virtual_reader.h>' \
            'sim/e.cpp:#include "link/execute_command.h"'; do
  file=${case%%:*}; line=${case#*:}
  rm -rf "$tmp"/*; mkdir -p "$tmp/src/$(dirname "$file")" "$tmp/sim"
  if [[ $file == sim/* ]]; then printf '%s\n' "$line" > "$tmp/$file"; else printf '%s\n' "$line" > "$tmp/src/$file"; fi
  if check "$tmp/src" "$tmp/sim"; then echo "FAIL: not refused: $file: $line"; failures=$((failures+1)); fi
done
# Allowed: a page includes the kit and the link layer; the simulator the frame helpers.
rm -rf "$tmp"/*; mkdir -p "$tmp/src/contact" "$tmp/sim"
printf '#include "ui/widgets.h"\n#include "link/frame.h"\n' > "$tmp/src/contact/ok.cpp"
printf '#include "link/frame.h"\n' > "$tmp/sim/ok.cpp"
check "$tmp/src" "$tmp/sim" || { echo "FAIL: allowed includes refused"; failures=$((failures+1)); }
[ $failures -eq 0 ] && echo "layer check: 7 passed, 0 failed"
exit $failures
