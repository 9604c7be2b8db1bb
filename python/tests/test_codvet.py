"""The Python module against the program's recorded output for every sample,
and its answers to wrong input."""

import pathlib
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
    assert (problem.offset, problem.identifier, problem.value) == (2, "MsgInvalidSequence", None)
    assert (problem.english, problem.japanese) == ("Invalid Seq.", "あり得ない不正なバイト列です")
    assert problem == (2, "MsgInvalidSequence", "Invalid Seq.", "あり得ない不正なバイト列です", None)
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
    with pytest.raises(IsADirectoryError):
        codvet.validate_file(str(tmp_path), "utf8")
    with pytest.raises(ValueError):
        codvet.validate_file("a\0b", "utf8")
    with pytest.raises(TypeError):
        codvet.validate_file(3.5, "utf8")


def test_other_threads_run_while_validating():
    data = b"\x82\xa0" * (24 << 20)  # 48 MB of hiragana
    span = []

    def work():
        span.append(time.perf_counter())
        result = codvet.validate(data, "shift_jis")
        span.append(time.perf_counter())
        assert result == []

    worker = threading.Thread(target=work)
    worker.start()
    stamps = []
    while worker.is_alive():
        stamps.append(time.perf_counter())
    worker.join()
    # This thread went on while the other was inside validate(): no stretch
    # of half the call passed without a step here.
    inside = [span[0]] + [s for s in stamps if span[0] < s < span[1]] + [span[1]]
    longest = max(b - a for a, b in zip(inside, inside[1:]))
    assert longest < (span[1] - span[0]) / 2
