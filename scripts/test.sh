#!/usr/bin/env bash
# Installs what is missing, checks that every C++ file matches .clang-format,
# then builds and runs every test: the plain build, the concurrency tests under
# ThreadSanitizer, the AddressSanitizer+UndefinedBehaviorSanitizer build, then
# the Windows cross build (its tests under Wine) and a time-boxed fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

echo "== format =="
scripts/check-format.sh

jobs=$(nproc)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

configure() {  # dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

# Every ctest run gets a time-out: a test that hangs fails instead of stopping
# the whole run (tests that need longer set their own TIMEOUT).
ctest_run() {  # build dir, ctest arguments...
  local dir=$1
  shift
  ctest --test-dir "$dir" --timeout 300 --output-on-failure "$@"
}

echo "== plain build (Release, as users and packagers build it) =="
# Tests and benchmarks on explicitly: run.sh configures the same folder without them.
# No Windows program named yet: its run under Wine comes after the Linux suites.
configure build/release -DCMAKE_BUILD_TYPE=Release -DTESSALY_WERROR=ON -DTESSALY_BUILD_TESTS=ON \
  -DTESSALY_BUILD_BENCH=ON -DTESSALY_WINDOWS_EXE=
cmake --build build/release -j "$jobs"

echo "== ThreadSanitizer build =="
configure build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WERROR=ON -DTESSALY_TSAN=ON -DTESSALY_BUILD_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target test_concurrency

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DTESSALY_WERROR=ON -DTESSALY_ASAN=ON -DTESSALY_BUILD_BENCH=OFF
cmake --build build/asan -j "$jobs"

echo "== tests: ThreadSanitizer (concurrency) =="
ctest_run build/tsan -L concurrency -j "$jobs"
# The desktop end-to-end tests play real-time sound, so they run on their own,
# after the others (one of them loads both cores on purpose). Each suite
# replays the reply parser's fuzz corpus (fuzz_corpus_parse_reply).
run_suite() {  # build dir
  ctest_run "$1" -LE e2e -j "$jobs"
  ctest_run "$1" -L e2e
}
echo "== tests: plain =="
run_suite build/release
echo "== tests: AddressSanitizer + UndefinedBehaviorSanitizer =="
run_suite build/asan

echo "== Windows build (MinGW-w64, tests under Wine) =="
# The WinINet test talks to the Linux tessaly-replay of the plain build.
configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_WERROR=ON -DTESSALY_BUILD_BENCH=OFF \
  -DTESSALY_REPLAY_PATH="$PWD/build/release/tools/replay/tessaly-replay"
cmake --build build/win -j "$jobs"
ctest_run build/win -j "$jobs"
# The plain build's desktop end-to-end run also drives this tessaly.exe under Wine.
configure build/release -DTESSALY_WINDOWS_EXE="$PWD/build/win/tessaly.exe"
ctest_run build/release -L e2e -R wine --no-tests=error

echo "== fuzzing: the server reply parser for a minute (clang, libFuzzer + ASan/UBSan) =="
# New inputs each time, so a finding may have nothing to do with the change
# under test: it is reported and kept, while the corpus replay above decides.
CC=clang CXX=clang++ configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WERROR=ON \
  -DTESSALY_FUZZ=ON \
  -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF
cmake --build build/fuzz -j "$jobs" --target fuzz_parse_reply
if ! ctest_run build/fuzz -L fuzz; then
  echo "!! FUZZING FOUND A FAILING INPUT, kept in build/fuzz/fuzz-crashes/ (not counted as a" \
    "failure of this run): mend the parser, then add the input to fuzz/seeds" >&2
fi
