#!/usr/bin/env python3
"""Writes a deterministic stand-in for the plug-in module when the real one is
not given to the build: exactly 15,434,240 bytes, starting like a PE image and
filled with a hash-derived stream so that any lost, reordered or truncated
range is noticed when a test compares it with the original."""
import hashlib
import sys

SIZE = 15_434_240


def main() -> None:
    out = sys.argv[1]
    header = b"MZ" + b"\0" * 62
    chunks = [header]
    produced = len(header)
    counter = 0
    while produced < SIZE:
        block = hashlib.sha256(b"quendal-placeholder-%d" % counter).digest()
        chunks.append(block)
        produced += len(block)
        counter += 1
    data = b"".join(chunks)[:SIZE]
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
