#!/usr/bin/env python3
"""Rewrites a UTF-8 C++ source so that its string literals hold Shift_JIS.

usage: shift_jis_literals.py SOURCE OUTPUT

The programs show and write their Japanese texts as code page 932 bytes. The
sources keep those texts readable in UTF-8; this step turns every non-ASCII
character inside an ordinary string literal into the \\xNN escapes of its
code page 932 bytes, so that any compiler makes the same bytes without an
execution character set option. Everything else (code, comments, ASCII text
and escapes already written) is copied unchanged, and a #line directive keeps
the compiler's messages pointing at the source.

A non-ASCII character where the step cannot give it one meaning (a character
literal, a raw or prefixed string literal, code outside any literal) stops
the build instead of being copied.
"""

import os
import sys

HEX_DIGITS = "0123456789abcdefABCDEF"


class SourceError(Exception):
    pass


def escape_char(ch):
    try:
        data = ch.encode("cp932")
    except UnicodeEncodeError:
        raise SourceError("U+%04X has no code page 932 form" % ord(ch))
    return "".join("\\x%02X" % b for b in data)


def literal_prefix(text, quote):
    """The encoding prefix or raw marker right before the quote at `quote`."""
    start = quote
    while start > 0 and (text[start - 1].isalnum() or text[start - 1] == "_"):
        start -= 1
    return text[start:quote]


def convert(text):
    out = []
    i = 0
    n = len(text)
    line = 1

    def fail(message):
        raise SourceError("line %d: %s" % (line, message))

    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            out.append(c)
            i += 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            out.append(text[i:end])
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            line += text.count("\n", i, end)
            out.append(text[i:end])
            i = end
        elif c == '"':
            prefix = literal_prefix(text, i)
            if prefix.endswith("R"):
                # A raw literal runs to )delimiter" and has no escapes.
                open_paren = text.find("(", i)
                delimiter = text[i + 1 : open_paren]
                end = text.find(")" + delimiter + '"', open_paren) + len(delimiter) + 2
                body = text[i:end]
                if any(ord(ch) > 0x7F for ch in body):
                    fail("non-ASCII text in a raw string literal")
                line += body.count("\n")
                out.append(body)
                i = end
                continue
            out.append(c)
            i += 1
            while i < n and text[i] != '"':
                ch = text[i]
                if ch == "\n":
                    fail("unterminated string literal")
                if ch == "\\":
                    out.append(text[i : i + 2])
                    i += 2
                elif ord(ch) > 0x7F:
                    if prefix:
                        fail("non-ASCII text in a %s string literal" % prefix)
                    out.append(escape_char(ch))
                    i += 1
                    # A hex escape takes every hex digit that follows it: end
                    # the literal there and let concatenation join the rest.
                    if i < n and text[i] in HEX_DIGITS:
                        out.append('""')
                else:
                    out.append(ch)
                    i += 1
            if i >= n:
                fail("unterminated string literal")
            out.append('"')
            i += 1
        elif c == "'" and not (i > 0 and text[i - 1].isalnum()):
            # A character literal (a quote after a digit separates digits).
            end = i + 1
            while end < n and text[end] != "'":
                end += 2 if text[end] == "\\" else 1
            body = text[i : end + 1]
            if any(ord(ch) > 0x7F for ch in body):
                fail("non-ASCII text in a character literal")
            out.append(body)
            i = end + 1
        else:
            if ord(c) > 0x7F:
                fail("non-ASCII text outside a literal or comment")
            out.append(c)
            i += 1
    return "".join(out)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: shift_jis_literals.py SOURCE OUTPUT\n")
        return 2
    source, output = argv[1], argv[2]
    with open(source, encoding="utf-8", newline="") as f:
        text = f.read()
    try:
        converted = convert(text)
    except SourceError as e:
        sys.stderr.write("%s:%s\n" % (source, e))
        return 1
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    header = '#line 1 "%s"\n' % source.replace("\\", "/")
    with open(output, "w", encoding="utf-8", newline="") as f:
        f.write(header + converted)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
