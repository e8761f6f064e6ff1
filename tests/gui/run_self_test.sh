#!/bin/sh
# Runs the desktop program's self-test under a virtual display, with a fresh home folder and a
# decimal-comma locale, so that neither the user's settings nor their locale can affect it.
# usage: run_self_test.sh PEDIVAR_GUI TRIAL_FILE ARTEFACT_DIR
set -eu
program=$1
trial=$2
artefacts=$3

rm -rf "$artefacts"
mkdir -p "$artefacts"
home=$(mktemp -d "${TMPDIR:-/tmp}/pedivar-gui-home.XXXXXX")
trap 'rm -rf "$home"' EXIT

# A German locale, compiled into the artefact folder when the system has none installed.
lang=de_DE.UTF-8
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  mkdir -p "$artefacts/locales"
  if localedef -i de_DE -f UTF-8 "$artefacts/locales/$lang" >/dev/null 2>&1 || [ -d "$artefacts/locales/$lang" ]; then
    LOCPATH="$artefacts/locales"
    export LOCPATH
  else
    echo "note: no de_DE locale available; running in the C locale"
    lang=C
  fi
fi

export HOME="$home"
export XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
# The toolkit's own libraries keep allocations for the life of the process.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

exec env LANG="$lang" LC_ALL="$lang" xvfb-run -a -s "-screen 0 1280x1024x24" "$program" --self-test "$trial" --artefacts "$artefacts"
