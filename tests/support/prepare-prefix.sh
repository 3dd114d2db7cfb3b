#!/bin/sh
# Gives a fresh prefix what a Windows installation has and Kestrin relies on.
# Runs once, right after the prefix was made.
set -e
: "${WINEPREFIX:?}"
export WINEDEBUG=-all

# Windows opens .reg files for editing in Notepad; Wine's prefix knows no .reg
# type at all, so Show result would have nothing to start. The verb lives in
# the machine's classes, where the dialog tests can take it away for a moment
# to see the failure box.
wine reg add 'HKLM\Software\Classes\.reg' /ve /d regfile /f >/dev/null
wine reg add 'HKLM\Software\Classes\regfile' /ve /d 'Registration Entries' /f >/dev/null
wine reg add 'HKLM\Software\Classes\regfile\shell\edit\command' /ve \
    /d '"C:\windows\system32\notepad.exe" "%1"' /f >/dev/null

# Windows keeps its fonts in C:\Windows\Fonts, and the dialogs are laid out
# in MS Sans Serif with Marlett's caption buttons; the prefix's registry names
# Wine's own copies (package fonts-wine) there, but nothing puts the files in.
if [ -d /usr/share/wine/fonts ]; then
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi

# Under Xvfb no window manager runs: Wine then draws the captions itself, as
# Windows would, and does not wait for a window manager to take a hidden
# window away (two seconds at every exit otherwise).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
wineserver -w
