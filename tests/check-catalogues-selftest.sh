#!/usr/bin/env bash
# The catalogue check must catch what it is there for: a copy of the tree with a new Russian text
# in the code, a translation removed or a translation marked fuzzy fails and names the text; the
# tree itself passes.
set -euo pipefail
source_root=$1
check="$source_root/scripts/check-catalogues"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$check" "$source_root" >/dev/null

fresh_copy() {
    rm -rf "$work/src" "$work/resources"
    cp -r "$source_root/src" "$source_root/resources" "$work/"
}

expect_caught() { # expect_caught WHAT TEXT: the check fails on the copy and names TEXT
    local output
    if output=$("$check" "$work" 2>&1); then
        echo "not caught: $1"
        exit 1
    fi
    if ! grep -qF "msgid \"$2\"" <<<"$output"; then
        echo "caught but not named: $1"
        echo "$output"
        exit 1
    fi
    echo "caught: $1"
}

fresh_copy
printf 'const char* planted = "Новый текст без перевода";\n' >>"$work/src/services/Translation.cpp"
expect_caught "a new text in the code" "Новый текст без перевода"

fresh_copy
sed -i 's/^msgstr "Beenden"$/msgstr ""/' "$work/resources/po/de.po"
expect_caught "an empty German translation" "Выход"

fresh_copy
sed -i 's/^msgid "Показать"$/#, fuzzy\nmsgid "Показать"/' "$work/resources/po/uk.po"
expect_caught "a fuzzy Ukrainian translation" "Показать"

echo "the catalogue check caught every planted gap"
