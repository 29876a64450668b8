#!/bin/bash
# Runs the platform's X11 tests inside a virtual X session and stops everything it started.
set -u
source "$(dirname "$0")/../e2e/xsession.sh"
xsession_start || exit 1
trap xsession_stop EXIT
"$@"
