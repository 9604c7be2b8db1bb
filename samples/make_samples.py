#!/usr/bin/env python3
"""Writes the sample files: one valid and one invalid file per encoding name.

The valid files are the same short Japanese text converted with Python's
codecs; the invalid ones add a few problems each, described in README.md.
Run from anywhere: python3 samples/make_samples.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

TEXT = (
    "codvet の見本ファイルです。\n"
    "日本語の文と ASCII の文字が混ざっています。\n"
    "全角の「かな」と漢字、記号（○×△）も入っています。\n"
)
KANA = "半角ｶﾀｶﾅもあります。\n"


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    sjis = (TEXT + KANA).encode("shift_jis")
    write("shift_jis-valid.txt", sjis)
    # NEC row 13 (valid only in Windows-31J), DEL, and a lead byte cut off.
    write("shift_jis-invalid.txt", sjis + "①\n".encode("cp932") + b"DEL\x7f\n\x82")

    cp932 = (TEXT + KANA + "丸数字①②と㈱、ローマ数字Ⅲ、IBM拡張の纊。\n").encode("cp932")
    write("windows-31j-valid.txt", cp932)
    # A user-defined character and a byte that is never valid.
    write("windows-31j-invalid.txt", cp932 + b"\xf0\x40 and \x80\n")

    # 0x8F 0xB0 0xA1 is a JIS X 0212 kanji.
    euc = (TEXT + KANA).encode("euc_jp") + "補助漢字".encode("euc_jp") + b"\x8f\xb0\xa1\n"
    write("euc-jp-valid.txt", euc)
    # Row 9 (not a character), a kana byte out of range, and SS3 cut off.
    write("euc-jp-invalid.txt", euc + b"\xa9\xa1 \x8e\xe0\n\x8f")

    jis = TEXT.encode("iso2022_jp")
    write("iso-2022-jp-valid.txt", jis)
    # The 1978 designation with a character, a line break in JIS X 0201 Roman
    # and an unknown escape sequence.
    write("iso-2022-jp-invalid.txt",
          jis + b"\x1b$@\x30\x21\x1b(B\n" + b"\x1b(Jroman\n\x1b(B" + b"\x1b(I\n")

    utf8 = (TEXT + KANA).encode("utf-8")
    write("utf8-valid.txt", utf8)
    # A surrogate, a bad second byte, and a character cut off at the end.
    write("utf8-invalid.txt", utf8 + b"\xed\xa0\x80 \xc3A\n\xe3\x81")

    write("utf16-valid.txt", (TEXT + KANA).encode("utf-16"))  # with a mark
    write("utf16be-valid.txt", (TEXT + KANA).encode("utf-16-be"))
    write("utf16le-valid.txt", (TEXT + KANA).encode("utf-16-le"))
    # A lone trailing surrogate, the unit 0xFFFE, and half a unit at the end.
    write("utf16-invalid.txt", b"\xff\xfe" + TEXT.encode("utf-16-le") + b"\x00\xdc\xfe\xff\x41")


if __name__ == "__main__":
    main()
