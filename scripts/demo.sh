#!/usr/bin/env bash
# Sets up, builds, and mirrors the sample tree with update into a fresh folder
# under build/demo, twice (the second time after a few changes to the source),
# showing the log block of each run; then checks the copy with compare when
# that program has been built.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/copia"
cp -a samples/origen "$demo/origen"

run_update() {
  local status=0
  build/bin/update /u /log:cud "/logfile:$demo/update.log" "$demo/origen" "$demo/copia" || status=$?
  echo "update terminó con el estado $status (0 = sin fallos)."
  if [ "$status" -ge 2 ]; then
    echo "Se registraron fallos: véase $demo/update.log" >&2
    exit "$status"
  fi
}

echo "== Primera pasada: copia completa de $demo/origen en $demo/copia"
run_update
echo "-- $demo/update.log:"
cat "$demo/update.log"

echo
echo "== Segunda pasada, tras cambiar el origen (un archivo modificado, uno nuevo, uno borrado)"
echo "Segundo trimestre: revisión pendiente." >> "$demo/origen/Informes/resumen.txt"
touch -d '+1 minute' "$demo/origen/Informes/resumen.txt"
printf 'Carta de presentación.\n' > "$demo/origen/Proyectos/carta nueva.txt"
rm "$demo/origen/Fotos/lista de fotos.txt"
lines_before=$(wc -l < "$demo/update.log")
run_update
echo "-- bloque añadido a $demo/update.log:"
tail -n "+$((lines_before + 1))" "$demo/update.log"

if [ -x build/bin/compare ]; then
  echo
  echo "== Comprobación con compare"
  status=0
  build/bin/compare /u "/logfile:$demo/compare.log" "$demo/origen" "$demo/copia" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "La copia coincide con el origen."
  else
    echo "compare encontró diferencias o fallos (estado $status):"
    cat "$demo/compare.log"
    exit "$status"
  fi
fi
