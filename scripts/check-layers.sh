#!/usr/bin/env bash
# Checks that the layers point down only: every include names its folder,
# and a folder includes from itself and the folders below it. The framework
# and the controls also link nothing of the program; only the platform files
# of engine/os/ include the system's headers. Prints each crossing; fails
# when there is one.
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

# The system's own headers are for the OS seam's posix/ and win32/ files
# alone: its headers and the rest of the engine are the same everywhere.
platform='windows|win[a-z0-9]*|aclapi|accctrl|sddl|shlobj|shellapi|shlwapi|objbase|io|direct'
platform+='|process|unistd|fcntl|dirent|pthread|pwd|grp|sched|dlfcn|poll|termios|spawn'
platform+='|sys/[a-z_/]+|netinet/[a-z_]+|arpa/[a-z]+|linux/[a-z_/]+|mach/[a-z_/]+'
while IFS=: read -r file line text; do
  echo "$file:$line: a platform header outside engine/os/posix or win32: $text"
  status=1
done < <(grep -rnE "^\s*#\s*include\s*<($platform)\.h>" engine --include='*.h' --include='*.cpp' |
         grep -vE '^engine/os/(posix|win32)/' || true)

for folder in framework controls; do
  if grep -vE '^\s*#' "$folder/CMakeLists.txt" | grep -qwE 'engine|resource_ids|resources'; then
    echo "$folder/CMakeLists.txt links the program's engine or resources"
    status=1
  fi
done
exit $status
