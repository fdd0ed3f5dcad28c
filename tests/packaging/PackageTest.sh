#!/usr/bin/env bash
# The packages under Wine, in a throw-away copy of the test prefix: the zip's
# contents; a silent install (program files, shortcut, context-menu and
# uninstall keys); the installed program's scans, started from another
# folder and from the context-menu commands of folders, drives and files
# beside planted databases, with their reports in the data folder; a
# silent uninstall that removes them and keeps the data.
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
  [ "$(value "HKCU\\Software\\Classes\\$verb\\Vireskand\\command")" = "\"$exe\" /shell \"%1\"" ] ||
    fail "context-menu command under $verb"
done
[ "$(value 'HKCU\Software\Classes\Drive\shell\Vireskand\command')" = "\"$exe\" /shell %1" ] ||
  fail "context-menu command of drives"
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vireskand'
key "$uninstall" || fail "not in the installed programs"

# The program's settings: no summary box (the scan then ends without one),
# every file listed, the report replacing Report.txt in the data folder.
# MASK: the file mask.
settings() {
  printf '[OPTIONS]\r\nReport=0\r\nReportToFile=1\r\nReportFileName=Report.txt\r\nReportFileMode=0\r\nSound=0\r\nFileOk=1\r\nSubDir=0\r\nFileMask=%s\r\n' \
    "$1" >"$WINEPREFIX/drive_c/windows/Vireskand.INI"
}
# The report once it is written to its end (at most 30 s), in UTF-8; the
# program stays open after a scan, so Wine is ended then.
report() {
  local text=
  for _ in $(seq 60); do
    text=$(iconv -f CP1251 -t UTF-8 "$data/Report.txt" 2>/dev/null | tr -d '\r') || true
    [[ $text == *"Конец списка."* ]] && break
    sleep 0.5
  done
  wineserver -k 2>/dev/null || true
  timeout 30 wineserver -w 2>/dev/null || true
  printf '%s\n' "$text"
}
# Fails unless the report `$1` names `$2` as scanned and lists exactly the
# rows that follow ("path<TAB><TAB>result").
expect_report() {
  local text=$1 path=$2
  shift 2
  [[ $text == *$'Путь для проверки:\t'"$path"$'\n'* ]] || fail "report of $path: $text"
  local rows
  rows=$(printf '%s\n' "$text" | sed -n '/^Список проверенных файлов:$/,/^Конец списка.$/p' | sed '1d;$d' | sed '/^$/d' | LC_ALL=C sort)
  [ "$rows" = "$(printf '%s\n' "$@" | LC_ALL=C sort)" ] || fail "rows of $path: $rows"
}

# What is scanned: a carrier of the test record's signature, a clean file.
mkdir -p "$work/scan me"
printf 'x-STANDARD-ANTIVIRUS-TEST-FILE!x' >"$work/scan me/bad.com"
printf 'nothing' >"$work/scan me/clean.txt"
folder=$(winepath -w "$work/scan me")

# Started from another folder with a folder to scan, the installed program
# gives the user's data folder the bundled database and writes its report
# there.
settings '*'
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && wine "$program/Vireskand.exe" "$folder" >/dev/null 2>&1 &)
text=$(report)
cmp -s "$data/VirusBase.vbf" "$program/VirusBase.vbf" || fail "no database in the data folder"
[ ! -e "$work/elsewhere/VirusBase.vbf" ] || fail "database written to the working folder"
[ ! -e "$work/elsewhere/Report.txt" ] || fail "report written to the working folder"
expect_report "$text" "$folder" "$folder\\bad.com"$'\t\t'AV.TestFile "$folder\\clean.txt"$'\t\t'OK

# The context-menu commands as the file manager runs them: the registry's
# command line with the path for %1, here from a batch file through cmd,
# in the working folder the file manager gives (the clicked folder, or the
# one holding the clicked file). Whoever may write there can plant a
# database of their own in it and beside it: one that names the test
# record otherwise. It must not be used, and the report must go to the
# data folder. VERB, PATH, WORKING FOLDER.
from_context_menu() {
  local command placeholder=%1
  command=$(value "HKCU\\Software\\Classes\\$1\\Vireskand\\command")
  printf '%s\r\n' "${command//"$placeholder"/"$2"}" >"$work/verb.bat"
  rm -f "$data/Report.txt"
  (cd "$3" && wine cmd /c "$(winepath -w "$work/verb.bat")" >/dev/null 2>&1 &)
  report
}
for planted in "$work/scan me" "$work"; do
  LC_ALL=C sed 's/AV\.TestFile/Planted.Bad/' "$program/VirusBase.vbf" >"$planted/VirusBase.vbf"
done
grep -q Planted.Bad "$work/VirusBase.vbf" || fail "no planted database"
text=$(from_context_menu 'Directory\shell' "$folder" "$work/scan me")
expect_report "$text" "$folder" "$folder\\bad.com"$'\t\t'AV.TestFile "$folder\\clean.txt"$'\t\t'OK \
  "$folder\\VirusBase.vbf"$'\t\t'OK
[ ! -e "$work/scan me/Report.txt" ] && [ ! -e "$work/Report.txt" ] || fail "report beside the clicked folder"
# A drive: its root as the file manager gives it, ending in a backslash.
ln -sfn "$work/scan me" "$WINEPREFIX/dosdevices/v:"
text=$(from_context_menu 'Drive\shell' 'V:\' "$work/scan me")
expect_report "$text" 'V:\' 'V:\bad.com'$'\t\t'AV.TestFile 'V:\clean.txt'$'\t\t'OK 'V:\VirusBase.vbf'$'\t\t'OK
# A single file, scanned whatever the mask says.
settings '*.exe'
text=$(from_context_menu '*\shell' "$folder\\bad.com" "$work/scan me")
expect_report "$text" "$folder\\bad.com" "$folder\\bad.com"$'\t\t'AV.TestFile

echo changed >"$data/VirusBase.vbf"
wine "$program/Uninstall.exe" /S
wineserver -w
[ ! -e "$program" ] || fail "program folder left: $(ls -R "$program")"
[ ! -e "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vireskand.lnk" ] || fail "shortcut left"
for k in 'HKCU\Software\Classes\Directory\shell\Vireskand' 'HKCU\Software\Classes\*\shell\Vireskand' \
  'HKCU\Software\Classes\Drive\shell\Vireskand' "$uninstall"; do
  ! key "$k" || fail "key left: $k"
done
[ "$(cat "$data/VirusBase.vbf")" = changed ] || fail "the user's data went with the program"
echo "1 passed, 0 failed"
