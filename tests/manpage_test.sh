#!/usr/bin/env bash
# The manual page renders, and every option the player's --help prints is described in it.
set -euo pipefail
player=$1
page=$2
# Plain text: no bold or underline, whichever way the formatter marks them.
rendered=$(MANWIDTH=120 man -l "$page" 2>/dev/null | sed "s/\x1b\[[0-9;]*m//g" | col -bx)
grep -q "^SYNOPSIS" <<<"$rendered"
for section in OPTIONS KEYS FILES ENVIRONMENT "EXIT STATUS"; do
  grep -q "^$section" <<<"$rendered" || { echo "no $section section"; exit 1; }
done
options=$("$player" --help | grep -oE '(^|[ ,[|])--?[a-z][a-z-]*' | sed -E 's/^[ ,[|]//' | sort -u)
[[ -n "$options" ]]
for option in $options; do
  grep -qE -- "(^|[ ,|[])$option([] ,|]|$)" <<<"$rendered" || { echo "the page does not mention $option"; exit 1; }
done
echo "the page describes: $(echo $options)"
