#!/usr/bin/env bash
# Checks that a 32-bit program started with tools/wine-env.sh's environment gets
# the kernel's answers from mmap with MAP_FIXED_NOREPLACE, whether qemu emulates
# it (and mmap_noreplace.c is preloaded) or the kernel runs it: builds
# noreplace_probe.c and runs it. Under qemu without the library the probe fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine-env.sh"
tw_qemu_preload
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gcc -m32 -O2 -nostdlib -nostartfiles -fno-pie -no-pie -ffreestanding -Wall -Wextra -Werror \
    -o "$work/noreplace_probe" "$here/noreplace_probe.c" /lib/i386-linux-gnu/libc.so.6 \
    -Wl,--dynamic-linker=/lib/ld-linux.so.2
"$work/noreplace_probe"
echo "check: mmap with MAP_FIXED_NOREPLACE answers as the kernel does${QEMU_LD_PREFIX:+ (under qemu, with $QEMU_LD_PREFIX)}"
