#!/usr/bin/env bash
# scripts/release.sh as a vendor uses it, offline:
#   build: bad input is refused before anything is built or written; two
#     releases from two clean build folders, the second from a copy of the
#     sources at another path and signed with a throw-away CA's code-signing
#     certificate and time-stamped by a local RFC 3161 server, carry the same
#     bytes once the signature is removed; the signature verifies against that
#     CA, and not after a one-byte change; the version resource matches the
#     program's name and the project's version. A toolchain other than the one
#     README.md pins is refused, and named beside it with --accept-toolchain.
#     Quick releases with stand-ins for cmake and osslsigncode show that the
#     password and the PIN reach no program's environment or command line,
#     that a failed signing is shown without the password, and that a time
#     stamp the CA does not vouch for is refused.
#   walk: the signed program's wizard installs under Wine (needs "build").
#   release_test.sh STATE_DIR build|walk WORK_DIR
set -u
state_dir=$1 mode=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
exe=QuendalInstaller.exe
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if [ "$mode" = walk ]; then
  . "$state_dir/state"
  export WINEPREFIX=$NORVIK_WINEPREFIX DISPLAY=$NORVIK_DISPLAY WINEDEBUG=-all
  . "$root/scripts/host-fixture.sh"
  trap clear_releases EXIT
  out=$work/walk
  rm -rf "$out"; mkdir -p "$out"
  clear_releases; : >"$out/releases.txt"
  register_release "$out/releases.txt" CC 12 'C:\release\After Effects CC\Plug-ins'
  xdotool mousemove 0 0
  wine "$work/two/$exe" /UAC </dev/null >/dev/null 2>&1 &
  "$root/scripts/wizard-walk.sh" "$out" "$work/module.aex" || fail "the signed program's wizard did not install"
  timeout 20 tail --pid=$! -f /dev/null
  rm -rf "$WINEPREFIX/drive_c/release"
  exit $((failures > 0))
fi

rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
server_pid=''
trap '[ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null' EXIT

# Throw-away CAs: one issuing a code-signing and a server certificate, one a
# time-stamping certificate, so that a CA file can vouch for the signer alone.
export RELEASE_PKCS12_PASSWORD=throw-away
unset RELEASE_PKCS11_PIN
make_ca() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 2 -subj "/CN=Release Test $1" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
}
make_ca ca; make_ca tsa-ca; cat ca.pem tsa-ca.pem >cas.pem
issue() { # name extended-key-usage CA
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 2 -subj "/CN=Release Test $1" \
    -CA "$3.pem" -CAkey "$3.key" -addext "extendedKeyUsage=$2" -addext keyUsage=critical,digitalSignature 2>/dev/null
  openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -certfile "$3.pem" -passout env:RELEASE_PKCS12_PASSWORD \
    -out "$1.p12"
}
issue signer codeSigning ca; issue server serverAuth ca; issue tsa critical,timeStamping tsa-ca

# The time-stamp server: openssl ts answering over HTTP on a free local port.
printf '01\n' >tsa.serial
cat >tsa.cnf <<CNF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $work/tsa.serial
signer_cert = $work/tsa.pem
signer_key = $work/tsa.key
certs = $work/tsa-ca.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
ess_cert_id_alg = sha256
CNF
python3 - "$work/tsa.cnf" >tsa.port <<'PY' &
import http.server, subprocess, sys
class Reply(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args): pass
server = http.server.HTTPServer(("127.0.0.1", 0), Reply)
print(server.server_port, flush=True)
server.serve_forever()
PY
server_pid=$!
for _ in $(seq 50); do [ -s tsa.port ] && break; sleep 0.1; done

# A small module: the release process does not depend on the module's size.
{ printf 'MZ'; head -c 65534 /dev/urandom; } >module.aex

# The second release is made from a copy whose README.md pins another cmake.
copy=$work/sources/at/another/path/quendal
mkdir -p "$copy" tmp/a tmp/b/deeper/build/folder
tar -C "$root" --exclude=./build --exclude=./out --exclude=./.git -cf - . | tar -C "$copy" -xf -
sed -i 's/^| `cmake` | .* |$/| `cmake` | 0.0-pinned |/' "$copy/README.md"

release() { nice -n 10 "$@" </dev/null; }
refused() { # what, expected message, release.sh arguments... ($script: another release.sh)
  local what=$1 message=$2; shift 2
  if release "${script:-$root/scripts/release.sh}" "$@" >refused.log 2>&1; then fail "$what: accepted"; fi
  grep -q "$message" refused.log || fail "$what: no \"$message\" in: $(cat refused.log)"
  [ ! -e refused ] || fail "$what: left $work/refused behind"
}
mkdir previous; echo kept >previous/SHA256SUMS
refused "an existing --out" "already exists" --module module.aex --out previous
[ "$(cat previous/SHA256SUMS)" = kept ] || fail "the existing release folder was changed"
refused "a missing module" "does not exist" --module missing.aex --out refused
refused "a server certificate" "not for code signing" --module module.aex --out refused --pkcs12 server.p12
RELEASE_PKCS12_PASSWORD=wrong refused "a wrong password" "wrong password" --module module.aex --out refused \
  --pkcs12 signer.p12
token=(--module module.aex --out refused --pkcs11-module module.aex --certs signer.pem)
RELEASE_PKCS11_PIN=4711 refused "a PIN in the key's URI" "pin-value" "${token[@]}" \
  --pkcs11-key 'pkcs11:object=key;PIN-Value=90210'
