#!/usr/bin/env bash
# Runs every benchmark and prints the README's table rows. Build first (./test.sh
# builds them). Under Xvfb when there is no display. Takes about ten minutes.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=${BUILD_DIR:-$ROOT/build}/bin

display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  else
    "$@"
  fi
}

echo "## Machine"
echo "$(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "## Extraction against one memmem() pass for \"http\" (ratio = extraction / memmem)"
"$BIN/extract_bench" --benchmark_counters_tabular=true 2>/dev/null |
  awk '/BM_ExtractVsMemmem/ { split($1, a, "/"); printf "| %s | %s | %s ms | %s ns/B | %s ns/B | %s | %s |\n", a[2], a[3], $2, $9, $10, $11, $7 }'
echo
echo "## Peak memory of one extraction"
"$BIN/extract_peak"
echo
echo "## Peak memory of a fetch whose body is far over the cap"
"$BIN/fetch_peak"
echo
echo "## Window"
display "$BIN/window_bench" 5 2>/dev/null | grep '^|'
display "$BIN/startup_bench" 9 2>/dev/null | grep '^|'
echo
echo "## Double-click → first frame of the first module, fresh process each time, median of 5"
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
for mode in cold warm; do
  ms=$(for i in 1 2 3 4 5; do display "$BIN/first_module" "$mode" 2>/dev/null; done | median)
  echo "| $mode | $ms ms |"
done
echo
echo "## Huge and hostile pages, each in a fresh process"
echo "| page | rows | Enter → rows shown | peak growth | bare GET | its peak growth | key press after |"
for kind in dense million long; do
  display "$BIN/page_bench" "$kind" 2>/dev/null
done
