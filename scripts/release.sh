#!/usr/bin/env bash
# Makes a release of QuendalInstaller.exe: a reproducible build from a clean
# build folder, optionally signed (SHA-256 Authenticode, with an RFC 3161 time
# stamp when asked) and verified, written with its SHA256SUMS into a folder
# that must not exist yet.
#
#   release.sh [--module PATH] --out DIR
#              [--pkcs12 FILE | --pkcs11-module LIB --pkcs11-key URI --certs FILE]
#              [--timestamp URL] [--ca FILE] [--accept-toolchain]
#
#   --module PATH        the plug-in module to embed (resource 400); without it
#                        the build's deterministic placeholder, which is not a
#                        release anyone should ship
#   --out DIR            where the exe and SHA256SUMS go; must not exist
#   --pkcs12 FILE        certificate and key; the password is read from the
#                        environment variable RELEASE_PKCS12_PASSWORD
#   --pkcs11-module LIB  a hardware token's PKCS#11 library, with --pkcs11-key
#                        (the key's pkcs11: URI, without a pin-value) and
#                        --certs (the signing certificate and its intermediates,
#                        PEM); the token's PIN is read from RELEASE_PKCS11_PIN
#                        (set it empty for a token with a PIN pad of its own)
#   --timestamp URL      an RFC 3161 time-stamp server
#   --ca FILE            the root certificates the signature and the time stamp
#                        are verified against after signing; the system's by
#                        default
#   --accept-toolchain   release although the installed toolchain differs from
#                        the versions README.md pins; the notes name both
#
# Nothing is written into DIR unless everything succeeded. The same sources,
# module and toolchain give a byte-identical unsigned exe (see README.md,
# "Releasing").
set -eu -o pipefail
# The password and the PIN are taken into this shell and out of the
# environment before any other program starts: every program started from here
# on (openssl, apt, cmake, the compilers) would inherit them, and a process's
# environment can be read back from /proc for as long as it runs. They reach
# openssl and osslsigncode through a pipe only.
pkcs12_password=${RELEASE_PKCS12_PASSWORD-} pkcs12_password_set=${RELEASE_PKCS12_PASSWORD+set}
pkcs11_pin=${RELEASE_PKCS11_PIN-} pkcs11_pin_set=${RELEASE_PKCS11_PIN+set}
unset RELEASE_PKCS12_PASSWORD RELEASE_PKCS11_PIN
# Paths given on the command line are taken from the caller's folder.
root=$(cd "$(dirname "$0")/.." && pwd)
exe_name=QuendalInstaller.exe
description='Quendal for After Effects Installer'

fail() { echo "release: $*" >&2; exit 1; }
loud() { # a boxed warning on stderr, hard to miss in a build log
  local line
  echo '**********************************************************************' >&2
  for line in "$@"; do printf '*  %-66s*\n' "$line" >&2; done
  echo '**********************************************************************' >&2
}

module='' out='' pkcs12='' p11_module='' p11_key='' certs='' timestamp='' ca='' accept_toolchain=no
while [ $# -gt 0 ]; do
  option=$1
  case "$option" in
    --accept-toolchain) accept_toolchain=yes; shift; continue ;;
    --module|--out|--pkcs12|--pkcs11-module|--pkcs11-key|--certs|--timestamp|--ca)
      [ $# -ge 2 ] && [ -n "$2" ] || fail "$option needs a value"
      value=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -eu/{/^set -eu/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
    *) fail "unknown argument '$option' (see --help)" ;;
  esac
  case "$option" in
    --module) module=$value ;;
    --out) out=$value ;;
    --pkcs12) pkcs12=$value ;;
    --pkcs11-module) p11_module=$value ;;
    --pkcs11-key) p11_key=$value ;;
    --certs) certs=$value ;;
    --timestamp) timestamp=$value ;;
    --ca) ca=$value ;;
  esac
done

# --- Everything that can be wrong with the input is found before building. ---

