import os
from typing import List, Optional, Tuple, Union

ENCODINGS: Tuple[str, ...]

class Problem(Tuple[int, str, str, str, Optional[int]]):
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

def validate(data: Union[bytes, bytearray, memoryview], encoding: str) -> List[Problem]: ...
def validate_file(path: Union[str, bytes, os.PathLike], encoding: str) -> List[Problem]: ...
