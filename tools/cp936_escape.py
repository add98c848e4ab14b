#!/usr/bin/env python3
"""Prints a #define of each NAME=TEXT argument with TEXT as code page 936 escaped bytes.

The program's Chinese texts live in res/texts.h as escaped bytes, so that neither
the C++ compiler's nor windres's source character set can change them. Use this to
add a text:  tools/cp936_escape.py TW_TEXT_OK=确定
"""
import sys

for arg in sys.argv[1:]:
    name, text = arg.split("=", 1)
    text = text.replace("\\t", "\t")
    # A hex escape swallows any hex digit that follows; split the literal there.
    out, prev_hex = [], False
    for b in text.encode("gbk"):
        if 0x20 <= b < 0x7F and chr(b) not in '"\\':
            c = chr(b)
            if prev_hex and c in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(c)
            prev_hex = False
        elif b in (0x09, 0x0A):
            out.append("\\t" if b == 0x09 else "\\n")
            prev_hex = False
        else:
            out.append("\\x%02X" % b)
            prev_hex = True
    print("// %s" % text.replace("\t", " "))
    print('#define %s "%s"' % (name, "".join(out)))
