#!/bin/sh
# Fails unless each Windows binary imports only DLLs that Windows itself ships,
# so that the application folder runs on a bare Windows.
#   check-imports.sh OBJDUMP BINARY...
set -eu
objdump=$1
shift
status=0
for binary in "$@"; do
  imports=$("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  foreign=$(echo "$imports" | grep -vxE 'kernel32\.dll|user32\.dll|gdi32\.dll|opengl32\.dll|glu32\.dll|winmm\.dll|imm32\.dll|ole32\.dll|oleaut32\.dll|shell32\.dll|version\.dll|setupapi\.dll|advapi32\.dll|msvcrt\.dll|ws2_32\.dll|rpcrt4\.dll|api-ms-win-[a-z0-9-]+\.dll' || true)
  if [ -n "$foreign" ]; then
    echo "$binary imports DLLs that Windows does not ship: $foreign" >&2
    status=1
  else
    echo "$binary imports only: $(echo $imports)"
  fi
done
exit $status
