#!/usr/bin/env bash
# The command line: --help and --version print and end, and --version touches nothing (no
# display, an unwritable home, no file written, no connection); --help is in the user's language
# throughout; an unknown option is a usage error; without a display --export and --cheatsheet say
# what they wrote and nothing else; --show starts Quorvel showing the overlay, and hands the
# overlay to a running copy; an import handed to the running copy ends as the import did.
# Usage: cli_e2e.sh BUILD_DIR
set -u
source "$(dirname "$0")/lib.sh"
build=$(cd "$1" && pwd)
version=$(awk -F'"' '/QUORVEL_FILE_VERSION/{print $2}' "$build/src/services/generated/services/Version.h")

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Nothing to write to or connect to: home lies below a file, and there is no X display.
bare=(env -i PATH=/usr/bin:/bin HOME=/dev/null/home LANGUAGE=en LANG=C.UTF-8
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}")
# LeakSanitizer cannot work under strace (a sanitized build): leaks are looked for by the runs below.
"${bare[@]}" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    strace -f -qq -o "$out/trace" -e trace=openat,open,creat,mkdir,connect,unlink,rename \
    "$build/quorvel" --version >"$out/stdout" 2>"$out/stderr"
check "--version ends with 0" test $? -eq 0
check "--version prints the version" grep -qx "quorvel $version" "$out/stdout"
check "--version writes nothing" bash -c "! grep -E 'O_WRONLY|O_RDWR|O_CREAT|^[0-9]+ +(creat|mkdir|unlink|rename)' '$out/trace'"
check "--version connects to nothing" bash -c "! grep -q 'connect(' '$out/trace'"

no_russian() { ! LC_ALL=C.UTF-8 grep -qP '\p{Cyrillic}' "$1"; }
for help in --help -h; do
    "${bare[@]}" "$build/quorvel" "$help" >"$out/stdout" 2>"$out/stderr"
    check "$help ends with 0" test $? -eq 0
    check "$help lists the options" bash -c "grep -q '^Usage: quorvel' '$out/stdout' &&
        grep -q -- '--show' '$out/stdout' && grep -q -- '--version' '$out/stdout' &&
        test ! -s '$out/stderr'"
    check "$help is in English throughout" no_russian "$out/stdout"
done

# No display, but a home with a base.
home=$out/home
mkdir -p "$home/run"
chmod 700 "$home/run"
nodisplay=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data"
    XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" LANGUAGE=en LANG=C.UTF-8
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}")
"${nodisplay[@]}" "$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null
"${nodisplay[@]}" "$build/quorvel" --export "$out/base.json" >"$out/stdout" 2>"$out/stderr"
check "--export without a display ends with 0" test $? -eq 0
check "says what it wrote" grep -q "^Wrote $out/base.json\. Programs: [1-9]" "$out/stdout"
check "and warns of nothing" test ! -s "$out/stderr"
(cd "$out" && "${nodisplay[@]}" "$build/quorvel" --cheatsheet xev -o xev.pdf) \
    >"$out/stdout" 2>"$out/stderr"
check "--cheatsheet without a display ends with 0" test $? -eq 0
check "says what it wrote" grep -q "^Wrote $out/xev.pdf: the cheat sheet of xev, pages: [1-9]" \
    "$out/stdout"
check "and warns of nothing" test ! -s "$out/stderr"

for wrong in --bogus -z "--show extra" "--cheatsheet xev -o a.pdf --output b.pdf"; do
    # shellcheck disable=SC2086
    "${bare[@]}" "$build/quorvel" $wrong >"$out/stdout" 2>"$out/stderr"
    check "'$wrong' ends with 2" test $? -eq 2
    check "'$wrong' prints the usage to standard error only" bash -c \
        "test ! -s '$out/stdout' && grep -q '^Usage: quorvel' '$out/stderr'"
done

e2e_begin "$build"
"$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null
"$build/quorvel" --show >"$e2e_tmp/first.log" 2>&1 &
first=$!
e2e_pids+=($first)
check "--show without a running copy starts Quorvel showing the overlay" wait_for 15 overlay_visible
xdotool keydown Escape sleep 0.1 keyup Escape
check "Esc hides it" wait_for 5 overlay_hidden

"$build/quorvel" --show >"$e2e_tmp/second.log" 2>&1 &
second=$!
e2e_pids+=($second)
check "--show of a second copy shows the first copy's overlay" wait_for 10 overlay_visible
check "the second copy ends at once, without a message box" ends_within 10 "$second"
wait "$second"
check "with code 0" test $? -eq 0
check "the first copy still runs" kill -0 "$first"

# The running copy imports a file handed to it and answers how that went.
printf '{"format": 1, "name": "X", "executables": ["x"],\n "shortcuts": [{"keys": "Ctrl+Hyper+X"}]}' \
    >"$e2e_tmp/bad.json"
"$build/quorvel" --import "$e2e_tmp/bad.json" >"$e2e_tmp/import.out" 2>"$e2e_tmp/import.err"
check "a bad file handed to the running copy ends with an error" test $? -eq 1
check "the reason is on standard error" \
    grep -q "$e2e_tmp/bad.json.*line 2, field shortcuts\[0\].keys" "$e2e_tmp/import.err"
check "and nothing on standard output" test ! -s "$e2e_tmp/import.out"
"$build/quorvel" --export "$e2e_tmp/good.json" --program xev >/dev/null 2>&1
"$build/quorvel" --import "$e2e_tmp/good.json" >"$e2e_tmp/import.out" 2>"$e2e_tmp/import.err"
check "a good one ends with 0" test $? -eq 0
check "telling what it did on standard output" grep -q "^Imported $e2e_tmp/good.json" "$e2e_tmp/import.out"

e2e_summary
