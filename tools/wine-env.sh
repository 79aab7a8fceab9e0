# Sourced by the scripts that run Windows programs under Wine: a 32-bit prefix of the build's
# own and the zh_CN locale, so Wine's ANSI code page is 936 as on our players' machines.
# QUELVIN_BUILD_DIR (or QUELVIN_WINEPREFIX and QUELVIN_LOCPATH) names where they live.

: "${QUELVIN_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/windows}"
export WINEARCH=win32
export WINEPREFIX="${QUELVIN_WINEPREFIX:-$QUELVIN_BUILD_DIR/wineprefix}"
export LOCPATH="${QUELVIN_LOCPATH:-$QUELVIN_BUILD_DIR/locale}"
# The shell itself cannot load a locale from LOCPATH and would warn; Wine can.
{ export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8; } 2>/dev/null
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: the program needs neither, and their install dialogs would wait forever.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Generates the locale and creates the prefix when they are missing. Several tests may ask
# at once, so the work is done under a lock.
quelvin_wine_prepare() {
  mkdir -p "$LOCPATH" "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -e "$LOCPATH/zh_CN.UTF-8/LC_CTYPE" ]; then
      # localedef exits 1 for mere warnings; the generated files are what counts.
      LC_ALL=C localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || true
      [ -e "$LOCPATH/zh_CN.UTF-8/LC_CTYPE" ] || { echo "could not generate the zh_CN.UTF-8 locale" >&2; exit 1; }
    fi
    if [ ! -e "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      [ -e "$WINEPREFIX/system.reg" ] || { echo "could not create the Wine prefix $WINEPREFIX" >&2; exit 1; }
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.wine-prepare.lock"
}
