#!/usr/bin/env bash
# Makes docs/screenshot.png: the main window of the workstation talking to the
# training centre's demo (as ./run sets it up, with the centre's clock sped up
# so that a few telegrams are in), on a virtual X server.
# Usage: packaging/screenshot.sh [OUTPUT.png]
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
out=$(realpath -m "${1:-$TARVO_ROOT/docs/screenshot.png}")

if [ -z "${TARVO_SCREENSHOT_XVFB:-}" ]; then
  tarvo_ensure_packages
  tarvo_configure > /dev/null
  cmake --build "$TARVO_BUILD" -j "$(tarvo_jobs)" --target tarvo ckssim
  command -v import > /dev/null || { echo "ImageMagick's import is missing (package imagemagick)" >&2; exit 1; }
  TARVO_SCREENSHOT_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x960x24" "$0" "$out"
fi

demo=$(mktemp -d)
centre=
workstation=
trap 'kill $workstation $centre 2>/dev/null || true; rm -rf "$demo"' EXIT

"$TARVO_BUILD/tools/ckssim/ckssim" -p 0 -t "$demo/transcript.txt" --speed 60 \
  -s "$TARVO_ROOT/tools/ckssim/demo.script" --stay > "$demo/ckssim.out" 2>&1 &
centre=$!
port=
for _ in $(seq 100); do
  port=$(sed -n '1s/^LISTENING [0-9.]*:\([0-9]*\).*/\1/p' "$demo/ckssim.out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$demo/ckssim.out" >&2; exit 1; }

export TARVO_HOME=$demo/home XDG_RUNTIME_DIR=$demo
mkdir -p "$TARVO_HOME"
tarvo_set_ini "$TARVO_HOME/korvel.ini" SERVER TCP 1
tarvo_set_ini "$TARVO_HOME/korvel.ini" SERVER host 127.0.0.1
tarvo_set_ini "$TARVO_HOME/korvel.ini" SERVER port "$port"
"$TARVO_BUILD/src/tarvo" > "$demo/tarvo.out" 2>&1 &
workstation=$!

# Until the greeting and a few generated telegrams have gone out, and the
# workstation has had a moment to show them.
for _ in $(seq 600); do
  [ "$(grep -c ' TX [0-9]' "$demo/transcript.txt" 2> /dev/null || true)" -ge 6 ] && break
  kill -0 "$workstation" 2> /dev/null || { cat "$demo/tarvo.out" >&2; exit 1; }
  sleep 0.1
done
sleep 1
mkdir -p "$(dirname "$out")"
import -window root png:- | convert png:- -trim +repage -strip "$out"
echo "Wrote $out"
