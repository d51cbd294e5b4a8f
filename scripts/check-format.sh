#!/usr/bin/env bash
# Fails, naming the files, when a product or test source differs from what
# .clang-format makes of it. clang-format comes from Debian's packages
# (scripts/install-deps.sh); its layout changes between major versions, so
# the check runs with the version the tree is formatted with.
#   check-format.sh            check
#   check-format.sh --fix      reformat the files in place instead
set -eu
cd "$(dirname "$0")/.."
format=clang-format-14
command -v "$format" >/dev/null || format=clang-format
fix=${1:-}
differing=()
while IFS= read -r -d '' file; do
  if [ "$fix" = --fix ]; then
    "$format" -i "$file"
  elif ! "$format" "$file" | cmp -s - "$file"; then
    differing+=("$file")
  fi
done < <(find installer ui render filesystem resources tests bench -type f \
           \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z)
if [ ${#differing[@]} -gt 0 ]; then
  echo "not formatted as .clang-format says (scripts/check-format.sh --fix reformats them):" >&2
  printf '  %s\n' "${differing[@]}" >&2
  exit 1
fi
