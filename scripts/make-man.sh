#!/usr/bin/env bash
# Makes a manual page from a program's own --help and --version with help2man,
# so that the two always say the same. For clipwright-cli the help of every
# command becomes a COMMANDS section.
# Usage: make-man.sh PROGRAM INCLUDE.h2m OUT.1
set -euo pipefail
program=$1 include=$2 out=$3
# Sanitizer builds must not fail on a leak report at exit.
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$include" "$work/include.h2m"
# roff-safe verbatim text: backslashes escaped, no line starting with . or '
verbatim() { sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"; }
if [[ $(basename "$program") == clipwright-cli ]]; then
  # The synopsis is the list of commands of the program's --help.
  {
    echo "[synopsis]"
    "$program" --help | sed -n '/^commands:/,/^$/p' | sed -e '1d' -e '/^$/d' -e 's/^ *//' |
      while read -r line; do
        echo ".B clipwright-cli"
        echo "${line#clipwright-cli }" | verbatim
        echo ".br"
      done
  } >>"$work/include.h2m"
  {
    echo "[commands]"
    for command in $("$program" --help | sed -n '/^commands:/,/^$/p' | awk 'NF > 1 {print $1}'); do
      echo ".SS $command"
      echo ".nf"
      "$program" "$command" --help | verbatim
      echo ".fi"
    done
  } >>"$work/include.h2m"
fi
help2man --no-info --section=1 --include="$work/include.h2m" \
  --version-string="$("$program" --version | head -n 1 | awk '{print $NF}')" \
  --output="$work/page.1" "$program"
mv "$work/page.1" "$out"
