#!/usr/bin/env bash
# Checks that the layers point down only: every include names its folder,
# and a folder includes from itself and the folders below it. The framework
# and the controls also link nothing of the program. Prints each crossing;
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [engine]="engine"
  [framework]="framework"
  [controls]="controls framework"
  [dialogs]="dialogs controls framework engine res"
  [app]="app dialogs controls framework engine res"
  [cli]="cli engine"
  [tools]="tools engine"
)

status=0
for folder in "${!allowed[@]}"; do
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^"/]+)\/.*/\1/' <<<"$text")
    if [[ "$text" != *'#include "'*/* ]]; then
      echo "$file:$line: an include that names no folder: $text"
      status=1
    elif [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file:$line: $folder/ includes from $target/"
      status=1
    fi
  done < <(grep -rnE '^\s*#\s*include\s+"' "$folder" --include='*.h' --include='*.cpp' || true)
done

for folder in framework controls; do
  if grep -vE '^\s*#' "$folder/CMakeLists.txt" | grep -qwE 'engine|resource_ids|resources'; then
    echo "$folder/CMakeLists.txt links the program's engine or resources"
    status=1
  fi
done
exit $status
