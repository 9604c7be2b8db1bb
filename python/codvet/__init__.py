"""Tells whether bytes are well formed in one of the eight Japanese text
encodings the codvet program knows, and lists every problem with its byte
offset, as the program reports it."""

from ._codvet import ENCODINGS, Problem, validate, validate_file

__all__ = ["ENCODINGS", "Problem", "validate", "validate_file"]
