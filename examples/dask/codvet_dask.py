#!/usr/bin/env python3
"""Checks many files in one encoding on a Dask cluster with codvet's Python
module and prints every problem as JSON Lines, the very bytes that
`codvet-lint -e ENCODING --format json PATH...` prints for the same files.

    python3 codvet_dask.py -e ENCODING [--scheduler ADDRESS | --workers N]
                           [--batch N] [--strict] [--max-problems N] PATH...

A PATH is a file, a directory (walked as codvet-lint walks it) or a glob.
Each task checks a batch of files; the results come back in the order of the
paths. Exit status: 0 all valid, 1 a problem found, 2 a usage error or an
unreadable input (named on standard error).

The workers need the codvet module. run() sends check_batch() to them by
value, so they do not need this file.
"""

import argparse
import glob
import logging
import os
import sys

import codvet

# codvet-lint's other names for the encodings.
ALIASES = {
    "utf-8": "utf8",
    "shift-jis": "shift_jis",
    "sjis": "shift_jis",
    "cp932": "windows-31j",
    "ms932": "windows-31j",
    "eucjp": "euc-jp",
    "iso2022jp": "iso-2022-jp",
    "jis": "iso-2022-jp",
    "utf-16": "utf16",
    "utf-16le": "utf16le",
    "utf-16be": "utf16be",
}

SKIPPED_DIRECTORIES = {b".git", b".hg", b".svn"}


def check_batch(paths, encoding, strict=False, max_problems=None):
    """Runs on a worker: for each path (bytes), (problems, None) with each
    problem a plain tuple (offset, identifier, english, japanese, value, line,
    column), or (None, reason) when the file cannot be read."""
    results = []
    for path in paths:
        try:
            problems = codvet.validate_file(
                path, encoding, strict=strict, max_problems=max_problems, lines=True
            )
        except OSError as error:
            results.append((None, error.strerror or str(error)))
        else:
            results.append(([tuple(problem) for problem in problems], None))
    return results


def walk(directory, items):
    """Appends (path, None) for the files below `directory` (bytes) in byte
    order of their names, or (directory, reason) when it cannot be listed.
    Skips version control directories, pipes and devices; follows links to
    files, not to directories."""
    try:
        with os.scandir(directory) as listing:
            entries = sorted(listing, key=lambda entry: entry.name)
    except OSError as error:
        items.append((directory, error.strerror))
        return
    prefix = directory if directory.endswith(b"/") else directory + b"/"
    for entry in entries:
        path = prefix + entry.name
        try:
            if entry.is_symlink():
                if os.path.isfile(path):
                    items.append((path, None))
            elif entry.is_dir():
                if entry.name not in SKIPPED_DIRECTORIES:
                    walk(path, items)
            elif entry.is_file():
                items.append((path, None))
        except OSError:
            pass  # gone since the listing: nothing to check


def list_inputs(arguments):
    """The inputs as (path, None), or (path, reason) for a directory that
    cannot be listed: a glob that matches gives its matches in byte order
    (a glob that does not is taken as a name, as the shell does)."""
    items = []
    for argument in map(os.fsencode, arguments):
        magic = any(c in argument for c in b"*?[")
        matches = sorted(glob.glob(argument, recursive=True)) if magic else []
        for path in matches or [argument]:
            if os.path.isdir(path):
                walk(path, items)
            else:
                items.append((path, None))
    return items


# JSON string escapes as codvet-lint writes them: the bytes of a name that
# are not UTF-8 (read as surrogates by "surrogateescape") become \udcXX.
_ESCAPES = {ord('"'): '\\"', ord("\\"): "\\\\"}
_ESCAPES.update({c: "\\u%04x" % c for c in range(0x20)})
_ESCAPES.update({c: "\\u%04x" % c for c in range(0xDC80, 0xDD00)})


def json_string(text):
    if isinstance(text, bytes):
        text = text.decode("utf-8", "surrogateescape")
    return '"' + text.translate(_ESCAPES) + '"'


