#!/usr/bin/env bash
# Builds the Debian package, installs it with apt (run as root), checks the installed programs,
# the desktop entry, the AppStream metadata and the package itself (lintian), purges it and
# checks that nothing is left behind. Prints the package's size and the install and remove
# times.
#
#   tools/package-check.sh [build-dir]        (default build-pkg)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-pkg}

deb=$(tools/build-package.sh "$build")
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
export DEBIAN_FRONTEND=noninteractive

fail() {
    echo "package-check: $*" >&2
    exit 1
}
stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
cleanup() {
    for pid in ${sim:-} ${console:-}; do stop "$pid"; done
    if dpkg-query -W -f='${Status}' kvir-console 2>/dev/null | grep -q installed; then
        apt-get purge -y -qq kvir-console >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# What exists outside the package's own files before it comes and after it goes.
snapshot() { find /usr /etc /opt /var/lib/dpkg/info -xdev 2>/dev/null | LC_ALL=C sort; }
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

if dpkg-query -W -f='${Status}' kvir-console 2>/dev/null | grep -q installed; then
    echo "package-check: kvir-console was installed; purging it first" >&2
    apt-get purge -y -qq kvir-console >/dev/null
fi
snapshot >"$work/before"

t0=$(date +%s%N)
apt-get install -y -qq --no-install-recommends "$(realpath "$deb")" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get install failed"; }
install_ms=$(ms_since "$t0")

# The programs from /usr/bin: versions, the simulator with an installed sample found by its
# bare name, kvir-cli against it.
for program in kvir-cli kvir-sim; do
    [[ $(command -v $program) == /usr/bin/$program ]] || fail "$program is not /usr/bin/$program"
    [[ $($program --version) == "$program $version" ]] || fail "$program --version"
    man -w $program >/dev/null || fail "no manual page for $program"
done
(cd "$work" && exec /usr/bin/kvir-sim --model 210 --notebook 210-small.txt \
    --link "$work/port" >"$work/sim.out" 2>&1) &
sim=$!
for _ in $(seq 50); do [[ -e $work/port ]] && break; sleep 0.1; done
[[ -e $work/port ]] || { cat "$work/sim.out" >&2; fail "kvir-sim did not start"; }
identity=$(timeout 20 /usr/bin/kvir-cli --port "$work/port" identify) || fail "kvir-cli identify"
grep -qx 'model=КВИР-210v1' <<<"$identity" || fail "identify: $identity"
records=$(timeout 60 /usr/bin/kvir-cli --port "$work/port" read | grep -c '^record=') ||
    fail "kvir-cli read"
((records > 0)) || fail "kvir-cli read: no record from the installed sample"
stop "$sim"
sim=

# The console as the menu starts it, offscreen, in a fresh home: it must stay up and work in
# ~/KVIR, leaving its current directory alone.
mkdir -p "$work/home" "$work/cwd"
(cd "$work/cwd" && HOME=$work/home QT_QPA_PLATFORM=offscreen \
    exec /usr/bin/kvir-console --user-folder >"$work/console.out" 2>&1) &
console=$!
sleep 4
kill -0 "$console" 2>/dev/null || { cat "$work/console.out" >&2; fail "kvir-console exited"; }
stop "$console"
console=
[[ -f $work/home/KVIR/KVIR-Wpad.ini ]] || fail "kvir-console --user-folder wrote no ~/KVIR/KVIR-Wpad.ini"
[[ -z $(ls -A "$work/cwd") ]] || fail "kvir-console --user-folder wrote into its current directory"

desktop-file-validate /usr/share/applications/example.kvir_lab.kvir_console.desktop ||
    fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/example.kvir_lab.kvir_console.metainfo.xml ||
    fail "appstreamcli validate"
lintian_status=0
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian" || true
((lintian_status == 0)) || fail "lintian found errors"
echo "lintian: $(grep -c '^E:' "$work/lintian") errors, $(grep -c '^W:' "$work/lintian") warnings"

t0=$(date +%s%N)
apt-get purge -y -qq kvir-console >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get purge failed"; }
remove_ms=$(ms_since "$t0")
snapshot >"$work/after"
diff "$work/before" "$work/after" || fail "the purge left the files above behind (> new, < gone)"

printf 'package-check: %s: %s bytes (%s KiB installed); install %s ms, purge %s ms\n' \
    "$(basename "$deb")" "$(stat -c %s "$deb")" "$(dpkg-deb -f "$deb" Installed-Size)" \
    "$install_ms" "$remove_ms"
