#!/usr/bin/env bash
# The executable of a Release build as it ships: no symbols, no debug information of its own and
# no time stamp; a debug link that names the debug file beside it and carries that file's CRC;
# debug information there that leads the program's entry point back to its source line; and
# imports that load from the system folder only: system libraries the system itself always takes
# from there (or, for the common controls, from the side-by-side store through the manifest), none
# delayed, and a load configuration that restricts the search of its imports to the system folder.
# The PE is read, not loaded: Wine's loader ignores the load configuration's flags.
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

# Imports: libraries on the system's list of known libraries (always mapped from the system
# folder), and the common controls only through the manifest's version 6 dependency.
headers=$("$objdump" -p "$exe")
known=" advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll "
imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers")
[ -n "$imports" ] || fail "$exe names no imported libraries"
for dll in $imports; do
  if [ "$dll" = comctl32.dll ]; then
    grep -aq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$exe" \
      || fail "$exe imports comctl32.dll without the manifest's common controls 6 dependency"
  elif [[ "$known" != *" $dll "* ]]; then
    fail "$exe imports $dll, which the system may load from the program's folder"
  fi
done
# The data directories: "Entry <index> <RVA> <size> <name>".
directory() { awk -v i="$1" '$1 == "Entry" && $2 == i { print $3, $4 }' <<<"$headers"; }
read -r delay_rva delay_size <<<"$(directory d)"
[ $((16#$delay_rva)) -eq 0 ] && [ $((16#$delay_size)) -eq 0 ] || fail "$exe has delay imports"

# The load configuration: its directory set, the record's Size field the directory's size and
# reaching DependentLoadFlags (a WORD at offset 78), which is LOAD_LIBRARY_SEARCH_SYSTEM32.
read -r config_rva config_size <<<"$(directory a)"
config_rva=$((16#$config_rva)) config_size=$((16#$config_size))
[ "$config_rva" -ne 0 ] || fail "$exe has no load configuration directory"
image_base=$((16#$(awk '$1 == "ImageBase" { print $2 }' <<<"$headers")))
config_at=""
while read -r _ _ size vma _ offset _; do
  start=$((16#$vma - image_base))
  if [ "$config_rva" -ge "$start" ] && [ $((config_rva + config_size)) -le $((start + 16#$size)) ]; then
    config_at=$((16#$offset + config_rva - start))
  fi
done < <("$objdump" -h "$exe" | awk '$1 ~ /^[0-9]+$/')
[ -n "$config_at" ] || fail "the load configuration of $exe lies in no section"
record_size=$(od -An -tu4 -j "$config_at" -N 4 "$exe" | tr -d ' ')
[ "$record_size" -eq "$config_size" ] || fail "load configuration record of $record_size bytes, directory of $config_size"
[ "$record_size" -ge 80 ] || fail "the load configuration ($record_size bytes) ends before DependentLoadFlags"
flags=$(od -An -tu2 -j $((config_at + 78)) -N 2 "$exe" | tr -d ' ')
[ "$flags" -eq $((0x800)) ] || fail "DependentLoadFlags is $(printf '0x%x' "$flags"), not 0x800"

echo "shipped exe: stripped, debug link to $(basename "$debug") (CRC $file_crc), wWinMain at $line;" \
     "imports $(echo $imports | tr ' ' ','), DependentLoadFlags 0x800"
