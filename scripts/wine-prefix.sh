#!/usr/bin/env bash
# Makes the private Wine prefix the Windows tests run in (once; about 8 s), and prints nothing
# else. Usage: wine-prefix.sh PREFIX
#   - Wine's windows are not managed: no window manager runs on the test's X server, and a
#     managed window would wait for one on every hide, and message boxes would get no focus;
#   - the program's face "ＭＳ Ｐゴシック" is mapped to IPAPGothic, as Wine's own fallback for
#     it has no Latin digits;
#   - no Mono or Gecko installer is offered, and no desktop menu entries are made;
#   - a program that crashes ends at once with its backtrace on standard error, instead of
#     waiting for somebody to close Wine's crash dialog (a test would hang until its timeout).
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
stamp="$prefix/.vantorel-prefix-2"
[ -f "$stamp" ] && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
# regedit reads UTF-16 (with its byte-order mark) for text beyond ASCII.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' '"ＭＳ Ｐゴシック"="IPAPGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]' '"winemenubuilder.exe"=""' '' \
  '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' |
  iconv -f UTF-8 -t UTF-16 >"$reg"
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
wineserver -w
touch "$stamp"
