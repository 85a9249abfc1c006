#!/usr/bin/env bash
# Checks that the library's folders depend downwards only. From the bottom: foundation and
# platform (one layer), items, document, links, composite, layout, view. A header may include
# its own layer and the layers below. A source file may also include a header of a higher layer,
# but only through one of the named hooks, marked on the include line or the line above with
#     // Hook: <name>
# where the name is one of the hooks below and the hook leads from the file's folder to the
# included one. Prints every offending include and fails when there is one.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

mapfile -d '' files < <(find Nodeloom -mindepth 2 \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
[ ${#files[@]} -gt 0 ] || exit 0
for dir in Nodeloom/*/; do
    case "$(basename "$dir")" in
        foundation | platform | items | document | links | composite | layout | view) ;;
        *) echo "check-layers: folder $dir has no place among the layers"; exit 1 ;;
    esac
done
exec awk '
BEGIN {
    rank["foundation"] = 0; rank["platform"] = 0; rank["items"] = 1; rank["document"] = 2
    rank["links"] = 3; rank["composite"] = 4; rank["layout"] = 5; rank["view"] = 6

    # hook name -> the folder pairs "from>to" it may join
    hook["item reaches its document"] = " items>document "
    hook["nodes and links name each other"] = " items>links "
    hook["document holds its links"] = " document>links "
    hook["node container"] = " items>composite document>composite "
    hook["factory creates every item kind"] = " document>links document>composite "
    hook["links ask node containers"] = " links>composite "
    hook["default context menu"] = " document>view "
    hook["arrange runs a layout"] = " document>layout composite>layout "
    bad = 0
}
FNR == 1 {
    split(FILENAME, part, "/")
    from = part[2]
    header = FILENAME ~ /\.h$/
    previous = ""
}
{
    line = $0
    if (match(line, /^[ \t]*#[ \t]*include[ \t]*"Nodeloom\/[^"]*"/)) {
        target = substr(line, RSTART, RLENGTH)
        sub(/^[^"]*"Nodeloom\//, "", target)
        sub(/"$/, "", target)
        n = split(target, step, "/")
        to = n > 1 ? step[1] : "Nodeloom.h"
        if (!(to in rank)) {
            printf "%s:%d: includes %s, which lies above every layer\n", FILENAME, FNR, target
            bad = 1
        } else if (rank[to] > rank[from]) {
            if (header) {
                printf "%s:%d: header includes %s from a higher layer\n", FILENAME, FNR, target
                bad = 1
            } else {
                name = ""
                if (match(line, /\/\/[ \t]*Hook:[ \t]*.*$/)) name = substr(line, RSTART, RLENGTH)
                else if (match(previous, /^[ \t]*\/\/[ \t]*Hook:[ \t]*.*$/)) name = previous
                sub(/^[ \t]*\/\/[ \t]*Hook:[ \t]*/, "", name)
                sub(/[ \t.]*$/, "", name)
                if (name == "") {
                    printf "%s:%d: includes %s from a higher layer outside the named hooks\n",
                           FILENAME, FNR, target
                    bad = 1
                } else if (!(name in hook)) {
                    printf "%s:%d: \"%s\" is not a named hook\n", FILENAME, FNR, name
                    bad = 1
                } else if (index(hook[name], " " from ">" to " ") == 0) {
                    printf "%s:%d: hook \"%s\" does not lead from %s to %s\n",
                           FILENAME, FNR, name, from, to
                    bad = 1
                }
            }
        }
    }
    previous = line
}
END {
    if (bad) {
        print "check-layers: includes point up; move the type down or use a named hook"
        exit 1
    }
}' "${files[@]}"
