#!/usr/bin/env bash
# Installs the dependencies, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, fuzzes the reply and backup decoders for a
# bounded time, then builds the Debian package, installs it, checks it and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVIR_SANITIZE=ON
cmake --build build-test -j "$jobs"
# A print service with a PDF queue for the printing tests.
tools/start-cups.sh || echo "test: no print service; the test that prints through it will be skipped" >&2
# A PostgreSQL server for the archive's tests (unless one is named already).
if [[ -z ${KVIR_TEST_POSTGRES:-} ]]; then
    if KVIR_TEST_POSTGRES=$(tools/start-postgres.sh); then
        export KVIR_TEST_POSTGRES
        trap 'tools/start-postgres.sh stop || true' EXIT
    else
        unset KVIR_TEST_POSTGRES
        echo "test: no PostgreSQL server; the archive's server tests will be skipped" >&2
    fi
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j "$jobs"

# The session's worker thread and the link under ThreadSanitizer (a small build of their own;
# the seeded walk, which runs on one thread, is left to the build above).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVIR_TSAN=ON
cmake --build build-tsan -j "$jobs"
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -E '^session_test$'

# The reply decoder under libFuzzer (clang); any crash fails the run.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVIR_FUZZ=ON
cmake --build build-fuzz -j "$jobs"
corpus=$(mktemp -d)
cp tests/fuzz/corpus/* "$corpus"/
build-fuzz/tests/fuzz/reply_decoder_fuzz -max_total_time="${KVIR_FUZZ_SECONDS:-60}" \
    -max_len=1300 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
rm -rf "$corpus"
echo "fuzz: reply decoder ran without a crash"
# The backup decoder, seeded with backups of both models and formats; any crash, sanitizer
# report or notebook that does not survive a save and a load fails the run.
corpus=$(mktemp -d)
cp tests/fuzz/backup-corpus/* "$corpus"/
build-fuzz/tests/fuzz/backup_decoder_fuzz -max_total_time="${KVIR_BACKUP_FUZZ_SECONDS:-30}" \
    -max_len=8192 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
rm -rf "$corpus"
echo "fuzz: backup decoder ran without a crash"

# The Debian package in a release build of its own (build-pkg), installed with apt, checked
# from /usr/bin and the menu's point of view, validated, purged.
tools/package-check.sh build-pkg
