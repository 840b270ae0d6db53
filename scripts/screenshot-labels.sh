#!/usr/bin/env bash
# Screenshots of the labels print dialog on a small sample register:
# scripts/screenshot-labels.sh OUT_DIR
# Runs a copy of the program in a temporary program folder under a virtual screen,
# opens the assets window from the "Arquivos" menu, chooses three rows of the grid
# (click, shift+click), presses "Etiquetas..." and saves OUT_DIR/bens-etiquetas.png
# (the window) and OUT_DIR/etiquetas.png (the dialog over it).
# Needs xvfb, xdotool and imagemagick (apt-get install -y xvfb xdotool imagemagick).
set -euo pipefail
out=$(realpath -m "${1:-shots}")
build=${BUILD_DIR:-build}
mkdir -p "$out"
app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
cp "$build/bin/ambitra" "$app/"
"$build/bin/ambitra-cli" --app-dir "$app" init >/dev/null
printf '[PREFS]\r\nCodeBar=EAN13\r\nLabelTitle=Prefeitura Municipal\r\n' >"$app/ambitra.ini"
/usr/bin/python3 - "$app/Ambitra.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executemany("INSERT INTO Locais VALUES (?, ?, ?, ?)",
               [("L001", "P1", "ADM", "101"), ("L002", "P1", "FIN", "102"), ("L003", "P2", "TI", "201")])
db.executemany("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES (?,?,?)",
               [("%06d" % i, "Bem número %d" % i, "L00%d" % (i % 3 + 1)) for i in range(1, 40)])
db.commit()
PY
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  cd '$app' && ./ambitra & pid=\$!
  sleep 2
  xdotool mousemove 400 300 click 1
  sleep 1
  xdotool mousemove 30 10 click 1; sleep 0.5; xdotool mousemove 60 73 click 1; sleep 1.5
  # Rows 2 to 4 of the grid.
  xdotool mousemove 80 ${ROW1:-80} click 1; sleep 0.3
  xdotool keydown shift mousemove 80 ${ROW3:-120} click 1 keyup shift; sleep 0.5
  import -window root '$out/bens-etiquetas.png'
  xdotool mousemove ${BUTTON:-750 558} click 1; sleep 1.5
  import -window root '$out/etiquetas.png'
  kill \$pid 2>/dev/null || true
"
ls "$out"/*.png
