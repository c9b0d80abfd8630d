#!/bin/sh
# Runs a Windows test program under Wine for CTest. Wine itself now and then
# fails to start a process ("failed to map the shared user data": an address
# its loader needs was taken); the program never ran then, so it is started
# again, at most three times. Whatever the program said goes on to CTest.
said=$(mktemp "${TMPDIR:-/tmp}/pex-wine.XXXXXX")
trap 'rm -f "$said"' EXIT
attempt=1
while :; do
  wine "$@" 2>"$said"
  code=$?
  if [ "$code" -eq 0 ] || [ "$attempt" -ge 3 ] ||
     ! grep -q "failed to map the shared user data" "$said"; then
    cat "$said" >&2
    exit "$code"
  fi
  attempt=$((attempt + 1))
done
