#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: the samples of each encoding
and short inputs at the edges of each validator's byte structure."""
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "..", "samples")

ESC = b"\x1b"
SEEDS = {
    "shift_jis": [b"", b"\x82\xa0A", b"A\x81\nB", b"\x88\x88\x9f", b"\x87\x40\xf0\x40\x7f",
                  b"\xfd@\xa1\xdf", b"ab\x82", bytes(range(256))],
    "euc_jp": [b"\xa4\xa2\xb0\xa1", b"\x8e\xa1\x8e\xe0", b"\x8f\xb0\xa1\x8f\xa2\xae",
               b"\x8f\x8f\xa1\xa1", b"a\x8f\xb0", b"\xa4AB", b"\xfe\xfe\x80\xa1", bytes(range(256))],
    "iso2022_jp": [ESC + b"$B\x30\x21" + ESC + b"(B", ESC + b"(JA\r\n", ESC + b"$@\x30\x21",
                   ESC + b"$(D\x22\x2f", ESC + b"$B\x30" + ESC + b"(B", ESC, b"ab" + ESC + b"$",
                   ESC + b"$B \x00\t\xff\xff"],
    "utf8": [b"\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80", b"\xed\xa0\x80", b"\xfc\x84\x80\x80\x80\x80A",
             b"\x80AB", b"\xc3\xc3\xa9", b"\xf8\x88\x80\x80", b"\xbf\xbf\xbf\xbf\xbf",
             b"\xef\xbb\xbf\xef\xbf\xbe"],
    "utf16": [b"\xfe\xff\x00\x41\xd8\x00\xdc\x00", b"\xff\xfe\x41\x00", b"\x00\xdc",
              b"\xff\xfe\xfe\xff", b"\xd8\x00\xd8\x00\xdc\x00", b"\xfe\xff\xd8\x00\xdc",
              b"\x00\xd8\x41", b"A"],
}
SAMPLE_PREFIXES = {
    "shift_jis": ["shift_jis-", "windows-31j-"],
    "euc_jp": ["euc-jp-"],
    "iso2022_jp": ["iso-2022-jp-"],
    "utf8": ["utf8-"],
    "utf16": ["utf16"],
}


def main():
    for target, seeds in SEEDS.items():
        folder = os.path.join(HERE, "corpus", target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for i, seed in enumerate(seeds):
            with open(os.path.join(folder, "seed-%02d" % i), "wb") as f:
                f.write(seed)
        for name in sorted(os.listdir(SAMPLES)):
            if name.endswith(".txt") and any(name.startswith(p) for p in SAMPLE_PREFIXES[target]):
                shutil.copy(os.path.join(SAMPLES, name), os.path.join(folder, "sample-" + name))


if __name__ == "__main__":
    main()
