#!/usr/bin/env bash
# Installs what is missing, checks that every C++ file matches .clang-format,
# then builds and runs every test: the plain build, the Windows cross build
# (its tests under Wine), the AddressSanitizer+UndefinedBehaviorSanitizer
# build, and the concurrency tests under ThreadSanitizer.
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

echo "== plain build (Release, as users and packagers build it) =="
# Tests and benchmarks on explicitly: run.sh configures the same folder without them.
configure build/release -DCMAKE_BUILD_TYPE=Release -DTESSALY_WERROR=ON -DTESSALY_BUILD_TESTS=ON \
  -DTESSALY_BUILD_BENCH=ON
cmake --build build/release -j "$jobs"

echo "== Windows build (MinGW-w64, tests under Wine) =="
# The WinINet test talks to the Linux tessaly-replay of the plain build.
configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_WERROR=ON -DTESSALY_BUILD_BENCH=OFF \
  -DTESSALY_REPLAY_PATH="$PWD/build/release/tools/replay/tessaly-replay" \
  -DTESSALY_RENDER_PATH="$PWD/build/release/tools/render/tessaly-render"
cmake --build build/win -j "$jobs"
ctest --test-dir build/win --output-on-failure -j "$jobs"
# The plain build's desktop end-to-end run also drives this tessaly.exe under Wine.
configure build/release -DTESSALY_WINDOWS_EXE="$PWD/build/win/tessaly.exe"

echo "== ThreadSanitizer build =="
configure build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WERROR=ON -DTESSALY_TSAN=ON -DTESSALY_BUILD_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target test_concurrency

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DTESSALY_WERROR=ON -DTESSALY_ASAN=ON -DTESSALY_BUILD_BENCH=OFF
cmake --build build/asan -j "$jobs"

echo "== tests: ThreadSanitizer (concurrency) =="
ctest --test-dir build/tsan -L concurrency --output-on-failure -j "$jobs"
# The desktop end-to-end tests play real-time sound, so they run on their own,
# after the others (one of them loads both cores on purpose).
run_suite() {  # build dir
  ctest --test-dir "$1" -LE e2e --output-on-failure -j "$jobs"
  ctest --test-dir "$1" -L e2e --output-on-failure
}
echo "== tests: plain =="
run_suite build/release
echo "== tests: AddressSanitizer + UndefinedBehaviorSanitizer =="
run_suite build/asan

echo "== fuzzing: the server reply parser for a minute (clang, libFuzzer + ASan/UBSan) =="
CC=clang CXX=clang++ configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_WERROR=ON \
  -DTESSALY_FUZZ=ON \
  -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF
cmake --build build/fuzz -j "$jobs" --target fuzz_parse_reply
ctest --test-dir build/fuzz -L fuzz --output-on-failure
