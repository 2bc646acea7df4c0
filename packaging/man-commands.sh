#!/usr/bin/env bash
# Writes a help2man include file that gives every tanvex command its own
# section with the command's --help text.
#   man-commands.sh TANVEX OUTPUT
set -euo pipefail
tanvex=$1
out=$2
{
  echo "[COMMANDS]"
  "$tanvex" --help | sed -n 's/^  \([a-z][a-z0-9-]*\) .*/\1/p' | while read -r cmd; do
    echo ".SS $cmd"
    echo ".nf"
    { "$tanvex" "$cmd" --help || true; } | sed -e 's/\\/\\e/g' -e 's/^\([.'"'"']\)/\\\&\1/'
    echo ".fi"
  done
} > "$out.tmp"
mv "$out.tmp" "$out"
