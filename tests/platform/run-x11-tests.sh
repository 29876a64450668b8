#!/bin/bash
# Runs the platform's X11 tests inside a virtual X session with a home and runtime folder of their
# own (so other sessions may run beside them) and stops everything it started.
set -u
source "$(dirname "$0")/../e2e/xsession.sh"
home=$(mktemp -d)
export HOME=$home/home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/config \
    XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
trap 'xsession_stop; rm -rf "$home"' EXIT
xsession_start || exit 1
"$@"
