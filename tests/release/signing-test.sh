#!/usr/bin/env bash
# Signing: the build's own signing step signs a copy of the built setup program with a throw-away
# self-signed code-signing certificate (its key encrypted, the password in a file);
# osslsigncode verify accepts the signed copy and refuses the unsigned one and a signed one with a
# changed byte; the signed copy installs the default payload silently under Wine, its payload
# resource intact.
#
#   signing-test.sh EXE SOURCE_DIR WORK_DIR PAYLOAD_STAGE DESCRIPTION
set -euo pipefail
exe=$1 source_dir=$2 work=$3 stage=$4 description=$5
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cd "$work"
printf 'throw-away\n' > password.txt
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -subj "/CN=Photavian Setup test signer" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout key.pem -passout file:password.txt -out cert.pem 2>/dev/null

# A build that signs hands over a signed program: the test signs it anew.
osslsigncode remove-signature -in "$exe" -out unsigned.exe > /dev/null 2>&1 || cp "$exe" unsigned.exe
cp unsigned.exe photavian-setup.exe
cmake -DEXE="$work/photavian-setup.exe" -DSIGNTOOL="$(command -v osslsigncode)" \
      -DCERT="$work/cert.pem" -DKEY="$work/key.pem" -DPASSWORD_FILE="$work/password.txt" \
      "-DDESCRIPTION=$description" -P "$source_dir/cmake/ship-executable.cmake"

osslsigncode verify -CAfile cert.pem -in photavian-setup.exe > verify.txt 2>&1 \
  || { cat verify.txt; fail "the signed exe does not verify"; }
grep -q "Text description: $description" verify.txt || fail "the signature does not describe the program as '$description'"
if osslsigncode verify -CAfile cert.pem -in unsigned.exe > /dev/null 2>&1; then
  fail "the unsigned exe verifies"
fi
cp photavian-setup.exe changed.exe
printf '\x5a' | dd of=changed.exe bs=1 seek=4096 conv=notrunc status=none
if osslsigncode verify -CAfile cert.pem -in changed.exe > /dev/null 2>&1; then
  fail "a signed exe with a changed byte verifies"
fi

# The signed program installs: its payload comes out of its resource byte for byte.
export PHOTAVIAN_PREFIX="signing-$(printf '%s' "$work" | md5sum | cut -c1-8)"
prefix="${PHOTAVIAN_WINE_ROOT:-$source_dir/.wine}/prefixes/$PHOTAVIAN_PREFIX"
status=0
"$source_dir/tools/wine-run.sh" "$work/photavian-setup.exe" /silent '/folder=C:\Signed' || status=$?
[ "$status" -eq 0 ] || fail "the signed exe exited with $status"
[ ! -f Photavian_Install.log ] || { cat Photavian_Install.log; fail "the signed exe logged a failure"; }
for file in ph_tav64.exe pt_uninstall.exe Plugins/Icons.dll Toolbars/Tessor_16.png; do
  cmp -s "$stage/$file" "$prefix/drive_c/Signed/$file" || fail "installed $file differs from the payload's"
done
echo "signed exe verified and installed"