[ -n "$out" ] || fail "--out DIR is required (a folder that does not exist yet)"
[ ! -e "$out" ] && [ ! -L "$out" ] || fail "$out already exists; a release never overwrites another one"
case "$out" in /*) ;; *) out=$PWD/$out ;; esac

readable_file() { # what, path
  [ -e "$2" ] || fail "$1 $2 does not exist"
  [ -f "$2" ] || fail "$1 $2 is not a file"
  [ -r "$2" ] || fail "$1 $2 cannot be read"
}

if [ -n "$module" ]; then
  readable_file "the module" "$module"
  [ -s "$module" ] || fail "the module $module is empty"
  [ "$(head -c 2 "$module")" = MZ ] ||
    fail "the module $module is not a Windows module (it does not start with MZ)"
fi

signing=none secret=''
if [ -n "$pkcs12" ]; then
  [ -z "$p11_module$p11_key" ] || fail "give either --pkcs12 or --pkcs11-module, not both"
  signing=pkcs12
elif [ -n "$p11_module$p11_key" ]; then
  [ -n "$p11_module" ] && [ -n "$p11_key" ] && [ -n "$certs" ] ||
    fail "a token needs --pkcs11-module, --pkcs11-key and --certs together"
  # A PIN in the URI would stand on this script's command line and on
  # osslsigncode's, which every user of the machine can read. The engine finds
  # the attribute wherever it stands, whatever its case.
  case "${p11_key,,}" in
    *pin-value=*) fail "--pkcs11-key holds the token's PIN (pin-value): take it out of the URI" \
      "and set RELEASE_PKCS11_PIN instead (and change the PIN if others use this machine)" ;;
  esac
  [ -n "$pkcs11_pin_set" ] ||
    fail "set RELEASE_PKCS11_PIN to the token's PIN (empty for a token with a PIN pad of its own)"
  signing=pkcs11 secret=$pkcs11_pin
fi
if [ $signing = none ]; then
  [ -z "$timestamp$ca$certs" ] || fail "--timestamp, --ca and --certs need a certificate to sign with"
fi
case "$timestamp" in ''|http://*|https://*) ;; *) fail "--timestamp needs an http:// or https:// URL" ;; esac
[ -z "$ca" ] || readable_file "the CA file" "$ca"

staging=''
work=$(mktemp -d "${TMPDIR:-/tmp}/quendal-release.XXXXXX")
trap 'rm -rf "$work" ${staging:+"$staging"}' EXIT

# The certificate must be able to sign code and be valid now; checked here so
# that a wrong password or a wrong certificate costs no build.
check_leaf() { # PEM file whose first certificate signs
  local eku
  eku=$(openssl x509 -in "$1" -noout -ext extendedKeyUsage 2>/dev/null) ||
    fail "no certificate found in $2"
  grep -q 'Code Signing' <<<"$eku" ||
    fail "the certificate in $2 is not for code signing (no Code Signing in its extended key usage)"
  openssl x509 -in "$1" -noout -checkend 0 >/dev/null ||
    fail "the certificate in $2 has expired or is not valid yet"
  signer=$(openssl x509 -in "$1" -noout -subject -nameopt oneline | sed 's/^subject= *//')
}

