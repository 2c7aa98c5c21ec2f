#!/usr/bin/env bash
# Installs what the interface tests need: Wine's 64-bit loader and winelib compiler, a virtual X
# server, a Korean font for the dialogs' text, and Wine's own fonts (Marlett draws the caption's
# close box). Only the test command runs this; the command-line build and the demo need no Wine.
set -euo pipefail

bash "$(dirname "$0")/apt-install.sh" wine64 wine64-tools libwine-dev fonts-wine xvfb xauth fonts-nanum
