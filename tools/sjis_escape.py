#!/usr/bin/env python3
"""Prints a C++ string literal holding the CP932 bytes of each argument.

Script keywords and messages are Shift-JIS bytes; the sources are UTF-8, so the
constants are written as escapes with the readable text in a comment beside them.
"""
import sys

for text in sys.argv[1:]:
    data = text.encode("cp932")
    body = "".join(chr(b) if 0x20 <= b < 0x7F and chr(b) not in '\\"' else "\\x%02X" % b for b in data)
    # A hex escape swallows following hex digits: split the literal where that would happen.
    out, prev_hex = "", False
    i = 0
    for b in data:
        c = chr(b)
        if 0x20 <= b < 0x7F and c not in '\\"':
            if prev_hex and c in "0123456789abcdefABCDEF":
                out += '" "'
            out += c
            prev_hex = False
        else:
            out += "\\x%02X" % b
            prev_hex = True
    print('"%s"  // %s' % (out, text))
