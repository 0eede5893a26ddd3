#!/bin/bash
# Installs what is missing, builds the viewer and starts it in its working
# directory. Without a display it runs under Xvfb and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages "${RUN_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target volview volview_data

cd build/run
if [ -n "${DISPLAY:-}" ]; then
  exec ./volview
fi

# No display: run on a private Xvfb, show what the window shows, then quit with q.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp -noreset 4>"$fifo" 2>/dev/null &
xvfb=$!
read -r number < "$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
trap 'kill $xvfb 2>/dev/null' EXIT

./volview -geometry 500x500+0+0 &
viewer=$!
title='^3D volume rendering, Orvane Octobre 2003$'
window=$(timeout 60 xdotool search --sync --onlyvisible --name "$title" | head -1)
sleep 5
shot="$(cd .. && pwd)/screenshot.png"
xwd -silent -id "$window" | convert xwd:- "$shot"
echo "Screenshot of the viewer: $shot"
xdotool mousemove --window "$window" 250 250 key q
wait "$viewer"
