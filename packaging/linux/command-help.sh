#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a help2man include file that holds the --help of each command of kolmaris-cli (the
# commands its own --help lists), so that its man page shows every command's options:
#   packaging/linux/command-help.sh KOLMARIS-CLI OUTPUT.h2m
set -euo pipefail
program=$1
out=$2
commands=$("$program" --help | awk '/^[A-Za-z ]*[Cc]ommands:$/ { listed = 1; next }
                                     listed && /^$/ { exit }
                                     listed && /^  [a-z]/ { print $1 }')
{
  [[ -z $commands ]] || echo "[COMMANDS AND THEIR OPTIONS]"
  for command in $commands; do
    echo ".SS $command"
    echo ".nf"
    # Up to the exit status, which the page has once; as roff text.
    "$program" "$command" --help | sed -e '/^Exit status:/,$d' -e 's/\\/\\e/g' -e 's/-/\\-/g' \
                                       -e "s/^[.']/\\\\\&&/"
    echo ".fi"
  done
} >"$out"
