#!/bin/bash
# Runs one command against a private Xvfb server, so GL tests can run in parallel.
set -u
coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null; }
xvfb_pid=$XVFB_PID
if ! read -r -t 30 display_number <&"${XVFB[0]}"; then
  echo "with_xvfb: Xvfb did not start" >&2
  kill "$xvfb_pid" 2>/dev/null
  exit 1
fi
DISPLAY=":$display_number" "$@"
status=$?
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
exit $status
