#!/usr/bin/env bash
# The function-length check must catch what it is there for: a tree with a planted function one
# line too long fails, one at the limit passes, and braces in comments, literals, directives and a
# constructor's initialiser list neither hide a long function nor make one up.
set -euo pipefail
check="$1/scripts/check-function-length"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/lib"

# body LINES: a function whose braces span LINES lines, with decoys inside.
body() {
    local lines=$1 i
    echo 'Widget::Widget(int a) : a_(a), b_{a, 2}, c_("{")'
    echo '{'
    echo '    const char* text = "}}}"; // }'
    echo '    char brace = '"'}'"'; /* } */'
    echo '    auto raw = R"x(}})x";'
    echo '#define CLOSE }'
    for ((i = 6; i < lines; i++)); do echo '    ++a_;'; done
    echo '}'
}
fits() {
    {
        echo 'namespace {'
        echo 'const std::map<int, int> table{{1, 2}};'
        echo '} // namespace'
        body "$1"
    } >"$work/src/lib/Widget.cpp"
}

fits 80
"$check" "$work" || { echo "FAIL: a function of 80 lines was refused"; exit 1; }
fits 81
if out=$("$check" "$work" 2>&1); then
    echo "FAIL: a function of 81 lines passed"
    exit 1
fi
grep -q 'src/lib/Widget.cpp:5: Widget::Widget is 81 lines long' <<<"$out" ||
    { echo "FAIL: the long function was not named where it begins: $out"; exit 1; }

# Inside a class body in a .cpp file, and as a lambda at namespace scope, too.
{
    echo 'class Local'
    echo '{'
    echo '    void Run()'
    body 82 | tail -n +2
    echo '};'
} >"$work/src/lib/Widget.cpp"
"$check" "$work" 2>/dev/null && { echo "FAIL: a long member function in a class body passed"; exit 1; }
{
    echo 'const auto run = [](int a) {'
    body 82 | tail -n +3
    echo ';'
} >"$work/src/lib/Widget.cpp"
"$check" "$work" 2>/dev/null && { echo "FAIL: a long lambda at namespace scope passed"; exit 1; }

echo "function length check: 80 lines passed, 81 lines refused, decoys neither hid nor made one"