grep -q 90210 refused.log && fail "the PIN in the key's URI was repeated: $(cat refused.log)"
refused "a token without RELEASE_PKCS11_PIN" "set RELEASE_PKCS11_PIN" "${token[@]}" --pkcs11-key 'pkcs11:object=key'
script=$copy/scripts/release.sh refused "a toolchain other than README.md's" "cmake: README.md pins 0.0-pinned" \
  --module module.aex --out refused

# Two releases: different source and build folders, the second one signed.
TMPDIR=$work/tmp/a release "$root/scripts/release.sh" --module module.aex --out one >one.log 2>&1 ||
  fail "the unsigned release failed: $(tail -n 20 one.log)"
TMPDIR=$work/tmp/b/deeper/build/folder release "$copy/scripts/release.sh" --module module.aex --out two \
  --pkcs12 signer.p12 --ca cas.pem --timestamp "http://127.0.0.1:$(cat tsa.port)/" --accept-toolchain >two.log 2>&1 ||
  fail "the signed release failed: $(tail -n 20 two.log)"
grep -q "^  toolchain: .*cmake $(dpkg-query -W -f='${Version}' cmake)," two.log &&
  grep -q '^  pinned: .*cmake 0.0-pinned,' two.log || fail "the notes do not name both toolchains: $(tail -n 4 two.log)"
for release in one two; do
  (cd $release && sha256sum --quiet -c SHA256SUMS) || fail "$release: SHA256SUMS does not match"
done
osslsigncode remove-signature -in two/$exe -out unsigned.exe >/dev/null
[ "$(sha256sum <one/$exe | cut -d' ' -f1)" = "$(sha256sum <unsigned.exe | cut -d' ' -f1)" ] ||
  fail "the two builds differ: $(cmp -l one/$exe unsigned.exe | head -n 5 | tr '\n' ' ')"

# The signature and its time stamp verify offline against the test CA; one
# byte changed in the code does not.
osslsigncode verify -in two/$exe -CAfile cas.pem -TSA-CAfile cas.pem >verify.log 2>&1 ||
  fail "the signed release does not verify: $(tail -n 5 verify.log)"
grep -q 'Timestamp is not available' verify.log && fail "the signed release carries no time stamp"
cp two/$exe tampered.exe
printf '\x90' | dd of=tampered.exe bs=1 seek=$((0x1100)) conv=notrunc status=none
cmp -s two/$exe tampered.exe && printf '\xcc' | dd of=tampered.exe bs=1 seek=$((0x1100)) conv=notrunc status=none
osslsigncode verify -in tampered.exe -CAfile cas.pem -TSA-CAfile cas.pem >tampered.log 2>&1 &&
  fail "a one-byte change still verifies"

# The version resource names the program and carries the project's version.
version=$(sed -n 's/^project([a-z_]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
x86_64-w64-mingw32-windres -i one/$exe -O rc 2>/dev/null | grep 'VALUE "' >version.txt
for pair in "OriginalFilename|$exe" "FileVersion|$version" "ProductVersion|$version" "ProductName|Quendal" \
            "CompanyName|Falkmoor" "FileDescription|Quendal for After Effects Installer"; do
  grep -qF "VALUE \"${pair%%|*}\", \"${pair#*|}\"" version.txt || fail "version resource: ${pair%%|*} is not ${pair#*|}"
done

# Quick releases through stand-ins that note their command line and
# environment: cmake hands over the first release's exe instead of building,
# osslsigncode repeats the password it was given and then signs; openssl and
# dpkg-query (the script's and install-deps.sh's) are the real ones.
mkdir spy
cat >spy/spy <<'SPY'
#!/usr/bin/env bash
name=${0##*/}
{ printf '%s' "$name"; printf ' %s' "$@"; echo; env; } >>"$SPY_LOG"
PATH=${PATH#*:}
case $name in
  cmake) [ "$1" != --build ] || { mkdir -p "$2/installer" && cp "$SPY_EXE" "$2/installer/"; }; exit ;;
  osslsigncode) if [ "$1" = sign ]; then
      password=$(cat); echo "osslsigncode was given the password $password"
      printf '%s' "$password" | osslsigncode "$@"; exit
    fi ;;
esac
exec "$name" "$@"
SPY
chmod +x spy/spy
for name in cmake openssl osslsigncode dpkg-query; do ln -s spy spy/$name; done
export SPY_LOG=$work/spy.log SPY_EXE=$work/one/$exe
RELEASE_PKCS11_PIN=pin-4711 PATH=$work/spy:$PATH refused "signing that fails" "signing failed" \
  --module module.aex --out refused --pkcs12 signer.p12 --timestamp http://127.0.0.1:1/
grep -q 'given the password \[hidden\]' refused.log && ! grep -q throw-away refused.log ||
  fail "a failed signing was not shown with the password hidden: $(cat refused.log)"
PATH=$work/spy:$PATH refused "a time stamp the CA does not vouch for" "NO TIME STAMP THAT VERIFIES" \
  --module module.aex --out refused --pkcs12 signer.p12 --ca ca.pem --timestamp "http://127.0.0.1:$(cat tsa.port)/"
for name in cmake openssl osslsigncode dpkg-query; do
  grep -q "^$name " spy.log || fail "the release started no $name through the stand-ins"
done
! grep -n -e throw-away -e pin-4711 spy.log || fail "a secret reached a program the release started (above)"

[ $failures -eq 0 ] && echo "release: all checks passed"
exit $((failures > 0))
