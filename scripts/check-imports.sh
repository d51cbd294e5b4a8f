#!/usr/bin/env bash
# Fails when a built Windows program imports a DLL that is not part of Windows
# itself (a mingw runtime DLL would make the program fail to start elsewhere).
set -eu
build=${1:?build folder}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|imm32|d2d1|dwrite|windowscodecs|comctl32|comdlg32|uxtheme|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|ntdll|ws2_32|bcrypt|version|uuid|dwmapi)\.dll$'
status=0
count=0
while IFS= read -r -d '' exe; do
  count=$((count + 1))
  while read -r dll; do
    lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    if ! printf '%s' "$lower" | grep -Eq "$allowed"; then
      echo "$exe imports $dll, which is not a Windows system DLL" >&2
      status=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$build" -name '*.exe' -not -path '*/wine/*' -print0)
echo "checked $count programs"
exit $status
