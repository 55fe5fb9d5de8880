#!/usr/bin/env bash
# Builds the tag parsers' fuzzer with clang++ (libFuzzer + AddressSanitizer + UBSan) and runs it
# for a bounded time. Exit 77 (skipped) when clang++ or libFuzzer is missing.
#
#   run_fuzz.sh OUT_DIR SECONDS SOURCES EXTRA_SOURCES EXTRA_SOURCE_DIR INCLUDE_DIRS
#
# SOURCES, EXTRA_SOURCES and INCLUDE_DIRS are ':'-separated; relative EXTRA_SOURCES are taken
# from EXTRA_SOURCE_DIR (the text-encoding library's folder).
set -euo pipefail

out_dir=$1
seconds=$2
IFS=: read -r -a sources <<<"$3"
IFS=: read -r -a extra_sources <<<"$4"
extra_source_dir=$5
IFS=: read -r -a include_dirs <<<"$6"

compiler=${SORVEL_FUZZ_CXX:-clang++}
if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "tags fuzzer skipped: $compiler not found"
    exit 77
fi

for source in "${extra_sources[@]}"; do
    [[ $source == *.cpp || $source == *.cc || $source == *.c ]] || continue # headers listed too
    [[ $source == /* ]] || source=$extra_source_dir/$source
    sources+=("$source")
done
include_flags=()
for dir in "${include_dirs[@]}"; do
    include_flags+=("-I$dir")
done

mkdir -p "$out_dir/corpus" "$out_dir/seeds"
fuzzer=$out_dir/tags_fuzzer

# Rebuild only when a source or header changed since the last build.
rebuild=1
if [[ -x $fuzzer ]]; then
    rebuild=0
    watched=("${include_dirs[@]}")
    for source in "${sources[@]}"; do
        watched+=("$(dirname "$source")")
    done
    for dir in "${watched[@]}"; do
        if [[ -n $(find "$dir" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) -newer "$fuzzer" -print -quit) ]]; then
            rebuild=1
        fi
    done
fi
if ((rebuild)); then
    probe=$out_dir/probe.cpp
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe"
    if ! "$compiler" -fsanitize=fuzzer "$probe" -o "$out_dir/probe" >/dev/null 2>&1; then
        echo "tags fuzzer skipped: $compiler cannot link libFuzzer (-fsanitize=fuzzer)"
        exit 77
    fi
    echo "building $fuzzer"
    "$compiler" -std=c++20 -g -O1 -fno-omit-frame-pointer \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        "${include_flags[@]}" "${sources[@]}" -o "$fuzzer"
fi

# Seeds: an ID3v2.4 header with a footer in front of an MPEG-1 layer III frame with a Xing
# header, and a file ending in an ID3v1.1 tag.
{
    printf 'ID3\x04\x00\x10\x00\x00\x00\x05abcde'
    printf '\xff\xfb\x90\x44'
    head -c 32 /dev/zero
    printf 'Xing\x00\x00\x00\x03\x00\x00\x27\x10\x00\x3e\x8f\xa0'
    head -c 100 /dev/zero
} >"$out_dir/seeds/id3v2_xing"
{
    printf '\xff\xf3\x44\xc4'
    head -c 40 /dev/zero
    printf 'TAG'
    head -c 122 /dev/zero | tr '\0' 'a'
    printf '\x00\x07\x11'
} >"$out_dir/seeds/id3v1"

# Leak checks are off: LeakSanitizer stops with a fatal error where ptrace is not allowed
# (some containers), and every resource here is owned by RAII anyway.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} \
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$out_dir/" "$out_dir/corpus" "$out_dir/seeds"
