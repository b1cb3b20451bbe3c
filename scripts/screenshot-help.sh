#!/usr/bin/env bash
# Screenshots of the help file in Wine's help viewer (the contents topic and the Account
# page's topic), then of the running checker's About box and its Help > Contents, on a
# private Xvfb display, for a person to look at.
# usage: scripts/screenshot-help.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/help-contents.png, help-account.png, help-about.png and
# help-checker-contents.png.
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
help="$build/bin/mailwick.hlp"
checker="$build/bin/mailwick.exe"
post="$build/tests-bin/post_command.exe"
screenshot_need "$help" "$checker" "$post"
rm -f "$out"/help-*.png
screenshot_wine
"$WINESERVER" -p 30 </dev/null >/dev/null 2>&1

# The viewer takes the file as a Windows path; -i opens a topic by its context name.
file="Z:${help//\//\\}"
shot() {  # shot NAME [ARGS...]: opens the viewer with ARGS, screenshots it, closes it
  local name=$1
  shift
  "$WINE" winhlp32 "$@" "$file" >"$out/winhlp32.log" 2>&1 &
  # The viewer's caption begins with the help file's title.
  for _ in $(seq 60); do xdotool search --name "^Mailwick Help" >/dev/null 2>&1 && break; sleep 0.5; done
  sleep 2
  import -window root "$out/help-$name.png"
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  echo "$out/help-$name.png"
}
shot contents
shot account -i options_account

# The checker in a Wine desktop, in a folder of its own holding the help file, with an
# account so that it opens no options.
work="$out/work-help"
rm -rf "$work"
mkdir -p "$work"
cp "$help" "$work/"
key='HKCU\Software\Quenby Systems\Mailwick\Version 1.0'
"$WINE" reg add "$key" /v Server /t REG_SZ /d "fybnqmf/dpn" /f >/dev/null 2>&1
"$WINE" reg add "$key" /v Username /t REG_SZ /d "nbjmxjdl" /f >/dev/null 2>&1
"$WINE" reg add "$key" /v Password /t REG_SZ /d "tfdsfu" /f >/dev/null 2>&1
"$WINE" reg add "$key" /v CheckAutoStart /t REG_DWORD /d 0 /f >/dev/null 2>&1
cd "$work"
"$WINE" explorer /desktop=Mailwick,1024x768 "$checker" >"$out/checker-help.log" 2>&1 &
sleep 3
"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 221 >/dev/null 2>&1
sleep 3
import -window root "$out/help-about.png"
echo "$out/help-about.png"
"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 220 >/dev/null 2>&1
for _ in $(seq 60); do xdotool search --name "^Mailwick Help" >/dev/null 2>&1 && break; sleep 0.5; done
sleep 2
import -window root "$out/help-checker-contents.png"
echo "$out/help-checker-contents.png"
