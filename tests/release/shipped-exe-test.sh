#!/usr/bin/env bash
# The executable of a Release build as it ships: no symbols, no debug information of its own and
# no time stamp; a debug link that names the debug file beside it and carries that file's CRC; and
# debug information there that leads the program's entry point back to its source line.
#
#   shipped-exe-test.sh EXE OBJCOPY OBJDUMP NM ADDR2LINE
set -euo pipefail
exe=$1 objcopy=$2 objdump=$3 nm=$4 addr2line=$5
debug="$exe.debug"
fail() { echo "FAIL: $*"; exit 1; }

[ -f "$debug" ] || fail "no debug file beside $exe"
if "$objdump" -h "$exe" | grep -q ' \.debug_'; then fail "$exe still carries debug sections"; fi
"$nm" "$exe" 2>&1 | grep -q 'no symbols' || fail "$exe still carries symbols"

# No time stamp in the PE header (8 bytes after the signature that e_lfanew points to), in
# neither file: the same sources give the same bytes.
for file in "$exe" "$debug"; do
  header=$(od -An -tu4 -j 60 -N 4 "$file" | tr -d ' ')
  stamp=$(od -An -tu4 -j $((header + 8)) -N 4 "$file" | tr -d ' ')
  [ "$stamp" = 0 ] || fail "$file carries the time stamp $stamp"
done

# The debug link: the file name, zero bytes up to a multiple of 4, the file's CRC-32 (as gzip
# computes it), little-endian.
link=$(mktemp)
trap 'rm -f "$link" "$link.out"' EXIT
"$objcopy" --dump-section ".gnu_debuglink=$link" "$exe" "$link.out" || fail "$exe has no debug link"
# The CRC goes first: its bytes may be zero too.
name=$(head -c -4 "$link" | tr -d '\0' | tr -dc '[:print:]')
[ "$name" = "$(basename "$debug")" ] || fail "debug link names '$name'"
link_crc=$(tail -c 4 "$link" | od -An -tx1 | tr -d ' \n')
file_crc=$(gzip -c "$debug" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')
[ "$link_crc" = "$file_crc" ] || fail "debug link CRC $link_crc, debug file CRC $file_crc"

# An address of the program's own code resolves to a source line.
entry=$("$nm" "$debug" | awk '$3 == "wWinMain" { print $1 }')
[ -n "$entry" ] || fail "no wWinMain in $debug"
line=$("$addr2line" -e "$debug" "0x$entry")
[[ "$line" =~ src/app/main\.cpp:[0-9]+$ ]] || fail "wWinMain resolves to '$line'"
echo "shipped exe: stripped, debug link to $(basename "$debug") (CRC $file_crc), wWinMain at $line"
