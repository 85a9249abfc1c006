#!/usr/bin/env bash
# Writes the README's tour of the interface, as it stands, into one C++ program, so that the
# test run compiles and runs the code a newcomer would copy:
#   tools/readme-tour.sh README.md tour.cpp
# The tour is the section "## A short tour of the interface", up to the next heading. Its code
# blocks (indented by four spaces or fenced) are taken in order: a block that starts with a
# preprocessor line goes at the top of the file, every other block into the body of one function,
# which main runs. #line directives point the compiler's messages at the README's own lines.
# Fails, writing nothing, when the section, its head or its body is missing.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 README.md OUT.cpp" >&2
    exit 2
fi
readme="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
out="$2"
tmp="$out.tmp"

awk -v readme="$readme" '
function flush(   first, target, text, i) {
    if (nlines == 0) return
    first = lines[1]
    sub(/^[ \t]+/, "", first)
    target = (first ~ /^#/) ? "head" : "body"
    text = sprintf("#line %d \"%s\"\n", start, readme)
    for (i = 1; i <= nlines; i++) text = text lines[i] "\n"
    if (target == "head") { head = head text; heads++ } else { body = body text; bodies++ }
    nlines = 0
}
function add(line) {
    if (nlines == 0) start = NR
    # Blank lines inside a block are kept only when more code follows them.
    for (; pending > 0; pending--) lines[++nlines] = ""
    lines[++nlines] = line
}
BEGIN { insection = 0; found = 0; fenced = 0; nlines = 0; pending = 0; blank = 1 }
{
    sub(/\r$/, "")
    if (!insection) {
        if ($0 == "## A short tour of the interface") { insection = 1; found = 1; blank = 1 }
        next
    }
    if (fenced) {
        if ($0 ~ /^ ? ? ?```/) { fenced = 0; pending = 0; flush(); blank = 1; next }
        if ($0 ~ /^[ \t]*$/) { if (nlines > 0) pending++; next }
        add($0)
        next
    }
    if ($0 ~ /^##? /) { flush(); insection = 0; exit }
    if ($0 ~ /^ ? ? ?```/) { flush(); pending = 0; fenced = 1; next }
    if ($0 ~ /^[ \t]*$/) {
        if (nlines > 0) pending++
        blank = 1
        next
    }
    if (($0 ~ /^    / || $0 ~ /^\t/) && (blank || nlines > 0)) {
        line = $0
        if (line ~ /^\t/) sub(/^\t/, "", line); else line = substr(line, 5)
        add(line)
        blank = 0
        next
    }
    # Prose ends a block.
    pending = 0
    flush()
    blank = 0
}
END {
    flush()
    if (!found) { print "readme-tour: no section \"## A short tour of the interface\" in " readme > "/dev/stderr"; exit 1 }
    if (fenced) { print "readme-tour: a code fence of the tour is never closed" > "/dev/stderr"; exit 1 }
    if (heads == 0) { print "readme-tour: the tour has no block of includes" > "/dev/stderr"; exit 1 }
    if (bodies == 0) { print "readme-tour: the tour has no code to run" > "/dev/stderr"; exit 1 }
    print "// Made by tools/readme-tour.sh from " readme "; edit the README, not this file."
    printf "%s", head
    print "#line 1 \"readme-tour-main\""
    print "#include \"Nodeloom/platform/TextEngine.h\""
    print "static int tour() {"
    printf "%s", body
    print "#line 1 \"readme-tour-main\""
    print "    return 0;"
    print "}"
    print "int main() {"
    print "    const int result = tour();"
    print "    nodeloom::platform::TextEngine::releaseFonts();"
    print "    return result;"
    print "}"
}
' "$readme" >"$tmp" || {
    rm -f "$tmp"
    exit 1
}
mv "$tmp" "$out"
