"""examples/dask/codvet_dask.py on a local cluster of two worker processes
prints what codvet-lint --format json prints for the same tree, with its status.
CODVET_LINT names the built codvet-lint; the codvet module must be importable."""

import glob
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

pytest.importorskip("distributed")

ROOT = pathlib.Path(__file__).resolve().parents[1]
EXAMPLE = ROOT / "examples" / "dask" / "codvet_dask.py"


@pytest.fixture(scope="module")
def tree(tmp_path_factory):
    """The samples, a nested directory of more files than one batch, names
    with a space, Japanese and bytes that are not UTF-8, an empty file, links."""
    root = tmp_path_factory.mktemp("tree")
    shutil.copytree(ROOT / "samples", root / "samples")
    nested = root / "a" / "b c" / "日本"
    nested.mkdir(parents=True)
    for i in range(12):
        (nested / f"{i:02} 語.txt").write_bytes("日本語\n".encode("euc-jp") * i)
    (root / "a" / "empty").write_bytes(b"")
    (root / "ヘッダ.h").write_bytes("ヘッダ\n".encode("shift_jis"))
    (root / os.fsdecode(b'b\xff\x01"\\.txt')).write_bytes(b"\xa4\xa2\x8e")
    (root / "a" / "to dir").symlink_to("b c")  # not followed
    (root / "a" / "To file").symlink_to("../ヘッダ.h")
    (root / ".git").mkdir()
    (root / ".git" / "skipped").write_bytes(b"\x80")
    return root


@pytest.mark.parametrize(
    "args, status",
    [
        (["-e", "utf8", "."], 1),
        (["-e", "JIS", "--strict", "--max-problems", "2", "a", "samples/", "missing"], 2),
        (["-e", "utf16", "samples/utf16*-valid.txt"], 0),
    ],
)
def test_same_lines_and_status_as_codvet_lint(tree, args, status):
    lint_args = [p for a in args for p in (sorted(glob.glob(a, root_dir=tree)) or [a])]
    lint = subprocess.run([os.environ["CODVET_LINT"], "--format", "json", *lint_args],
                          cwd=tree, capture_output=True, timeout=60)
    dask = subprocess.run([sys.executable, EXAMPLE, "--workers", "2", "--batch", "5", *args],
                          cwd=tree, capture_output=True, timeout=120)
    assert (dask.returncode, lint.returncode) == (status, status), dask.stderr
    assert dask.stdout == lint.stdout
    assert (b"missing: No such file" in dask.stderr) == (status == 2)
