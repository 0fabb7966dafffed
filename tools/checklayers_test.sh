#!/bin/sh
# Cases of checklayers.sh on small made-up trees: each row is a tree (file:
# included header, ...), whether the check passes, and a word its report holds.
here=$(dirname "$0")
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
failed=0
check() {  # expected-status expected-word file:header...
    want=$1 word=$2
    shift 2
    rm -rf "$tmp/src" && mkdir -p "$tmp/src"
    for edge in "$@"; do
        f=${edge%%:*} h=${edge#*:}
        mkdir -p "$tmp/src/$(dirname "$f")" "$tmp/src/$(dirname "$h")"
        touch "$tmp/src/$h"
        echo "#include \"$h\"" >> "$tmp/src/$f"
    done
    out=$(sh "$here/checklayers.sh" "$tmp/src" 2>&1)
    got=$?
    if [ "$got" -ne "$want" ] || ! printf '%s\n' "$out" | grep -q -- "$word"; then
        echo "FAIL: $* -> status $got, expected $want with \"$word\":"
        printf '%s\n' "$out"
        failed=1
    fi
}
check 0 '' app/main.cpp:mainwindow/w.h mainwindow/w.cpp:table/t.h table/t.cpp:shell/k.h shell/k.cpp:common/c.h
check 0 '' table/t.cpp:run/r.h plot/p.cpp:table/t.h
check 1 'table/t.cpp includes mainwindow/w.h from a layer above' table/t.cpp:mainwindow/w.h
check 1 'shell/k.cpp includes table/t.h from a layer above' shell/k.cpp:table/t.h
check 1 'common/c.cpp includes shell/k.h from a layer above' common/c.cpp:shell/k.h
check 1 'folders include each other in a circle' table/t.cpp:run/r.h run/r.cpp:table/u.h
check 1 'files include each other in a circle' run/a.cpp:run/b.h run/b.cpp:run/a.h
check 0 '' run/a.cpp:run/a.h run/a.h:run/b.h
exit $failed
