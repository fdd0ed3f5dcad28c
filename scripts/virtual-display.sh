# Sourced by the scripts that run Vireskand.exe without a screen of their
# own (scripts/screenshot.sh, bench/window-scan.sh).
#
# start_virtual_display WIDTHxHEIGHTxDEPTH
#   Starts Xvfb on a display it finds free itself (-displayfd), waits until
#   it accepts clients, and exports DISPLAY. XVFB_PID is its process; the
#   caller stops it. Xvfb's own messages go to stderr.
# wait_for SECONDS WHAT COMMAND...
#   Runs COMMAND until it succeeds; after SECONDS says what it waited for
#   and fails.

start_virtual_display() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$number_file" &
  XVFB_PID=$!
  # The number is written once the server is ready.
  if ! wait_for 20 "Xvfb to start" test -s "$number_file"; then
    rm -f "$number_file"
    return 1
  fi
  export DISPLAY=:$(head -n 1 "$number_file")
  rm -f "$number_file"
}

wait_for() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    if ((SECONDS >= end)); then
      echo "gave up after ${limit} s waiting for $what" >&2
      return 1
    fi
    sleep 0.02
  done
}
