#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine. Idempotent:
# a machine that already has everything is left alone without touching apt.
set -euo pipefail

packages=(
  cmake make g++ googletest
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick
  locales fonts-wqy-microhei
  clang clang-format libclang-rt-14-dev valgrind xxd
  qemu-user-static
  e2fsprogs
  python3
  libssl-dev
  openssl osslsigncode msitools wixl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  [[ $(id -u) -eq 0 ]] || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails the update ("Mirror sync in progress?"), or leaves
  # one architecture's lists older than the other's so that wine32:i386 cannot be
  # resolved: retry the update, then install with the release's main suite preferred.
  for attempt in 1 2 3; do
    apt-get update && break
    ((attempt < 3)) || echo "setup: apt-get update failed $attempt times; going on with the lists there are" >&2
    sleep $((attempt * 10))
  done
  if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "setup: installing again with the $suite suite preferred" >&2
    apt-get install -y --no-install-recommends -t "$suite" "${missing[@]}"
  fi
fi

# The zh_CN.UTF-8 locale gives Wine the ANSI code page 936.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  [[ $(id -u) -eq 0 ]] || { echo "setup: run as root to generate zh_CN.UTF-8" >&2; exit 1; }
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi

# 32-bit Wine needs the kernel to run i386 programs. Where it cannot (no IA-32
# emulation), qemu's user-mode emulator runs them through binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  [[ $(id -u) -eq 0 ]] || { echo "setup: run as root to register qemu-i386" >&2; exit 1; }
  [[ -e /proc/sys/fs/binfmt_misc/register ]] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] ||
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "setup: cannot run i386 programs" >&2; exit 1; }
fi
