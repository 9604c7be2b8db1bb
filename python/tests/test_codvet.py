"""The Python module against the program's recorded output for every sample,
and its answers to wrong input."""

import bisect
import itertools
import os
import pathlib
import pickle
import signal
import threading
import time

import pytest

import codvet

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = sorted((ROOT / "samples").glob("*.txt"))


def report_lines(name, problems):
    """The lines the program prints for these problems, as bytes."""
    out = b""
    for p in problems:
        line = f'"{name}" ({p.offset}): {p.english} {p.japanese}'
        if p.value is not None:
            line += f" (0x{p.value:x})"
        out += line.encode("cp932") + b"\n"
    return out


@pytest.mark.parametrize("sample", SAMPLES, ids=lambda s: s.stem)
def test_samples_give_the_programs_lines(sample):
    encoding = sample.stem.rsplit("-", 1)[0]
    expected = (ROOT / "samples" / "expected" / (sample.stem + ".out")).read_bytes()
    name = "samples/" + sample.name
    problems = codvet.validate(sample.read_bytes(), encoding.upper())
    assert report_lines(name, problems) == expected
    assert codvet.validate_file(sample, encoding) == problems
    assert codvet.validate(bytearray(sample.read_bytes()), encoding) == problems
    assert codvet.validate(memoryview(sample.read_bytes()), encoding) == problems


def test_a_problem_without_a_value():
    (problem,) = codvet.validate(b"ok" + b"\x80" * 6, "utf8")
    fields = (problem.offset, problem.identifier, problem.english, problem.japanese, problem.value)
    fields += (problem.line, problem.column)
    expected = (2, "MsgInvalidSequence", "Invalid Seq.", "あり得ない不正なバイト列です", None)
    assert fields == problem == expected + (None, None)
    assert isinstance(problem, codvet.Problem)
    assert codvet.validate(b"", "utf16") == []


@pytest.mark.parametrize("name", ["utf-8", "sjis", "", "utf8\0", "UTF-16"])
def test_unknown_encoding_names(name):
    with pytest.raises(ValueError, match="unknown encoding name"):
        codvet.validate(b"abc", name)
    with pytest.raises(ValueError, match="unknown encoding name"):
        codvet.validate_file(SAMPLES[0], name)


@pytest.mark.parametrize("data", ["text", 42, None, [1, 2]])
def test_data_that_is_not_bytes(data):
    with pytest.raises(TypeError):
        codvet.validate(data, "utf8")


def test_files_that_cannot_be_read(tmp_path):
    with pytest.raises(FileNotFoundError) as error:
        codvet.validate_file(tmp_path / "missing", "utf8")
    assert error.value.filename == tmp_path / "missing"
    with pytest.raises(FileNotFoundError):
        codvet.is_valid_file(tmp_path / "missing", "utf8")
    with pytest.raises(IsADirectoryError):
        codvet.validate_file(str(tmp_path), "utf8")
    with pytest.raises(ValueError):
        codvet.validate_file("a\0b", "utf8")
    with pytest.raises(TypeError):
        codvet.validate_file(3.5, "utf8")


def test_other_threads_run_while_validating():
    data = b"\x82\xa0" * (24 << 20)  # 48 MB of hiragana
    spans = []

    def work():
        for _ in range(6):
            start = time.perf_counter()
            result = codvet.validate(data, "shift_jis")
            spans.append((start, time.perf_counter()))
            assert result == []

    worker = threading.Thread(target=work)
    worker.start()
    stamps = []
    while worker.is_alive():
        stamps.append(time.perf_counter())
    worker.join()
    # This thread went on while the other was inside validate(). Calls that
    # held the GIL would leave no step here inside any of them; a busy
    # machine, or a call over in a few milliseconds, may leave some without.
    inside = sum(bisect.bisect_left(stamps, b) > bisect.bisect_right(stamps, a) for a, b in spans)
    assert inside >= 1


@pytest.mark.parametrize("cut", [slice(None, None, -1), slice(None, None, 2), slice(1, None, 3)])
def test_buffers_that_are_not_one_run_are_refused(cut):
    view = memoryview(bytearray(b"a\x80b\x80c\x80d\x80"))[cut]  # [::-1] read before the buffer
    for call in (codvet.validate, codvet.is_valid):
        with pytest.raises(BufferError):
            call(view, "shift_jis")
    grid = memoryview(b"ab\x80d" * 4).cast("B", (4, 4))  # one run in any shape is fine
    assert [p.offset for p in codvet.validate(grid, "utf8")] == [2, 6, 10, 14]


def test_encoding_names_are_str_and_errors_stay_short():
    with pytest.raises(TypeError, match="str, not bytes"):
        codvet.validate(b"", b"utf8")
    with pytest.raises(ValueError) as error:
        codvet.validate(b"", "x" * 10_000_000)
    assert len(str(error.value)) < 200
    with pytest.raises(ValueError, match="unknown encoding name"):
        codvet.validate(b"", "utf8\udc80")


@pytest.mark.parametrize("limit, kept", [(None, 10), (0, 0), (3, 3), (10, 10), (2**70, 10)])
def test_at_most_max_problems(tmp_path, limit, kept):
    (tmp_path / "f").write_bytes(b"\x80" * 10)
    for problems in (
        codvet.validate(b"\x80" * 10, "shift_jis", max_problems=limit),
        codvet.validate_file(tmp_path / "f", "shift_jis", max_problems=limit),
    ):
        assert [p.offset for p in problems] == list(range(kept))
        assert problems.truncated is (kept < 10)
        again = pickle.loads(pickle.dumps(problems))
        assert again == problems and again.truncated is problems.truncated
    for bad, error in (-1, ValueError), ("3", TypeError):
        with pytest.raises(error):
            codvet.validate(b"", "utf8", max_problems=bad)


