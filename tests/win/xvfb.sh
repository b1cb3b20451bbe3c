# Sourced, not run. xvfb_start LOG starts an Xvfb on a display number that the X server
# picks and locks itself (-displayfd), so runs that start at the same moment never end up
# on one display, where the first to finish would take it from the other. Sets xvfb_pid
# and xvfb_display (":N"); returns 1 when no server came up.
xvfb_start() {
  local log=$1 number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >"$log" 2>&1 &
  xvfb_pid=$!
  # The number is written once the server takes connections.
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  xvfb_display=":$(tr -d '\n' <"$number")"
  rm -f "$number"
  [ "$xvfb_display" != ":" ]
}
