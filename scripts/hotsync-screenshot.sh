#!/usr/bin/env bash
# The HotSync scenario against the running program under a virtual screen: a
# program folder with a small register, "Sincronização" opened twice (the first
# opening registers the conduit), the handheld asks for a load and presses
# HotSync, and a screenshot of the window after the cycle:
#   scripts/hotsync-screenshot.sh OUT.png [BUILD_DIR]
# Needs xvfb, xdotool, imagemagick and sqlite3. Menu positions assume the
# 1280x800 screen of scripts/screenshot.sh.
set -euo pipefail
out=$(realpath -m "${1:-hotsync.png}")
build=$(realpath "${2:-build}")
work=$(mktemp -d)
app=$work/app
device=$work/device
mkdir -p "$app/Pilot" "$device"
cp "$build/bin/ambitra" "$build/bin/RDKINST" "$app/"
cp -r "$build/bin/system" "$app/"
export XDG_CONFIG_HOME=$work/config
"$build/bin/ambitra-cli" --app-dir "$app" init
sqlite3 "$app/Ambitra.db" <<'SQL'
INSERT INTO Operadores VALUES ('01', 'abc', 'Ana'), ('02', NULL, 'Rui');
INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), ('0202', 'P2', 'FIN', 'S2'),
  ('0303', 'P3', 'RH', 'S7');
INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO) VALUES
  ('1', 'Mesa', '0101', '01'), ('2', 'Cadeira', '0101', '01'), ('3', 'Armário', '0202', '01');
SQL
handheld=$build/bin/ambitra-handheld
"$handheld" --device "$device" request load
menu_sync=${MENU_SYNC:-"105 12"}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  '$app/ambitra' & pid=\$!
  sleep 2
  xdotool mousemove 400 300 click 1
  sleep 1
  xdotool mousemove $menu_sync click 1; sleep 2
  xdotool key Return; sleep 1
  xdotool mousemove $menu_sync click 1; sleep 2
  '$handheld' --device '$device' sync --user 'Coletor 1' --app-dir '$app' > '$work/sync.out' 2>&1
  echo \"sync exit \$?\" >> '$work/sync.out'
  sleep 1
  import -window root '$out'
  kill \$pid 2>/dev/null || true
"
cat "$work/sync.out"
"$handheld" --device "$device" show
rm -rf "$work"
