#!/usr/bin/env bash
# The packages under Wine, in a throw-away copy of the test prefix: the zip's
# contents; a silent install (program files, shortcut, context-menu and
# uninstall keys); a silent uninstall that removes them and keeps the data.
# Usage: PackageTest.sh SETUP ZIP (WINEPREFIX and the locale from CTest)
set -euo pipefail
setup=$1
zip=$2
fail() { echo "FAIL: $*"; exit 1; }

listing=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
want="Vireskand/ Vireskand/LICENSES/ Vireskand/LICENSES/Vampire95-OFL.txt Vireskand/README.txt Vireskand/Vireskand.exe Vireskand/VirusBase.vbf Vireskand/vireskand-scan.exe "
[ "$listing" = "$want" ] || fail "zip holds: $listing"

work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX=$work/prefix
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v -x Public | head -n 1)
home=$WINEPREFIX/drive_c/users/$user
program=$home/AppData/Local/Programs/Vireskand
data=$home/AppData/Local/Vireskand
key() { wine reg query "$1" >/dev/null 2>&1; }
value() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | LC_ALL=C sed -n 's/.*REG_SZ *//p'; }

wine "$setup" /S
wineserver -w
for f in Vireskand.exe vireskand-scan.exe VirusBase.vbf README.txt Uninstall.exe LICENSES/Vampire95-OFL.txt; do
  [ -f "$program/$f" ] || fail "not installed: $f"
done
cmp -s "$program/Vireskand.exe" <(unzip -p "$zip" Vireskand/Vireskand.exe) || fail "installer and zip differ"
[ -f "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vireskand.lnk" ] || fail "no shortcut"
[ -d "$data" ] || fail "no data folder"
exe='C:\users\'$user'\AppData\Local\Programs\Vireskand\Vireskand.exe'
for verb in 'Directory\shell' '*\shell'; do
  [ "$(value "HKCU\\Software\\Classes\\$verb\\Vireskand\\command")" = "\"$exe\" \"%1\"" ] ||
    fail "context-menu command under $verb"
done
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vireskand'
key "$uninstall" || fail "not in the installed programs"

# Started from another folder, the installed program gives the user's data
# folder the bundled database.
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && wine "$program/Vireskand.exe" >/dev/null 2>&1 &)
for _ in $(seq 60); do [ -f "$data/VirusBase.vbf" ] && break; sleep 0.5; done
wineserver -k 2>/dev/null || true
cmp -s "$data/VirusBase.vbf" "$program/VirusBase.vbf" || fail "no database in the data folder"
[ ! -e "$work/elsewhere/VirusBase.vbf" ] || fail "database written to the working folder"

echo changed >"$data/VirusBase.vbf"
wine "$program/Uninstall.exe" /S
wineserver -w
[ ! -e "$program" ] || fail "program folder left: $(ls -R "$program")"
[ ! -e "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vireskand.lnk" ] || fail "shortcut left"
for k in 'HKCU\Software\Classes\Directory\shell\Vireskand' 'HKCU\Software\Classes\*\shell\Vireskand' "$uninstall"; do
  ! key "$k" || fail "key left: $k"
done
[ "$(cat "$data/VirusBase.vbf")" = changed ] || fail "the user's data went with the program"
echo "1 passed, 0 failed"
