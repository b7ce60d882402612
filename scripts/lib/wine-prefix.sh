# shellcheck shell=sh
# The Wine prefix of the Windows runs (tests, screenshots, the zip's program):
# $TOCKMERE_WINEPREFIX, or else Tockmere's own under ~/.cache. Source it; it
# sets tockmere_wineprefix, an absolute path (a relative one is taken from the
# current directory). scripts/wine-run.sh --prepare sets the prefix up.
tockmere_wineprefix=${TOCKMERE_WINEPREFIX:-$HOME/.cache/tockmere/wine64}
case $tockmere_wineprefix in
/*) ;;
*) tockmere_wineprefix=$(pwd)/$tockmere_wineprefix ;;
esac
