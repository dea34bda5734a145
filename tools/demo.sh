#!/usr/bin/env bash
# Installs the dependencies, builds the console and its instrument simulator, starts the
# simulator on a pseudo-terminal with a sample notebook and opens the console on it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVIR_TESTS=OFF
cmake --build build -j "$(nproc)"

demo=$PWD/demo
mkdir -p "$demo"
port=$demo/kvir-sim-port
sim_args=(--model "${KVIR_DEMO_MODEL:-510}" --link "$port")
sample=sim/samples/${KVIR_DEMO_MODEL:-510}-small.txt
[[ -f $sample ]] && sim_args+=(--notebook "$sample")
build/sim/kvir-sim "${sim_args[@]}" >"$demo/kvir-sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e $port ]] && break; sleep 0.1; done

if [[ -x build/console/kvir-console ]]; then
    # A settings file that names the simulator's port and asks for automatic connection.
    if [[ ! -f $demo/KVIR-Wpad.ini ]]; then
        printf '[Port]\r\nport=%s\r\n[StartPage]\r\nStartPage=1\r\n[ShowCol]\r\nShowColPapka=255\r\nShowColDate=255\r\nStartEkran=0\r\n[NetAdres]\r\nNetAdres=1\r\n[Connect]\r\nConnect=1\r\n[Pribor]\r\nPribor=\xca\xc2\xc8\xd0-XXXvX\r\n[Users]\r\nUserCount=1\r\n \r\n' \
            "$port" >"$demo/KVIR-Wpad.ini"
    fi
    cd "$demo"
    # The console speaks Russian; without a regional setting of their own operators get the
    # Russian date and number formats.
    case ${LC_ALL:-${LANG:-C}} in C | C.* | POSIX) export LANG=ru_RU.UTF-8 LC_ALL= ;; esac
    # Not exec: the exit trap stops the simulator once the console is closed.
    if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
        echo "No display: starting the console under Xvfb." >&2
        xvfb-run -a -s "-screen 0 1024x768x24" ../build/console/kvir-console
    else
        ../build/console/kvir-console
    fi
else
    build/cli/kvir-cli --port "$port" identify
fi
