"""Tells whether bytes are well formed in one of the eight Japanese text
encodings the codvet program knows, and lists every problem with its byte
offset, as the program reports it."""

from ._codvet import (
    ENCODINGS,
    Problem,
    ProblemList,
    is_valid,
    is_valid_file,
    valid_encodings,
    valid_encodings_file,
    validate,
    validate_file,
)

__all__ = [
    "ENCODINGS",
    "Problem",
    "ProblemList",
    "is_valid",
    "is_valid_file",
    "valid_encodings",
    "valid_encodings_file",
    "validate",
    "validate_file",
]
