#!/usr/bin/env bash
# Builds soundlib_tests and engine_tests a second time with ThreadSanitizer, in a folder of
# their own, and runs them; any report fails the run. Registered as the ctest test
# thread_sanitizer, so the normal test command (and CI) covers the library's threads.
#
#   run_tsan_tests.sh SOURCE_DIR BUILD_DIR CXX_COMPILER C_COMPILER
#
# The main build's compiler is used (g++ or clang++), through ccache when it is installed.
set -euo pipefail

source_dir=$1
build_dir=$2
cxx=$3
cc=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

flags="-fsanitize=thread"
# g++ warns that it cannot instrument atomic_thread_fence; the sequence locks that use one
# (SpectrumTap, StreamFeed) and the stream's wake-up handshake (StreamFeed) read and write their
# data through atomics, so ThreadSanitizer never needs the fence to see them as race-free.
if "$cxx" --version 2>/dev/null | grep -q 'Free Software Foundation'; then
    flags+=" -Wno-tsan"
fi
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

start=$SECONDS
mkdir -p "$build_dir"
# -O1 -g1 builds in about half the time of -O2 -g and still gives reports with inlined frames
# and line numbers. Test discovery would run each program once more after linking; nothing here
# needs the list.
optimisation="-O1 -g1 -DNDEBUG"
cmake -S "$source_dir" -B "$build_dir" -DSORVEL_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$optimisation" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$optimisation" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
    -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >"$build_dir/configure.log" 2>&1 ||
    { cat "$build_dir/configure.log"; exit 1; }
cmake --build "$build_dir" -j"$jobs" --target soundlib_tests engine_tests
echo "thread_sanitizer: build took $((SECONDS - start)) s"

# The robustness runs are about damaged input and random use, not threads: a small share of
# them still runs here, the rest only in the normal build.
export SORVEL_MUTATION_COUNT=${SORVEL_MUTATION_COUNT:-2}
export SORVEL_MONKEY_STEPS=${SORVEL_MONKEY_STEPS:-300}
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/tsan.supp ${TSAN_OPTIONS:-}"

# One run of a part: program name, shard index, shard count, filter; its output goes to a log.
run_part() {
    local program=$1 shard=$2 shards=$3 filter=$4
    # A bound of its own, so that a hang shows which program hung.
    (cd "$build_dir/$program" && GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$shard \
        exec timeout --kill-after=10 600 "$build_dir/${program}_tests" --gtest_filter="$filter" \
        >"$build_dir/${program}_tests.$shard.log" 2>&1)
}

# soundlib_tests in two halves (gtest shards) beside engine_tests: the sanitizer slows the test
# programs' own arithmetic most, and two cores share three runs evenly this way.
start=$SECONDS
runs=(soundlib:0 soundlib:1 engine:0)
declare -A pids shardsOf filterOf
for run in "${runs[@]}"; do
    program=${run%:*}
    shardsOf[$run]=1
    filterOf[$run]='*'
    if [[ $program == soundlib ]]; then
        shardsOf[$run]=2
        # Every processing unit at every setting, rate and layout: arithmetic on the test's own
        # thread, and four minutes under the sanitizer (more than all the rest together).
        filterOf[$run]='-Stress/UnitStress.*'
    fi
    run_part "$program" "${run#*:}" "${shardsOf[$run]}" "${filterOf[$run]}" &
    pids[$run]=$!
done
failed=0
for run in "${runs[@]}"; do
    program=${run%:*}
    log=$build_dir/${program}_tests.${run#*:}.log
    if ! wait "${pids[$run]}" && ! grep -q 'ThreadSanitizer' "$log"; then
        # Not a sanitizer report: a check that waits a fixed time on the real-time outputs can
        # miss it under the sanitizer's slowdown while both cores are busy. Those checks are the
        # normal build's to make; here the part runs once more on its own.
        echo "thread_sanitizer: ${program}_tests part ${run#*:} failed without a report; its output:"
        cat "$log"
        echo "thread_sanitizer: running it once more alone"
        run_part "$program" "${run#*:}" "${shardsOf[$run]}" "${filterOf[$run]}" && true
    fi
    if grep -q 'ThreadSanitizer' "$log" || ! grep -q '^\[  PASSED  \]' "$log" ||
        grep -q '^\[  FAILED  \]' "$log"; then
        echo "thread_sanitizer: ${program}_tests part ${run#*:} failed; its output:"
        cat "$log"
        failed=1
    else
        echo "thread_sanitizer: ${program}_tests part ${run#*:} passed ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$log" | head -1))"
    fi
done
echo "thread_sanitizer: tests took $((SECONDS - start)) s"
exit $failed
