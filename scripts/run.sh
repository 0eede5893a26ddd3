#!/bin/bash
# Installs what is missing, builds the viewer and starts it in its working
# directory. Without a display it runs under Xvfb and saves a screenshot.
# Arguments go to the viewer: scripts/run.sh [VOLUME] [options]
set -euo pipefail
caller_dir=$PWD
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages "${RUN_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target volview volview_data volview_samples

# The viewer runs in build/run: paths given relative to the caller's folder
# are made absolute. Values of the options below are not paths.
args=()
previous=""
for arg in "$@"; do
  case "$previous" in
    --raw|--type|--window|--spacing|--max-size|--frame|--header-bytes|-geometry|-display|\
    --view|--projection|--zoom|--mode|--iso|--turntable|--size|--preset|--slices|--benchmark|\
    --interactive-ms) args+=("$arg") ;;
    *) if [[ "$arg" != -* && "$arg" != /* ]]; then args+=("$caller_dir/$arg"); else args+=("$arg"); fi ;;
  esac
  previous=$arg
done

cd build/run
if [ -n "${DISPLAY:-}" ]; then
  exec ./volview ${args[@]+"${args[@]}"}
fi

# No display: run on a private Xvfb.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp -noreset 4>"$fifo" 2>/dev/null &
xvfb=$!
read -r number < "$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
trap 'kill $xvfb 2>/dev/null' EXIT
shot="$(cd .. && pwd)/screenshot.png"

if [ ${#args[@]} -gt 0 ]; then
  # With arguments the viewer takes the screenshot itself, unless they ask
  # for something else (--info, --help, their own --screenshot, ...).
  case " ${args[*]} " in
    *" --screenshot "*|*" --info "*|*" --help "*|*" -h "*|*" --version "*|*" --benchmark "*|*" --preset list "*)
      ./volview -geometry 500x500+0+0 "${args[@]}" ;;
    *)
      ./volview -geometry 500x500+0+0 "${args[@]}" --screenshot "$shot" ;;
  esac
  exit
fi

# Without arguments: show what the window shows, then quit with q.
./volview -geometry 500x500+0+0 &
viewer=$!
title='^3D volume rendering, Orvane Octobre 2003$'
window=$(timeout 60 xdotool search --sync --onlyvisible --name "$title" | head -1)
sleep 5
xwd -silent -id "$window" | convert xwd:- "$shot"
echo "Screenshot of the viewer: $shot"
xdotool mousemove --window "$window" 250 250 key q
wait "$viewer"
