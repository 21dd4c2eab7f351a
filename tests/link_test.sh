#!/usr/bin/env bash
# Each test program links only its own layer and the layers below it, as the layer itself does.
#   link_test.sh LIST
# LIST has a line per test program, its fields separated by tabs: the program's name, its executable,
# the file holding its link command line, whether it may load media libraries ("media" or "no-media"),
# and the layers it may link, separated by spaces, its own first.
# The static libraries of the layers do not show in ldd, so the link command line is read for them;
# a program below the platform layer is also held to loading no SDL, FreeType or fontconfig, which ldd
# does show.
set -euo pipefail
failed=0
while IFS=$'\t' read -r program executable linkLine media allowed; do
  if [[ ! -f "$linkLine" ]]; then
    # Only the Makefile generators write the link line to a file of its own.
    echo "$program: no link line at $linkLine"
    failed=1
    continue
  fi
  linked=$(grep -oE 'libtavrik_[A-Za-z0-9_]+[.]a' "$linkLine" | sed -E 's/^lib//; s/[.]a$//' |
           grep -v '^tavrik_test_support_' | sort -u || true)
  own=${allowed%% *}
  if ! grep -qx "$own" <<<"$linked"; then
    echo "$program: its own layer $own is not on its link line"
    failed=1
  fi
  for layer in $linked; do
    if [[ " $allowed " != *" $layer "* ]]; then
      echo "$program links $layer, which $own does not: a layer above its own"
      failed=1
    fi
  done
  if [[ "$media" == no-media ]]; then
    libraries=$(ldd "$executable")
    if [[ "$libraries" != *libc.so* ]]; then
      echo "$program: ldd lists no C library:"
      echo "$libraries"
      failed=1
    elif grep -Ei 'sdl|freetype|fontconfig' <<<"$libraries"; then
      echo "$program loads the media libraries above"
      failed=1
    fi
  fi
  echo "$program links" $linked
done <"$1"
exit "$failed"