def test_is_valid(tmp_path):
    (tmp_path / "f").write_bytes(b"\x82\xa0\x82")
    assert codvet.is_valid(b"\x82\xa0", "shift_jis") is True
    assert codvet.is_valid(b"\x82\xa0\x82", "shift_jis") is False
    assert codvet.is_valid_file(tmp_path / "f", "shift_jis") is False


@pytest.mark.parametrize("writer", [False, True], ids=["no writer", "silent writer"])
def test_a_signal_ends_the_wait_for_a_fifo(tmp_path, writer):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    held = os.open(fifo, os.O_RDWR) if writer else None  # the open returns, the read waits

    def interrupt(*_):
        raise InterruptedError

    rescued = []

    def unblock():  # ends the wait should the signal fail to
        rescued.append(True)
        try:
            os.close(os.open(fifo, os.O_WRONLY | os.O_NONBLOCK))
        except OSError:
            pass
        if held is not None:
            os.close(held)

    previous = signal.signal(signal.SIGALRM, interrupt)
    rescue = threading.Timer(10, unblock)
    rescue.start()
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        with pytest.raises(InterruptedError):
            codvet.validate_file(fifo, "utf8")
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
        rescue.cancel()
        rescue.join()
        if held is not None and not rescued:
            os.close(held)
    assert codvet.validate(b"\x80", "utf8")[0].offset == 0


# (codvet name, Python codec, a bad character whole in itself and taking one
# column, or none for an escape sequence).
LINE_CASES = [
    ("shift_jis", "shift_jis", b"\xff", 1),
    ("windows-31j", "cp932", b"\xff", 1),
    ("euc-jp", "euc_jp", b"\x8e\x20", 1),
    ("iso-2022-jp", "iso2022_jp", b"\x1b(Z", 0),
    ("utf8", "utf-8", b"\xed\xa0\x80", 1),
    ("utf16", "utf-16-le", b"\x00\xdc", 1),
    ("utf16be", "utf-16-be", b"\xdc\x00", 1),
    ("utf16le", "utf-16-le", b"\x00\xdc", 1),
]


@pytest.mark.parametrize("name,codec,bad,width", LINE_CASES, ids=lambda c: str(c))
def test_lines_and_columns_match_pythons_decoding(tmp_path, name, codec, bad, width):
    """Valid text with bad characters planted at random character starts:
    each problem's line and column as Python's decoder counts code points."""
    import random

    rng = random.Random(name)
    words = ["日本語", "テキスト", "abc", "かな漢字", " ", "x = 1;", "\r", "\t", "ー"]
    if name.startswith("utf"):
        words.append("\U0001F600")  # a surrogate pair in UTF-16: one column
    text = "".join(rng.choice(words) + ("\n" if rng.random() < 0.2 else "") for _ in range(30000))
    if name == "utf16":
        text = "\ufeff" + text  # a byte-order mark is a character
    cuts = sorted(rng.sample(range(len(text)), 40))
    data, seen, expected, last = b"", "", [], 0
    for cut in cuts:
        piece = text[last:cut]
        data += piece.encode(codec)
        seen += piece
        start = seen.rfind("\n") + 1
        expected.append((len(data), seen.count("\n") + 1, len(seen) - start + 1))
        data += bad
        seen += "\ufffd" * width
        last = cut
    data += text[last:].encode(codec)
    (tmp_path / "f").write_bytes(data)
    for problems in (
        codvet.validate(data, name, lines=True),
        codvet.validate_file(tmp_path / "f", name, lines=True),
    ):
        assert [(p.offset, p.line, p.column) for p in problems] == expected
    p = problems[0]
    assert pickle.loads(pickle.dumps(p)) == p and p.line is not None


# The edges of every class and range of bytes that RFC 3629 draws.
UTF8_EDGES = bytes([0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                    0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xF8, 0xFC, 0xFF])


@pytest.mark.parametrize("length", [1, 2, 3, 4])
def test_strict_utf8_agrees_with_pythons_decoder(length):
    """Valid exactly when Python decodes it, the first problem where Python's
    first error starts; alone (the step) and amid ASCII across the first
    64-byte block's edge (the block kernel)."""
    for seq in itertools.product(UTF8_EDGES, repeat=length):
        data = bytes(seq)
        try:
            data.decode("utf-8")
            first = None
        except UnicodeDecodeError as error:
            first = error.start
        for head in (0, 62):
            problems = codvet.validate(b"a" * head + data + b"a" * 70, "utf8", strict=True)
            got = problems[0].offset - head if problems else None
            assert got == first, data.hex()


@pytest.mark.parametrize("strict", [False, True])
def test_valid_encodings_are_those_that_validate(tmp_path, strict):
    for data in [b"", b"ab\xc0\x80", "日本語".encode("utf-8") * 400_000,
                 b"a" * 1_500_000 + "日本".encode("euc-jp")]:
        expected = [e for e in codvet.ENCODINGS if codvet.is_valid(data, e, strict=strict)]
        assert codvet.valid_encodings(data, strict=strict) == expected
        (tmp_path / "f").write_bytes(data)
        assert codvet.valid_encodings_file(tmp_path / "f", strict=strict) == expected
    with pytest.raises(OSError):
        codvet.valid_encodings_file(tmp_path / "missing")
