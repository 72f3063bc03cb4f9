#!/usr/bin/env bash
# Puts the licence's SPDX line at the top of every tracked source file that lacks one:
# "// SPDX-License-Identifier: GPL-3.0-or-later" in C++ files, "# SPDX-..." in CMake, shell and
# Python files and the bash completion (after a "#!" line). A file that has an SPDX line in its
# first five lines is left alone, so running it again changes nothing.
#   scripts/add-spdx.sh          every tracked file
#   scripts/add-spdx.sh FILE...  these files only
set -euo pipefail
cd "$(git -C "$(dirname "$0")" rev-parse --show-toplevel)"
identifier="SPDX-License-Identifier: GPL-3.0-or-later"

# The comment leader of the file's language; nothing for a file that takes no SPDX line.
comment_leader() {
  case $1 in
    *.cpp | *.h) echo "//" ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.py | *.bash-completion) echo "#" ;;
    *)
      # A script without an extension: by its "#!" line.
      [[ ${1##*/} != *.* ]] && head -n 1 -- "$1" | grep -Eq '^#!.*(/|env )(ba|da)?sh\b|^#!.*python' && echo "#"
      ;;
  esac
  return 0
}

add_line() {
  local file=$1 leader=$2 first
  head -n 5 -- "$file" | grep -q "SPDX-License-Identifier:" && return 0
  local tmp
  tmp=$(mktemp)
  if [[ $(head -c 2 -- "$file") == "#!" ]]; then
    IFS= read -r first <"$file" || true
    { printf '%s\n%s %s\n' "$first" "$leader" "$identifier"; tail -n +2 -- "$file"; } >"$tmp"
  else
    { printf '%s %s\n' "$leader" "$identifier"; cat -- "$file"; } >"$tmp"
  fi
  cat "$tmp" >"$file"  # keeps the file's mode
  rm -f "$tmp"
  echo "$file"
}

if (($#)); then
  files=("$@")
else
  mapfile -d '' files < <(git ls-files -z)
fi
for file in "${files[@]}"; do
  [[ -f $file && ! -L $file ]] || continue
  leader=$(comment_leader "$file")
  [[ -n $leader ]] && add_line "$file" "$leader"
done
exit 0