if [ $signing = pkcs12 ]; then
  readable_file "the PKCS#12 file" "$pkcs12"
  [ -n "$pkcs12_password_set" ] || fail "set RELEASE_PKCS12_PASSWORD to the password of $pkcs12"
  secret=$pkcs12_password
  # openssl takes the first line of its input as the password; an empty
  # input is an error to it, an empty line the empty password.
  read_p12() { printf '%s\n' "$secret" | openssl pkcs12 "${p12_legacy[@]}" -in "$pkcs12" -passin stdin "$@"; }
  # Files exported by older Windows versions use ciphers OpenSSL 3 keeps in
  # its legacy provider.
  p12_legacy=()
  if ! read_p12 -clcerts -nokeys -out "$work/leaf.pem" 2>"$work/openssl.log"; then
    if grep -qi 'unsupported' "$work/openssl.log"; then p12_legacy=(-legacy); fi
    if [ ${#p12_legacy[@]} -eq 0 ] || ! read_p12 -clcerts -nokeys -out "$work/leaf.pem" 2>"$work/openssl.log"; then
      if grep -qi 'invalid password' "$work/openssl.log"; then
        fail "wrong password for $pkcs12 (RELEASE_PKCS12_PASSWORD)"
      fi
      fail "$pkcs12 cannot be read as PKCS#12: $(head -n 1 "$work/openssl.log")"
    fi
  fi
  read_p12 -nocerts -nodes 2>/dev/null | grep -q 'PRIVATE KEY' || fail "$pkcs12 holds no private key"
  check_leaf "$work/leaf.pem" "$pkcs12"
elif [ $signing = pkcs11 ]; then
  readable_file "the PKCS#11 library" "$p11_module"
  readable_file "the certificate file" "$certs"
  check_leaf "$certs" "$certs"
fi

if [ -z "$module" ]; then
  loud "NO MODULE GIVEN (--module PATH)." \
       "This release embeds the deterministic PLACEHOLDER, not the plug-in:" \
       "it is for trying the release process only. Do not ship it."
fi

# --- The build. ---

"$root/scripts/install-deps.sh"

# The toolchain the release names must be the one it was built with, and the
# one README.md tells others to rebuild it with: the table in its "Releasing"
# section pins each package's version as dpkg reports it.
toolchain_pins() { # package version, a line each
  [ ! -r "$root/README.md" ] ||
    sed -n '/^## Releasing/,/^## /s/^| `\([^`]*\)` | \([^ |]*\) |$/\1 \2/p' "$root/README.md"
}
installed_versions() { # the pins' packages as installed, in the same form
  local package wanted version
  while read -r package wanted; do
    version=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null) || version=''
    echo "$package ${version:-not-installed}"
  done <<<"$1"
}
listed() { sed -z 's/\n$//; s/\n/, /g' <<<"$1"; } # one line, for the notes
pinned=$(toolchain_pins)
[ -n "$pinned" ] || fail "README.md pins no toolchain (the package table of its \"Releasing\" section)"
used=$(installed_versions "$pinned")
if [ "$used" != "$pinned" ]; then
  paste -d ' ' <(echo "$pinned") <(echo "$used") |
    awk '$2 != $4 { printf "  %s: README.md pins %s, installed is %s\n", $1, $2, $4 }' >&2
  [ $accept_toolchain = yes ] ||
    fail "the installed toolchain is not the one README.md pins (above): install the pinned versions," \
      "or give --accept-toolchain to release with these, and the notes will name both"
  loud "THE TOOLCHAIN DIFFERS FROM THE ONE README.md PINS (above)." \
       "Released with --accept-toolchain: the notes name both."
fi

# Reproducibility comes from the toolchain's own switches:
#  - the linker writes no time stamp into the PE header; windres writes none
#    into the resource directories in the first place;
#  - SOURCE_DATE_EPOCH (the sources' commit time) stands in for the clock
#    wherever a tool would read it (__DATE__ and __TIME__ among them);
#  - the source and build folders are mapped to "." in anything the compiler
#    records (__FILE__, debug information), so that where the build ran never
#    matters;
#  - CMake's generated link lines and archives list everything in the order
#    of the CMakeLists.txt files, and Ninja builds the same graph each time.
# The flags are set here, replacing whatever the caller's environment holds,
# so that a stray CXXFLAGS cannot make one release differ from another.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "not a git checkout")
if [ -n "$(git -C "$root" status --porcelain 2>/dev/null)" ]; then
  loud "The working tree has changes that are not committed:" \
       "this release cannot be rebuilt from commit $commit alone."
fi

build=$work/build
mkdir -p "$build" "$work/input"
for path in "$root" "$build"; do
  case "$path" in *[\"\$\`\\]*) fail "folder names with \", \$, \` or \\ are not supported: $path" ;; esac
done
map="\"-ffile-prefix-map=$root=.\" \"-ffile-prefix-map=$build=.\""
module_arg=()
if [ -n "$module" ]; then
  # A copy under a fixed name: the build sees the same bytes from start to
  # end, and the resource script never has to quote the vendor's path.
  cp "$module" "$work/input/Quendal.aex"
  module_arg=(-DNORVIK_PLUGIN_MODULE="$work/input/Quendal.aex")
fi

echo "== building $exe_name in $build"
if ! env CFLAGS="$map" CXXFLAGS="$map" LDFLAGS=-Wl,--no-insert-timestamp RCFLAGS= \
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DNORVIK_BUILD_TESTS=OFF "${module_arg[@]}" >"$work/build.log" 2>&1 ||
   ! cmake --build "$build" --target QuendalInstaller -j "$(nproc)" >>"$work/build.log" 2>&1; then
  tail -n 30 "$work/build.log" >&2
  fail "the build failed (the last lines of its log are above)"
fi
"$root/scripts/check-imports.sh" "$build" >/dev/null || fail "the program imports DLLs that are not part of Windows"
cp "$build/installer/$exe_name" "$work/$exe_name"
[ "$(installed_versions "$pinned")" = "$used" ] ||
  fail "the toolchain's packages changed while building (an upgrade ran meanwhile?); make the release again"
unsigned_sha=$(sha256sum "$work/$exe_name" | cut -d' ' -f1)

# --- Signing, and a verification of what was signed. ---

# osslsigncode's verify tells of the time stamp only in words that differ
# from one version to the next, and exits 0 when the time stamp is there but
# does not verify (2.5 and 2.9 alike). So the time stamp is read from the
# signature itself: the RFC 3161 token among the signer's unsigned attributes
# (OID 1.3.6.1.4.1.311.3.3.1) must verify against the CA and carry the hash of
# this signature's value, which is what the token stamps. No such attribute,
# or an openssl that prints the OID under a name, is a failure, never a pass.
verify_timestamp() { # signed exe
  # PEM, because osslsigncode 2.5 writes the raw certificate table entry
  # (header and padding around the DER) without -pem, where 2.9 writes DER.
  local pem=$work/signature.pem value token
  osslsigncode extract-signature -pem -in "$1" -out "$pem" >/dev/null || return 1
  # Offsets in the DER: the signer's signature value is the last OCTET STRING
  # two levels above the attribute's OID, the token the SEQUENCE one level
  # below it (inside the attribute's SET).
  read -r value token < <(openssl asn1parse -in "$pem" | awk '
    { offset = $1 + 0; match($0, /d=[0-9]+/); depth = substr($0, RSTART + 2, RLENGTH - 2) + 0 }
    /prim: OCTET STRING/ { octets[depth] = offset }
    /prim: OBJECT +:1\.3\.6\.1\.4\.1\.311\.3\.3\.1 *$/ { attribute = depth; value = octets[depth - 2]; next }
    attribute && depth == attribute + 1 { print value, offset; exit }') || true
  [ -n "${token:-}" ] || { echo "the signature holds no RFC 3161 time stamp"; return 1; }
  openssl asn1parse -in "$pem" -strparse "$value" -noout -out "$work/signature-value.bin" >/dev/null &&
    openssl asn1parse -in "$pem" -strparse "$token" -noout -out "$work/timestamp.der" >/dev/null &&
    openssl ts -verify -token_in -in "$work/timestamp.der" -data "$work/signature-value.bin" \
      -CAfile "${ca:-/etc/ssl/certs/ca-certificates.crt}"
}

if [ $signing != none ]; then
  echo "== signing with $signing: $signer"
  sign=(osslsigncode sign -h sha256 -n "$description")
  # A password or PIN goes through a pipe, never onto a command line, where
  # any user of the machine could read it; osslsigncode refuses an empty one
  # from a file, and an empty one reveals nothing on a command line.
  if [ $signing = pkcs12 ]; then
    sign+=(-pkcs12 "$pkcs12")
    if [ -n "$secret" ]; then sign+=(-readpass /dev/stdin); else sign+=(-pass ''); fi
  else
    sign+=(-pkcs11module "$p11_module" -key "$p11_key" -certs "$certs")
    [ -z "$secret" ] || sign+=(-readpass /dev/stdin)
  fi
  [ -z "$timestamp" ] || sign+=(-ts "$timestamp")
  sign+=(-in "$work/$exe_name" -out "$work/signed.exe")
  # Without a PIN, a token's library may ask on the terminal.
  run_sign() { if [ -n "$secret" ]; then printf '%s' "$secret" | "${sign[@]}"; else "${sign[@]}"; fi; }
  if ! run_sign >"$work/sign.log" 2>&1; then
    # Shown with the secret blanked out wherever it appears: a token's library
    # or an engine may well repeat what it was given in an error, and build
    # logs are kept and shared.
    while IFS= read -r line || [ -n "$line" ]; do
      [ -z "$secret" ] || line=${line//"$secret"/"[hidden]"}
      printf '%s\n' "$line"
    done <"$work/sign.log" >&2
    fail "signing failed (osslsigncode's output is above)"
  fi
  verify=(osslsigncode verify -in "$work/signed.exe")
  [ -z "$ca" ] || verify+=(-CAfile "$ca" -TSA-CAfile "$ca")
  if ! "${verify[@]}" >"$work/verify.log" 2>&1; then
    cat "$work/verify.log" >&2
    loud "THE SIGNATURE DOES NOT VERIFY: nothing was written." \
         "osslsigncode's report is above."
    exit 1
  fi
  if [ -n "$timestamp" ] && ! verify_timestamp "$work/signed.exe" >"$work/timestamp.log" 2>&1; then
    cat "$work/timestamp.log" >&2
    loud "THE SIGNATURE CARRIES NO TIME STAMP THAT VERIFIES although" \
         "$timestamp was asked: nothing was written."
    exit 1
  fi
  mv "$work/signed.exe" "$work/$exe_name"
fi

# --- The release folder: filled beside its final place, then renamed into it
# in one step, so that it never exists half-written and never replaces one
# that appeared meanwhile. ---

(cd "$work" && sha256sum "$exe_name" >SHA256SUMS)
parent=$(dirname "$out")
mkdir -p "$parent" 2>/dev/null || fail "cannot create $parent, the folder that would hold $out"
staging=$(mktemp -d "$parent/.$(basename "$out").XXXXXX" 2>/dev/null) || fail "cannot write into $parent"
cp "$work/$exe_name" "$work/SHA256SUMS" "$staging/" || fail "cannot write into $parent"
chmod "$(printf '%o' $((0777 & ~$(umask))))" "$staging"
mv -n -T "$staging" "$out"
[ ! -e "$staging" ] || fail "$out appeared while the release was made; it was left as it is"
staging=''

echo "== release written"
echo "  $out/$exe_name"
echo "  $out/SHA256SUMS"
echo "  sha256:    $(cut -d' ' -f1 "$out/SHA256SUMS")"
[ $signing = none ] || echo "  unsigned:  $unsigned_sha (the reproducible build before signing)"
if [ -n "$module" ]; then
  echo "  module:    $module ($(stat -c %s "$work/input/Quendal.aex") bytes," \
       "sha256 $(sha256sum "$work/input/Quendal.aex" | cut -d' ' -f1))"
else
  echo "  module:    the PLACEHOLDER, not for shipping"
fi
if [ $signing = none ]; then echo "  signature: none (unsigned)"; else echo "  signature: $signer${timestamp:+, time-stamped by $timestamp}"; fi
echo "  sources:   commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
echo "  toolchain: $(listed "$used")"
[ "$used" = "$pinned" ] ||
  echo "  pinned:    $(listed "$pinned") (README.md; accepted with --accept-toolchain)"
if [ -z "$module" ]; then
  loud "This release carries the PLACEHOLDER module. Do not ship it."
fi