def json_line(path, problem):
    offset, identifier, english, japanese, value, line, column = problem
    value = "null" if value is None else f'"0x{value:x}"'
    return (
        f'{{"path":{json_string(path)},"offset":{offset},"line":{line},"column":{column},'
        f'"identifier":"{identifier}","english":{json_string(english)},'
        f'"japanese":{json_string(japanese)},"value":{value}}}\n'
    )


def checked(client, paths, batch, **options):
    """(problems, reason) for each path, in order, from tasks of `batch` files."""
    batches = [paths[i : i + batch] for i in range(0, len(paths), batch)]
    futures = client.map(check_batch, batches, pure=False, **options)
    for future in futures:
        yield from future.result()
        future.release()  # the cluster may forget it


def run(client, encoding, arguments, batch=100, strict=False, max_problems=None, out=None,
        err=None):
    """Checks the files on `client`'s cluster, writes the JSON Lines to `out`
    and the unreadable inputs to `err` (binary streams, by default standard
    output and error); returns the exit status."""
    out = out or sys.stdout.buffer
    err = err or sys.stderr.buffer
    if __name__ != "__main__":  # run as a script, it goes by value anyway
        import cloudpickle

        # Sent by value, check_batch needs no copy of this file on the workers.
        cloudpickle.register_pickle_by_value(sys.modules[__name__])
    items = list_inputs(arguments)
    results = checked(client, [path for path, reason in items if reason is None], batch,
                      encoding=encoding, strict=strict, max_problems=max_problems)
    invalid = unreadable = problem_count = 0
    for path, reason in items:
        problems = None
        if reason is None:
            problems, reason = next(results)
        if problems is None:
            unreadable += 1
            err.write(b"codvet_dask: %s: %s\n" % (path, reason.encode()))
            continue
        invalid += bool(problems)
        problem_count += len(problems)
        out.write("".join(json_line(path, problem) for problem in problems).encode())
    out.flush()
    err.write(b"codvet_dask: %d files checked, %d invalid, %d unreadable, %d problems\n"
              % (len(items) - unreadable, invalid, unreadable, problem_count))
    return 2 if unreadable else 1 if invalid else 0


def positive(text):
    if not text.isdigit() or int(text) == 0:
        raise argparse.ArgumentTypeError(f"needs a positive number, not '{text}'")
    return int(text)


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Checks files in one encoding on a Dask cluster; prints JSON Lines.")
    parser.add_argument("-e", "--encoding", required=True, help="the encoding the files must be in")
    parser.add_argument("paths", nargs="+", metavar="PATH", help="file, directory or glob")
    cluster = parser.add_mutually_exclusive_group()
    cluster.add_argument("--scheduler", metavar="ADDRESS",
                         help="a running cluster's scheduler (default: a local cluster)")
    cluster.add_argument("--workers", type=positive, metavar="N",
                         help="worker processes of the local cluster (default: the processors)")
    parser.add_argument("--batch", type=positive, default=100, metavar="N", help="files per task")
    parser.add_argument("--strict", action="store_true", help="also the strict rules")
    parser.add_argument("--max-problems", type=positive, metavar="N",
                        help="at most N problems a file")
    args = parser.parse_args(argv)
    encoding = ALIASES.get(args.encoding.lower(), args.encoding.lower())
    if encoding not in codvet.ENCODINGS:
        parser.error(f"unknown encoding '{args.encoding}' (known: {', '.join(codvet.ENCODINGS)})")
    if "-" in args.paths:
        parser.error("standard input is not read here: name files")

    from dask.distributed import Client, LocalCluster

    # Warnings and errors only: Dask tells of every worker that starts and stops.
    logging.getLogger("distributed").setLevel(logging.WARNING)
    options = dict(batch=args.batch, strict=args.strict, max_problems=args.max_problems)
    try:
        if args.scheduler:
            with Client(args.scheduler) as client:
                return run(client, encoding, args.paths, **options)
        with LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                          dashboard_address=None, silence_logs=logging.WARNING) as local, \
                Client(local) as client:
            return run(client, encoding, args.paths, **options)
    except BrokenPipeError:  # as codvet-lint: a reader that stops early is an error
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        print("codvet_dask: standard output: broken pipe", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
