#!/bin/sh
# The source folders form layers; a file includes only its own layer and those
# below it:
#   0 common      Qt-free helpers
#   1 shell       the window kit (document-window base, seams, Qt text, printing)
#   2 subsystems  run, help, table, quivet, plot, text, diagram, ...
#   3 mainwindow  the main window and its command wiring
#   4 app         main and the command line
# Within the subsystem layer folders may use each other, but never in a circle,
# and no two classes (a header with its source) include each other in a circle.
# Usage: checklayers.sh SRC_DIR; prints every breach and exits 1 when there is one.

# Files that hold part of another file's class (counted as that class).
units="plot/plotsymbols=plot/plotrender"
# Includes that may run upward while their files move to the narrow interface
# (at most two).
upward=""
set -u
src=${1:?usage: checklayers.sh SRC_DIR}
cd "$src" || exit 2
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT

rank() {
    case $1 in
    common) echo 0 ;;
    shell) echo 1 ;;
    mainwindow) echo 3 ;;
    app) echo 4 ;;
    *) echo 2 ;;
    esac
}

# file folder included-folder included-file, one line per quoted include of a folder's header.
find . -name '*.cpp' -o -name '*.h' | sed 's#^\./##' | sort | while read -r f; do
    sed -n 's#^[[:space:]]*\#[[:space:]]*include[[:space:]]*"\([a-z0-9_]*\)/\([^"]*\)".*#\1 \1/\2#p' "$f" |
        while read -r dir header; do echo "$f ${f%%/*} $dir $header"; done
done > "$tmp/includes"

status=0
allowed=0
while read -r f from to header; do
    if [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
        case " $upward " in
        *" $f:$header "*) allowed=$((allowed + 1)); continue ;;
        esac
        echo "$f includes $header from a layer above its own"
        status=1
    fi
done < "$tmp/includes"

if [ "$allowed" -gt 2 ]; then
    echo "more than two includes run upward"
    status=1
fi
# The cycle checks leave the allowed upward includes out.
for u in $upward; do
    awk -v f="${u%%:*}" -v h="${u#*:}" '!($1 == f && $4 == h)' "$tmp/includes" > "$tmp/kept" && mv "$tmp/kept" "$tmp/includes"
done

# Folders: an edge per folder that uses another.
awk '$2 != $3 { print $2, $3 }' "$tmp/includes" | sort -u > "$tmp/folders"
if ! tsort "$tmp/folders" > /dev/null 2> "$tmp/loop"; then
    echo "folders include each other in a circle:"
    grep -v 'input contains a loop' "$tmp/loop" | sed 's/^tsort: /  /'
    status=1
fi

# Classes: a header and its source are one node.
awk -v units="$units" '
    BEGIN { n = split(units, u, " "); for (i = 1; i <= n; i++) { split(u[i], p, "="); unit[p[1]] = p[2] } }
    function node(f) { sub(/\.(cpp|h)$/, "", f); return (f in unit) ? unit[f] : f }
    { a = node($1); b = node($4); if (a != b) print a, b }' "$tmp/includes" | sort -u > "$tmp/classes"
if ! tsort "$tmp/classes" > /dev/null 2> "$tmp/loop"; then
    echo "files include each other in a circle:"
    grep -v 'input contains a loop' "$tmp/loop" | sed 's/^tsort: /  /'
    status=1
fi
exit $status
