# Sourced: registers sample After Effects releases in a Wine prefix the way
# the host itself does (HKLM\SOFTWARE\Adobe\After Effects\<release>, value
# "PluginInstallPath" naming an existing plug-in folder), and lists them for
# wizard-walk.sh. Needs WINEPREFIX (and a running or startable wineserver).
#   register_release LIST_FILE DISPLAY_NAME KEY 'C:\folder'
#   clear_releases
register_release() {
  local list=$1 name=$2 key=$3 folder=$4
  local unix
  unix=$(WINEDEBUG=-all wine winepath -u "$folder" 2>/dev/null | tr -d '\r')
  mkdir -p "$unix"
  WINEDEBUG=-all wine reg add "HKLM\\SOFTWARE\\Adobe\\After Effects\\$key" /v PluginInstallPath \
    /t REG_SZ /d "$folder" /f >/dev/null 2>&1
  echo "$name|$folder" >>"$list"
}

clear_releases() {
  WINEDEBUG=-all wine reg delete "HKLM\\SOFTWARE\\Adobe\\After Effects" /f >/dev/null 2>&1 || true
}
