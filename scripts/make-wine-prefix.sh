#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in: Wine's own fonts, no
# window-manager stalls, Liberation Serif for Times New Roman, no audio
# driver, and a private ru_RU.UTF-8 locale so Cyrillic file names work.
# Usage: make-wine-prefix.sh PREFIX LOCALE_DIR
set -euo pipefail
prefix=$1
locdir=$2

mkdir -p "$locdir"
if [ ! -d "$locdir/ru_RU.UTF-8" ]; then
  localedef -i ru_RU -f UTF-8 "$locdir/ru_RU.UTF-8" 2>/dev/null || [ -d "$locdir/ru_RU.UTF-8" ]
fi

rm -rf "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all LOCPATH=$locdir LC_ALL=ru_RU.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
mkdir -p "$prefix/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Times New Roman"="Liberation Serif"

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"=""
REG
wine regedit "$reg" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
touch "$prefix/.ready"
