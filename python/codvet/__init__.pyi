import os
from typing import List, Optional, Tuple, Union

ENCODINGS: Tuple[str, ...]

Buffer = Union[bytes, bytearray, memoryview]  # or any C-contiguous buffer
Path = Union[str, bytes, os.PathLike]

class Problem(Tuple[int, str, str, str, Optional[int], Optional[int], Optional[int]]):
    """One problem, as the codvet program reports it: a named tuple."""

    @property
    def offset(self) -> int: ...
    @property
    def identifier(self) -> str: ...  # "MsgInvalidCharacter"
    @property
    def english(self) -> str: ...
    @property
    def japanese(self) -> str: ...
    @property
    def value(self) -> Optional[int]: ...
    @property
    def line(self) -> Optional[int]: ...  # from 1, with lines=True
    @property
    def column(self) -> Optional[int]: ...  # from 1, with lines=True

class ProblemList(List[Problem]):
    """The problems of one input, in input order."""

    truncated: bool  # stopped at max_problems with more to come

def validate(
    data: Buffer,
    encoding: str,
    *,
    max_problems: Optional[int] = None,
    strict: bool = False,
    lines: bool = False,
) -> ProblemList: ...
def validate_file(
    path: Path,
    encoding: str,
    *,
    max_problems: Optional[int] = None,
    strict: bool = False,
    lines: bool = False,
) -> ProblemList: ...
def is_valid(data: Buffer, encoding: str, *, strict: bool = False) -> bool: ...
def is_valid_file(path: Path, encoding: str, *, strict: bool = False) -> bool: ...
def valid_encodings(data: Buffer, *, strict: bool = False) -> List[str]: ...
def valid_encodings_file(path: Path, *, strict: bool = False) -> List[str]: ...
