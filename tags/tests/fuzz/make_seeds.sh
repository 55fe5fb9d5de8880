#!/usr/bin/env bash
# Writes the tag fuzzer's seeds into seeds/: an ID3v2.4 header with a footer in front of an
# MPEG-1 layer III frame with a Xing header, and a file ending in an ID3v1.1 tag.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
mkdir -p seeds
{
    printf 'ID3\x04\x00\x10\x00\x00\x00\x05abcde'
    printf '\xff\xfb\x90\x44'
    head -c 32 /dev/zero
    printf 'Xing\x00\x00\x00\x03\x00\x00\x27\x10\x00\x3e\x8f\xa0'
    head -c 100 /dev/zero
} >seeds/id3v2_xing
{
    printf '\xff\xf3\x44\xc4'
    head -c 40 /dev/zero
    printf 'TAG'
    head -c 122 /dev/zero | tr '\0' 'a'
    printf '\x00\x07\x11'
} >seeds/id3v1
