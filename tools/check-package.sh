#!/usr/bin/env bash
# Builds the Debian package and checks it as a user meets it: installed with dpkg -i (apt-get
# -f brings what it depends on), the installed tool started under Xvfb from other folders
# identifies its built-in emulated MV4700, the menu entry and the metainfo validate, lintian
# finds no error (its warnings are printed), both programs answer --help and --version, and
# dpkg -r removes every file. Installs what it needs (Debian 12); uses sudo when not root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
sudo=$([ "$(id -u)" -eq 0 ] || echo sudo)
step() { printf '\n== %s\n' "$*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

step "What the check needs"
make --no-print-directory deps PACKAGES="lintian desktop-file-utils appstream xvfb xauth"

step "make package"
make --no-print-directory package
deb=$(ls -t build/default/package/ferramenta-ecf_*.deb | head -n 1)
version=$(dpkg-deb -f "$deb" Version)
echo "Package: $deb (version $version)"
dpkg-deb -f "$deb" Depends

step "lintian (errors fail)"
lintian --fail-on error --display-level '>=warning' "$deb" | tee build/default/package/lintian.txt
echo "lintian: $(grep -c '^W:' build/default/package/lintian.txt || true) warning(s), no error"

step "dpkg -i"
$sudo dpkg -i "$deb" || $sudo env DEBIAN_FRONTEND=noninteractive apt-get -f install -y
dpkg-query -W -f='${Status}\n' ferramenta-ecf | grep -q 'install ok installed' ||
    fail "the package is not installed"
mapfile -t files < <(dpkg -L ferramenta-ecf | while read -r f; do [ -f "$f" ] && echo "$f"; done)
printf '%s\n' "${files[@]}"

step "The menu entry and the metainfo"
desktop-file-validate /usr/share/applications/ferramenta-ecf.desktop
appstreamcli validate --no-net /usr/share/metainfo/br.ecf.ferramenta_ecf.metainfo.xml

step "--help and --version"
help=$(ferramenta-ecf --help)
echo "$help"
grep -q -- '--folder' <<<"$help" || fail "ferramenta-ecf --help"
[ "$(ferramenta-ecf --version)" = "ferramenta-ecf $version" ] || fail "ferramenta-ecf --version"
emulador-ecf --help | grep -q -- '--model' || fail "emulador-ecf --help"
[ "$(emulador-ecf --version)" = "emulador-ecf $version" ] || fail "emulador-ecf --version"
ecf --help | grep -q -- '--port' || fail "ecf --help"
ecf identify --port EMUL-MV4700 | grep -q 'MV4700' || fail "ecf identify"
echo "ferramenta-ecf $version, emulador-ecf $version, ecf"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Tool.cfg: the port "EMUL-MV4700" padded to 12 bytes, model 1 (MV4700), no daylight saving.
tool_cfg() { printf 'EMUL-MV4700 \001\000\000\000\000\000\000\000' >"$1/Tool.cfg"; }
identify() { # <folder to start in> <home>
    (cd "$1" && HOME="$2" timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
        ferramenta-ecf --identify) | tee "$work/said"
    grep -q 'Impressora identificada: Núm. Série: ' "$work/said"
}

step "The installed tool in a folder that holds a Tool.cfg"
mkdir -p "$work/bench" "$work/home"
tool_cfg "$work/bench"
identify "$work/bench" "$work/home" || fail "the emulated MV4700 was not identified"
for sub in c2k usr b2k; do [ -d "$work/bench/$sub" ] || fail "no $sub folder in the working folder"; done

step "The installed tool started from / (as from the menu): the folder in Documents"
mkdir -p "$work/home/Documents/ferramenta-ecf"
tool_cfg "$work/home/Documents/ferramenta-ecf"
identify / "$work/home" || fail "the emulated MV4700 was not identified"
[ -d "$work/home/Documents/ferramenta-ecf/c2k" ] || fail "the working folder was not in Documents"

step "The installed emulator on a pseudo-terminal"
emulador-ecf --model B >"$work/pty" &
emulator=$!
for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
pty=$(head -n 1 "$work/pty")
[ -c "$pty" ] || fail "emulador-ecf served no pseudo-terminal"
kill "$emulator" && wait "$emulator" || fail "emulador-ecf did not end cleanly"
echo "emulador-ecf served $pty"

step "dpkg -r"
$sudo dpkg -r ferramenta-ecf
for f in "${files[@]}"; do [ ! -e "$f" ] || fail "$f is left after dpkg -r"; done
! dpkg-query -W -f='${Status}\n' ferramenta-ecf 2>/dev/null | grep -q 'ok installed' ||
    fail "the package is still installed"
echo "Removed: no file left."
echo
echo "Package check passed: $deb"
