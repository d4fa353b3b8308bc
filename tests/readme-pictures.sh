#!/bin/sh
# The README's pictures are committed: every picture it shows
# (docs/pictures/...) exists and is a PNG file, and the terminal capture it
# shows is docs/pictures/main-dialog-terminal.txt. Makes nothing: after a
# dialog changes, tools/make-pictures makes both again.
# Usage: readme-pictures.sh SOURCE_DIR
cd "$1" || exit 1
status=0
fail() {
    echo "$*"
    status=1
}

pictures=$(grep -o '](docs/pictures/[^)]*)' README.md | sed 's/^](//; s/)$//')
[ -n "$pictures" ] || fail "README.md shows no pictures"
for picture in $pictures; do
    if [ ! -f "$picture" ]; then
        fail "README.md shows $picture, which does not exist"
    elif [ "$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
        fail "$picture is not a PNG file"
    fi
done

# The capture is the indented block after the marker: up to the first line
# that is neither empty nor indented by four, without the empty lines around
# it and without the indentation (tools/make-pictures writes it so).
marker='<!-- terminal capture: tools/make-pictures -->'
capture=docs/pictures/main-dialog-terminal.txt
markers=$(grep -cxF "$marker" README.md)
if [ "$markers" -ne 1 ]; then
    fail "README.md has $markers terminal capture markers, not one"
elif [ ! -f "$capture" ]; then
    fail "$capture does not exist"
else
    shown=$(awk -v marker="$marker" '
        $0 == marker { inside = 1; next }
        !inside { next }
        $0 == "" { if (started) blanks++; next }
        substr($0, 1, 4) != "    " { exit }
        { while (blanks > 0) { print ""; blanks-- } print substr($0, 5); started = 1 }' README.md)
    if [ -z "$shown" ]; then
        fail "README.md shows no terminal capture after its marker"
    elif [ "$shown" != "$(cat "$capture")" ]; then
        fail "README.md's terminal capture differs from $capture:"
        printf '%s\n' "$shown" | diff "$capture" - | head -n 20
    fi
fi

[ $status -eq 0 ] && echo "README pictures: $(echo "$pictures" | wc -w) pictures and the terminal capture match"
exit $status
