#!/usr/bin/env bash
# Proves scripts/check-conflict-markers passes a clean checkout and refuses each kind of marker in
# a tracked file, while an untracked file is not its business.
set -euo pipefail
check="$1/scripts/check-conflict-markers"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
git -C "$tmp" init -q
printf 'Title\n=====\n\n-------\nbody\n' >"$tmp/README.md"
git -C "$tmp" add README.md
"$check" "$tmp" || { echo "FAIL: a clean checkout was refused"; exit 1; }
printf '<<<<<<< HEAD\n' >"$tmp/untracked.md"
"$check" "$tmp" || { echo "FAIL: an untracked file was read"; exit 1; }
for marker in '<<<<<<< HEAD' '=======' '>>>>>>> topic' '||||||| base'; do
    printf 'a\n%s\nb\n' "$marker" >"$tmp/doc.md"
    git -C "$tmp" add doc.md
    if "$check" "$tmp" 2>/dev/null; then
        echo "FAIL: '$marker' in a tracked file passed"
        exit 1
    fi
done
echo "conflict marker check: clean tree passed, 4 of 4 markers refused"
