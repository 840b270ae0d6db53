#!/usr/bin/env bash
# An inventory of a small register counted by two teams with their handhelds:
# the report's pages as PNG and a screenshot of "Sincronização > Inventário"
# under a virtual screen:
#   scripts/inventory-screenshot.sh OUT_DIR [BUILD_DIR]
# Leaves OUT_DIR/inventario.pdf, OUT_DIR/relatorio-N.png and OUT_DIR/janela*.png (the
# progress, the locations and the divergences).
# Needs xvfb, xdotool, imagemagick, sqlite3 and poppler-utils. Menu positions
# assume the 1280x800 screen of scripts/screenshot.sh.
set -euo pipefail
out=$(realpath -m "${1:-inventario}")
build=$(realpath "${2:-build}")
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app=$work/app
mkdir -p "$app" "$work/a" "$work/b"
cp "$build/bin/ambitra" "$app/"
cp -r "$build/bin/system" "$app/"
export XDG_CONFIG_HOME=$work/config
cli=("$build/bin/ambitra-cli" --app-dir "$app")
handheld=$build/bin/ambitra-handheld
"${cli[@]}" init >/dev/null
printf '[PREFS]\r\nLabelTitle=Prefeitura Municipal de Lagoa Serena\r\n' >"$app/ambitra.ini"
{
  echo "INSERT INTO Locais VALUES ('0101', 'SED', 'GAB', '101'),"
  echo "  ('0102', 'SED', 'FIN', '102'), ('0201', 'ANX', 'ALM', '01'),"
  echo "  ('0202', 'ANX', 'ARQ', '02'), ('0301', 'ESC', 'SEC', '11');"
  n=0
  for loc in 0101 0102 0201 0202 0301; do
    for name in 'Mesa de escritório' 'Cadeira giratória' 'Armário de aço' 'Computador' \
                'Monitor 24 polegadas' 'Impressora laser' 'Estante' 'Ventilador'; do
      n=$((n + 1))
      printf "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BEVALOR, BEULTINV)"
      printf " VALUES ('%06d', '%s', '%s', '01', %d.%03d, '2025-11-%02d');\n" \
        "$n" "$name" "$loc" $((n * 137 % 4000 + 150)) $((n * 71 % 1000)) $((n % 28 + 1))
    done
  done
} | sqlite3 "$app/Ambitra.db"
"${cli[@]}" inventory new --title "Inventário anual 2026" --kind Anual \
  --member "Maria Aparecida Souza;presidente;10234" \
  --member "João Batista Lima;membro;20871" \
  --member "Ana Cláudia Reis;secretário;30555" >/dev/null

# Team A counts the Sede, team B the Anexo; the Escola is not loaded yet. Both
# read asset 000020, each where it stood for them: a divergence.
"$handheld" --device "$work/a" request load >/dev/null
"${cli[@]}" hotsync --user "Equipe A" --device "$work/a" --location 0101 --location 0102 >/dev/null
"$handheld" --device "$work/b" request load >/dev/null
"${cli[@]}" hotsync --user "Equipe B" --device "$work/b" --location 0201 --location 0202 >/dev/null
for code in 000001 000002 000003 000004 000005 000006 000007 000009 000010 000011 000012 000013; do
  loc=0101; [ "${code#0000}" -gt 8 ] && loc=0102
  "$handheld" --device "$work/a" read "$code" --local "$loc" --operador Ana >/dev/null
done
"$handheld" --device "$work/a" read 000014 --local 0102 --situacao 02 --operador Ana >/dev/null
"$handheld" --device "$work/a" read 000020 --local 0102 --operador Ana >/dev/null
"$handheld" --device "$work/a" read 990001 --local 0102 --nome 'Projetor' --operador Ana >/dev/null
for code in 000017 000018 000019 000020 000021 000022 000025 000026 000027 000028 000029; do
  loc=0201; [ "${code#0000}" -gt 24 ] && loc=0202
  "$handheld" --device "$work/b" read "$code" --local "$loc" --operador Rui >/dev/null
done
"$handheld" --device "$work/a" request unload >/dev/null
"${cli[@]}" hotsync --user "Equipe A" --device "$work/a" >/dev/null
"$handheld" --device "$work/b" request unload >/dev/null
"${cli[@]}" hotsync --user "Equipe B" --device "$work/b" >/dev/null

"${cli[@]}" inventory report 1 --pdf "$out/inventario.pdf" >/dev/null
rm -f "$out"/relatorio-*.png
pdftoppm -png -r 60 "$out/inventario.pdf" "$out/relatorio"

menu_sync=${MENU_SYNC:-"105 12"}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  '$app/ambitra' & pid=\$!
  sleep 2
  xdotool mousemove 400 300 click 1
  sleep 1
  xdotool mousemove $menu_sync click 1; sleep 1
  xdotool key Down Down Down Return; sleep 2
  import -window root '$out/janela.png'
  xdotool mousemove 135 176 click 1; sleep 1
  import -window root '$out/janela-locais.png'
  xdotool mousemove 217 176 click 1; sleep 1
  import -window root '$out/janela-divergencias.png'
  kill \$pid 2>/dev/null || true
"
ls "$out"
