#!/bin/sh
# Gives a fresh prefix what a Windows installation has and Kestrin relies on.
# Runs once, right after the prefix was made.
set -e
: "${WINEPREFIX:?}"
