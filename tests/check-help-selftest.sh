#!/usr/bin/env bash
# Proves scripts/check-help passes sound pages and refuses each kind of fault in one of them.
set -euo pipefail
check="$1/scripts/check-help"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# page LANG BODY: a page in LANG with the given body, beside a picture of its own.
page() {
    mkdir -p "$tmp/$1"
    printf '<!DOCTYPE html>\n<html lang="%s"><head><meta charset="utf-8"/><title>Help</title></head><body>%s</body></html>\n' \
        "$1" "$2" >"$tmp/$1/quorvel.html"
    printf 'picture' >"$tmp/$1/shot.png"
}
sound='<h2 id="a">A</h2><p><a href="#a">A</a> <a href="shot.png">B</a></p><img src="shot.png" alt="A shot"/>'
page en "$sound"
page ru "$sound"
"$check" "$tmp" || { echo "FAIL: sound pages were refused"; exit 1; }

faults=(
    'not well-formed|<h2 id="a">A<p></h2><img src="shot.png" alt="A shot"/>'
    'missing picture|<h2 id="a">A</h2><img src="gone.png" alt="A shot"/>'
    'picture elsewhere|<h2 id="a">A</h2><img src="https://example.org/shot.png" alt="A shot"/>'
    'picture without alt|<h2 id="a">A</h2><img src="shot.png"/>'
    'broken link|<h2 id="a">A</h2><a href="#b">B</a><img src="shot.png" alt="A shot"/>'
    'link to no file|<h2 id="a">A</h2><a href="gone.png">B</a><img src="shot.png" alt="A shot"/>'
    'section missing|<h2 id="x">X</h2><img src="shot.png" alt="A shot"/>'
)
for fault in "${faults[@]}"; do
    page ru "${fault#*|}"
    if "$check" "$tmp" 2>/dev/null; then
        echo "FAIL: a page with a ${fault%%|*} passed"
        exit 1
    fi
done
page ru "$sound"
rm "$tmp/ru/quorvel.html"
if "$check" "$tmp" 2>/dev/null; then
    echo "FAIL: a missing page passed"
    exit 1
fi
page ru "$sound"
sed -i 's/lang="ru"/lang="en"/' "$tmp/ru/quorvel.html"
if "$check" "$tmp" 2>/dev/null; then
    echo "FAIL: a page in the wrong language passed"
    exit 1
fi
echo "help check: sound pages passed, ${#faults[@]} faults, a missing page and a wrong language refused"
