#!/usr/bin/env python3
"""Checks of the shipped PE file, read from its headers.

  pe_check.py tsaware EXE              the optional header's DllCharacteristics
                                       has IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE
  pe_check.py signed-only UNSIGNED SIGNED
                                       the signed file is the unsigned image with only
                                       the checksum and the security directory changed
                                       and the signature appended after it
"""
import struct
import sys

TERMINAL_SERVER_AWARE = 0x8000
SECURITY_DIRECTORY = 4


def headers(data):
    """Offsets of the checksum, DllCharacteristics and the security directory entry."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    return optional + 64, optional + 70, directories + 8 * SECURITY_DIRECTORY


def tsaware(path):
    data = open(path, "rb").read()
    _, characteristics, _ = headers(data)
    (value,) = struct.unpack_from("<H", data, characteristics)
    print(f"{path}: DllCharacteristics 0x{value:04x}")
    return bool(value & TERMINAL_SERVER_AWARE)


def signed_only(unsigned_path, signed_path):
    unsigned = open(unsigned_path, "rb").read()
    signed = open(signed_path, "rb").read()
    checksum, _, security = headers(unsigned)
    changed = set(range(checksum, checksum + 4)) | set(range(security, security + 8))
    differing = [i for i in range(len(unsigned)) if i not in changed and unsigned[i] != signed[i]]
    offset, size = struct.unpack_from("<II", signed, security)
    print(f"{signed_path}: {len(unsigned)} bytes of image, signature {size} bytes at {offset}, "
          f"{len(differing)} other bytes changed")
    return not differing and len(unsigned) <= offset and offset + size == len(signed) and size > 0


if __name__ == "__main__":
    command, *paths = sys.argv[1:]
    sys.exit(0 if {"tsaware": tsaware, "signed-only": signed_only}[command](*paths) else 1)
