#!/bin/sh
# Runs a Windows program under Wine for ctest. The caller chooses WINEPREFIX
# and DISPLAY; without a prefix a private one under the build tree is used.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"
