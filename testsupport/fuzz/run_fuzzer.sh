#!/usr/bin/env bash
# Builds one libFuzzer program with clang++ (libFuzzer + AddressSanitizer + UBSan) and runs it for
# a bounded time over its committed seeds. Exit 77 (skipped) when clang++ or libFuzzer is
# missing. The main build may use g++, which has no libFuzzer, hence the build at test time.
#
#   run_fuzzer.sh NAME OUT_DIR SECONDS SOURCES INCLUDE_DIRS LIBRARIES SEED_DIR MAX_LEN [DICT]
#
# SOURCES, INCLUDE_DIRS and LIBRARIES (files linked as they are, such as Qt) are ':'-separated
# absolute paths; INCLUDE_DIRS and LIBRARIES may be empty. DICT is a libFuzzer dictionary of the
# format's words.
set -euo pipefail

name=$1
out_dir=$2
seconds=$3
IFS=: read -r -a sources <<<"$4"
IFS=: read -r -a include_dirs <<<"$5"
IFS=: read -r -a libraries <<<"$6"
seed_dir=$7
max_len=$8
dictionary=${9:-}

compiler=${SORVEL_FUZZ_CXX:-clang++}
if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "$name skipped: $compiler not found"
    exit 77
fi

include_flags=()
for dir in "${include_dirs[@]}"; do
    # The system folder stays implicit: naming it breaks the C++ library's #include_next.
    if [[ -n $dir && $dir != /usr/include && " ${include_flags[*]} " != *" -I$dir "* ]]; then
        include_flags+=("-I$dir")
    fi
done
link_items=()
for library in "${libraries[@]}"; do
    if [[ -n $library ]]; then
        link_items+=("$library")
    fi
done

mkdir -p "$out_dir/corpus"
fuzzer=$out_dir/$name
# -fPIC because Qt's headers refuse code built for a position-independent executable (-fPIE,
# the compiler's default here).
# shellcheck disable=SC2054 # the commas belong to -fsanitize=
command_line=("$compiler" -std=c++20 -Wall -Wextra -g -O1 -fno-omit-frame-pointer -fPIC
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
    "${include_flags[@]}" "${sources[@]}" "${link_items[@]}" -o "$fuzzer")

# Rebuild when the command changed or a source or header the project owns is newer than the
# program (folders outside the repository, such as Qt's, change only with the system).
rebuild=1
if [[ -x $fuzzer && -f $fuzzer.command && "$(cat "$fuzzer.command")" == "${command_line[*]}" ]]; then
    rebuild=0
    watched=()
    for dir in "${include_dirs[@]}"; do
        if [[ -n $dir && $dir != /usr/* ]]; then
            watched+=("$dir")
        fi
    done
    for source in "${sources[@]}"; do
        watched+=("$(dirname "$source")")
    done
    for dir in "${watched[@]}"; do
        if [[ -n $(find "$dir" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) -newer "$fuzzer" -print -quit) ]]; then
            rebuild=1
            break
        fi
    done
fi
if ((rebuild)); then
    probe=$out_dir/probe.cpp
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe"
    if ! "$compiler" -fsanitize=fuzzer "$probe" -o "$out_dir/probe" >/dev/null 2>&1; then
        echo "$name skipped: $compiler cannot link libFuzzer (-fsanitize=fuzzer)"
        exit 77
    fi
    echo "building $fuzzer"
    rm -f "$fuzzer.command"
    "${command_line[@]}"
    printf '%s' "${command_line[*]}" >"$fuzzer.command"
fi

# A fixed seed by default, so that a finding in a test run can be reproduced; SORVEL_FUZZ_SEED=0
# lets libFuzzer pick one (longer runs by hand).
seed=${SORVEL_FUZZ_SEED:-1}

# libFuzzer's own exit code for a fault is 77, which ctest takes for "skipped", so faults and
# hangs exit with 1 here. Leak checks are off: LeakSanitizer stops with a fatal error where
# ptrace is not allowed (some containers), and every resource here is owned by RAII anyway. The
# scratch folders go below OUT_DIR so that nothing is left in the system's temporary folder.
export TMPDIR=$out_dir
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1} \
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -seed="$seed" -error_exitcode=1 -timeout_exitcode=1 ${dictionary:+-dict="$dictionary"} \
    -artifact_prefix="$out_dir/" "$out_dir/corpus" "$seed_dir"
