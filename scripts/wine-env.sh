# Sourced with the prefix folder as argument: where Wine's 64-bit loader and server are (Debian
# installs them outside PATH) and the environment every Wine run of the tests uses.
wine_dir=/usr/lib/wine
export WINE=$wine_dir/wine64
export WINESERVER=$wine_dir/wineserver
export WINELOADER=$WINE
export WINEPREFIX=$1
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
