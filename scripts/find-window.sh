# Sourced: find_window TITLE [SECONDS] prints the id of the first visible
# window titled TITLE once one is mapped, waiting SECONDS (60) at most. A
# failed search is simply tried again: xdotool's own --sync gives up with
# BadWindow when another window vanishes while it walks the tree (a closing
# program's, the launcher's).
find_window() {
  local end=$((SECONDS + ${2:-60})) id
  while [ $SECONDS -le $end ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  return 1
}
