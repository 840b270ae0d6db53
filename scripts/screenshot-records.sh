#!/usr/bin/env bash
# Screenshots of the operators, locations and assets windows on a small sample
# register: scripts/screenshot-records.sh OUT_DIR
# Runs a copy of the program in a temporary program folder under a virtual screen,
# opens each window from the "Arquivos" menu with mouse clicks and saves
# OUT_DIR/operadores.png, locais.png, bens.png, bens-insert.png (a new asset) and
# bens-locais.png (its location list open).
# Needs xvfb, xdotool and imagemagick (apt-get install -y xvfb xdotool imagemagick).
set -euo pipefail
out=$(realpath -m "${1:-shots}")
build=${BUILD_DIR:-build}
mkdir -p "$out"
app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
cp "$build/bin/ambitra" "$app/"
"$build/bin/ambitra-cli" --app-dir "$app" init >/dev/null
/usr/bin/python3 - "$app/Ambitra.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executemany("INSERT INTO Operadores VALUES (?, ?, ?)",
               [("001", "abc", "Ana Souza"), ("002", "xyz", "Rui Prado"), ("003", None, "Zeca")])
db.executemany("INSERT INTO Locais VALUES (?, ?, ?, ?)",
               [("L001", "P1", "ADM", "101"), ("L002", "P1", "FIN", "102"), ("L003", "P2", "TI", "201")])
db.executemany("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEFABRICA, BESITUACAO, BENSERIE,"
               " BEVALOR, BECOMPRA, BEULTINV, BEULTOPE) VALUES (?,?,?,?,?,?,?,?,?,?)",
               [("%06d" % i, "Bem número %d" % i, "L00%d" % (i % 3 + 1), "Fabricante %d" % (i % 4),
                 "BO", "S%05d" % i, 1234.5 * i, "2020-03-%02d" % (i % 28 + 1), None, "Ana Souza")
                for i in range(1, 40)])
db.commit()
PY
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  cd '$app' && ./ambitra & pid=\$!
  sleep 2
  xdotool mousemove 400 300 click 1
  sleep 1
  # Menu items of \"Arquivos\", one row of 22 pixels each below the bar.
  open() { xdotool mousemove 30 10 click 1; sleep 0.5; xdotool mousemove 60 \$1 click 1; sleep 1.5; }
  open 29; import -window root '$out/operadores.png'
  open 51; import -window root '$out/locais.png'
  open 73; import -window root '$out/bens.png'
  # Insert (the navigator's fifth button) and a description typed.
  xdotool mousemove 358 558 click 1; sleep 1; xdotool type --delay 50 'Mesa'; sleep 1
  import -window root '$out/bens-insert.png'
  # The location list dropped down.
  xdotool mousemove 468 115 click 1; sleep 1
  import -window root '$out/bens-locais.png'
  kill \$pid 2>/dev/null || true
"
ls "$out"/*.png
