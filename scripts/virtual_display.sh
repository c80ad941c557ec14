# A virtual X server of the calling script's own (sourced, by scripts/windows.sh):
#   display_start LOG   starts Xvfb, exports DISPLAY and XAUTHORITY for it and MALVOR_XVFB_LOG
#                       (its log, LOG), and sets display_pid
#   display_stop        ends it and waits until it has ended
# The server is started with
# - -noreset: by default Xvfb resets itself each time its last client disconnects, and a
#   program that connects during that reset is dropped ("could not connect to display"). The
#   window checks poll with xdotool while a program starts, and every poll that ends while no
#   other client is connected is such a last client: the reset raced the window's connection.
# - -displayfd: the server takes the first display whose sockets it can listen on, and writes
#   its number once it accepts connections (no guess from the lock files in /tmp). It writes no
#   lock file then; one is written for it, so that servers started by others (xvfb-run -a) pass
#   its display by.
# - its own cookie, in a folder of its own that display_stop removes.
# display_stop waits for the server by its id, so the next run never meets this one ending.

display_pid=
display_folder=
display_lock=

display_start() {
  local log=$1 cookie number=""
  display_folder=$(mktemp -d -t malvor-display.XXXXXX)
  mkfifo "$display_folder/displayfd"
  cookie=$(mcookie)
  # The server takes every cookie in its -auth file whatever display an entry names; clients
  # look theirs up by the display number, known only once the server has picked it.
  touch "$display_folder/server" "$display_folder/Xauthority"
  xauth -q -f "$display_folder/server" add :0 . "$cookie"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 -auth "$display_folder/server" \
    3>"$display_folder/displayfd" >"$log" 2>&1 &
  display_pid=$!
  read -r -t 60 number <"$display_folder/displayfd" || true
  if ! [[ $number =~ ^[0-9]+$ ]]; then
    echo "Xvfb did not start (its log, $log:)" >&2
    tail -n 20 "$log" >&2
    display_stop
    return 1
  fi
  # As X servers write theirs: the id in ten columns. Made whole, then linked into place.
  printf '%10d\n' "$display_pid" >"$display_folder/lock"
  ln "$display_folder/lock" "/tmp/.X$number-lock" 2>/dev/null && display_lock="/tmp/.X$number-lock"
  export DISPLAY=":$number" XAUTHORITY="$display_folder/Xauthority" MALVOR_XVFB_LOG=$log
  xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
  echo "Xvfb on display $DISPLAY (process $display_pid, log $log)" >&2
}

display_stop() {
  if [ -n "$display_pid" ]; then
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
    display_pid=
  fi
  [ -z "$display_lock" ] || rm -f "$display_lock"
  [ -z "$display_folder" ] || rm -rf "$display_folder"
  display_folder=
  display_lock=
}
