#!/usr/bin/env bash
# Takes the README's screenshots from the real program under Wine: the badge in its three
# states and the settings window of a first run. Needs a built build/windows (tools/test.sh
# or tools/run.sh) and xdotool, which it installs when missing. Writes docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v xdotool >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q xdotool >/dev/null

build="$PWD/build/windows"
work=$(mktemp -d)
trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT

# A private prefix, so nothing here meets a test's hotkeys.
export QUELVIN_WINEPREFIX="$work/wineprefix" QUELVIN_LOCPATH="$build/locale"
source tools/wine-env.sh
display=:77
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
sleep 1
quelvin_wine_prepare

# A game-like backdrop, so the badge's transparency shows.
convert -size 1024x768 gradient:'#2b4a2f'-'#0e1a24' "$work/backdrop.png"
display -window root "$work/backdrop.png" &
sleep 1

cp "$build/Quelvin.exe" "$work/Quelvin.exe"
shot() { import -window root "$work/screen.png"; convert "$work/screen.png" -crop "$1" +repage "$2"; }

wine "$work/Quelvin.exe" >/dev/null 2>&1 &
sleep 4
shot 123x40+814+43 docs/badge-game-not-running.png
shot 275x389+374+189 docs/settings-window.png

wine "$build/tests/support/Meteor.exe" --max-seconds 60 >/dev/null 2>&1 &
sleep 3
shot 123x40+814+43 docs/badge-hotkeys-on.png
xdotool key End
sleep 1
shot 123x40+814+43 docs/badge-hotkeys-off.png
echo "screenshots written to docs/"
