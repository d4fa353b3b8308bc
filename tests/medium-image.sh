#!/bin/sh
# make-medium --image: the diskette image of a medium, read back with mtools.
# usage: medium-image.sh MAKE-MEDIUM
# Exits 77 (skipped) when mtools is not installed.
set -eu
mm=$1
command -v mformat >/dev/null 2>&1 || { echo "mtools is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }

# pe FILE SIZE [MACHINE]: a Windows program header (i386 unless MACHINE is
# given as two octal-escaped bytes) and random bytes, SIZE bytes in all.
pe() {
  { printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000PE\000\000'
    printf "${3:-\\114\\001}"; head -c $(($2 - 70)) /dev/urandom; } >"$1"
}
names="curarrow.ppk curstart.ppk curwait.ppk empty.ppk h256.ppk k256.ppk screen.ppk setup.exe wall.ppk"

# The image holds the folder's nine files byte for byte, in its root, under
# the product's volume label, and --list reads the same from both.
pe setup.exe 100000
"$mm" --setup setup.exe folder >/dev/null
"$mm" --setup setup.exe --image medium.img >out.txt || fail "image not made: $(cat out.txt)"
grep -q '^medium.img: 9 files, .* bytes, label WIESENHAIN, [0-9]* bytes free$' out.txt ||
  fail "unexpected summary: $(cat out.txt)"
[ "$(wc -c <medium.img)" -eq 1474560 ] || fail "the image is not 1474560 bytes"
mdir -i medium.img :: >dir.txt
grep -q '^ Volume in drive : is WIESENHAIN *$' dir.txt || fail "no volume label: $(cat dir.txt)"
listed=$(mdir -b -i medium.img :: | sed 's|^::/||' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$listed" = "$names " ] || fail "the image holds: $listed"
for f in $names; do
  mtype -i medium.img "::$f" >"copy-$f"
  cmp -s "folder/$f" "copy-$f" || fail "$f differs from the folder's"
done
"$mm" --list folder >list-folder.txt
"$mm" --list medium.img >list-image.txt
head -n 9 list-image.txt | cmp -s - list-folder.txt || fail "the lists differ: $(cat list-image.txt)"
"$mm" --check medium.img >/dev/null || fail "--check fails on a whole image"

# A package cut short inside the image, and one deleted from it: --check
# names each and fails; the other packages still unpack.
mtype -i medium.img ::k256.ppk | head -c 100 >k256.ppk
mcopy -o -i medium.img k256.ppk ::k256.ppk
mdel -i medium.img ::curwait.ppk
if "$mm" --check medium.img >check.txt; then fail "--check passes a damaged image"; fi
grep -q '^k256.ppk  *100  k-256.ani: damaged$' check.txt || fail "no damaged k256.ppk: $(cat check.txt)"
grep -q '^curwait.ppk  *missing' check.txt || fail "no missing curwait.ppk: $(cat check.txt)"
grep -q '^2 faults$' check.txt || fail "not two faults: $(cat check.txt)"

# Size: the demo packages take 10240 bytes in 512-byte clusters and an empty
# diskette has 1457664 free, so a setup.exe of 1447424 bytes fills it
# exactly, and one of 1450000 (2833 clusters) is 3072 bytes over. The
# refused image leaves the one already at its path as it was, and nothing
# beside it.
pe setup.exe 1447424
"$mm" --setup setup.exe --image full.img >out.txt || fail "an exactly full medium is refused: $(cat out.txt)"
grep -q ', 0 bytes free$' out.txt || fail "the full image has space left: $(cat out.txt)"
"$mm" --check full.img >/dev/null || fail "--check fails on the full image"
cp full.img full-before.img
pe setup.exe 1450000
if "$mm" --setup setup.exe --image full.img 2>err.txt; then fail "a medium too large is accepted"; fi
grep -q 'they take 1460736 bytes in 512-byte clusters, 3072 bytes more than the 1457664' err.txt ||
  fail "the refusal does not give the size: $(cat err.txt)"
grep -q 'the largest, setup.exe, is 1450000 bytes' err.txt || fail "no largest file: $(cat err.txt)"
cmp -s full.img full-before.img || fail "the refused medium changed the image at its path"
[ -z "$(ls | grep 'full\.img\.')" ] || fail "temporary files left: $(ls)"

# The diskette takes only a 32-bit Windows program: the native host (ELF),
# a DOS program and a 64-bit one are refused, each said as such.
refused() { # refused FILE TEXT
  if "$mm" --setup "$1" --image no.img 2>err.txt; then fail "$1 accepted for the diskette"; fi
  grep -q "$2" err.txt || fail "$1: $(cat err.txt)"
  [ ! -e no.img ] || fail "$1 left an image"
}
refused "$mm" 'is not a Windows program for the diskette: it is a Linux (ELF) program'
{ printf 'MZ'; head -c 2000 /dev/zero; } >dos.exe
refused dos.exe 'no PE header: a DOS program'
pe x64.exe 5000 '\144\206'
refused x64.exe 'a 64-bit (x86-64) Windows program'
printf 'hello' >text.txt
refused text.txt 'no MZ header'

# Without mtools the tool says what is missing; a file that is no image is
# refused by --list.
pe setup.exe 5000
if PATH=/nonexistent "$mm" --setup setup.exe --image none.img 2>err.txt; then
  fail "an image made without mtools"
fi
grep -q 'mformat not found: the diskette image needs mtools' err.txt || fail "$(cat err.txt)"
if "$mm" --list text.txt 2>err.txt; then fail "--list accepts a text file"; fi
grep -q 'text.txt is no diskette image that mtools can read' err.txt || fail "$(cat err.txt)"
echo "diskette image: ok"
