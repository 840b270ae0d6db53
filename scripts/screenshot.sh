#!/usr/bin/env bash
# Starts the program under a virtual screen, clicks into its window (there is no
# window manager to activate it) and saves a screenshot: scripts/screenshot.sh OUT.png
# Needs xvfb, xdotool and imagemagick (apt-get install -y xvfb xdotool imagemagick).
# SHOT_STEPS: more shell commands run before the shot, e.g. xdotool clicks that
# open a window from the menu ("xdotool mousemove 30 12 click 1; sleep 1; ...").
set -euo pipefail
out=${1:-shot.png}
bin=${AMBITRA_BIN:-build/bin/ambitra}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  '$bin' & pid=\$!
  sleep 2
  xdotool mousemove 400 300 click 1
  sleep 1
  ${SHOT_STEPS:-true}
  sleep ${SHOT_DELAY:-2}
  import -window root '$out'
  kill \$pid 2>/dev/null || true
"
