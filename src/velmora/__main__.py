"""Command line: ``python -m velmora demo`` and ``python -m velmora preview [FILE or -]``.

``preview --html OUT`` and ``--png OUT`` also write the message as a page or a picture
(velmora.preview).

Exit codes, the same for every command:
  0  done; for ``preview``, no problems found
  1  ``preview`` found problems with Slack's limits (the link is printed, and the page and
     picture written, all the same)
  2  bad usage, input that cannot be read or is not JSON blocks or a payload, or a page or
     picture that cannot be written
  141  standard output was closed early (``... | head``); nothing more is printed
"""

from __future__ import annotations

import argparse
import json
import os
import re
import sys
from typing import Any
from urllib.parse import quote

BUILDER = "https://app.slack.com/block-kit-builder/#"
LONE_SURROGATE = re.compile("[\ud800-\udfff]")

OK, PROBLEMS, BAD_INPUT, BROKEN_PIPE = 0, 1, 2, 141


class BadInput(Exception):
    """Input that preview cannot use; the message says why."""


class CannotWrite(Exception):
    """A page or picture that preview cannot write; the message says why."""


def builder_url(blocks: list[Any] | dict[str, Any]) -> str:
    """A Block Kit Builder link showing `blocks` (a list of blocks, or a payload's blocks).

    The JSON ``{"blocks": [...]}`` goes URL-encoded in the fragment: servers refuse long
    query strings, and a fragment never leaves the browser.
    """
    if isinstance(blocks, dict):
        blocks = blocks.get("blocks") or []
    text = json.dumps({"blocks": blocks}, ensure_ascii=False, separators=(",", ":"))
    # JSON may carry lone surrogates ("\\ud800"), which UTF-8 cannot encode: keep them escaped.
    text = LONE_SURROGATE.sub(lambda found: f"\\u{ord(found[0]):04x}", text)
    return BUILDER + quote(text, safe="")


def demo(args: argparse.Namespace) -> int:
    from velmora._demo import EXAMPLES

    for name, build in EXAMPLES.items():
        print(f"# {name}")
        print(json.dumps(build(), indent=2, ensure_ascii=False))
    return OK


def read_json(source: str) -> Any:
    name = "standard input" if source == "-" else repr(source)
    try:
        if source == "-":
            data = sys.stdin.buffer.read()
        else:
            with open(source, "rb") as f:
                data = f.read()
    except OSError as error:
        raise BadInput(f"cannot read {name}: {error.strerror or error}") from None
    try:
        value = json.loads(data)
    except (ValueError, UnicodeDecodeError) as error:
        raise BadInput(f"{name} is not valid JSON: {error}") from None
    if not isinstance(value, (list, dict)):
        kind = {bool: "boolean", int: "number", float: "number", str: "string"}.get(type(value), "null")
        raise BadInput(f"{name} holds a JSON {kind}, not a list of blocks or a payload object")
    return value


def preview(args: argparse.Namespace) -> int:
    from velmora._validate import validate

    try:
        value = read_json(args.file)
    except BadInput as error:
        print(f"python -m velmora preview: {error}", file=sys.stderr)
        return BAD_INPUT
    problems = validate(value)
    for problem in problems:
        print(f"{problem['path'] or '/'}: {problem['message']}", file=sys.stderr)
    count = len(problems)
    summary = f"{count} problem{'' if count == 1 else 's'} found." if count else "No problems found."
    print(summary, file=sys.stderr)
    try:
        write_previews(value, args.html, args.png)
    except CannotWrite as error:
        print(f"python -m velmora preview: {error}", file=sys.stderr)
        return BAD_INPUT
    print(builder_url(value))
    return PROBLEMS if problems else OK


def write_previews(value: Any, html_path: str | None, png_path: str | None) -> None:
    """Write the page (--html) and the picture (--png) of `value`; CannotWrite says why not."""
    if html_path is None and png_path is None:
        return
    from velmora.preview import BrowserError, render_html, screenshot

    path = html_path
    try:
        if html_path is not None:
            with open(html_path, "w", encoding="utf-8") as f:
                f.write(render_html(value))
        path = png_path
        if png_path is not None:
            screenshot(value, png_path)
    except OSError as error:
        raise CannotWrite(f"cannot write {path!r}: {error.strerror or error}") from None
    except (BrowserError, ImportError) as error:
        raise CannotWrite(str(error)) from None


def parser() -> argparse.ArgumentParser:
    main_parser = argparse.ArgumentParser(
        prog="python -m velmora",
        description="velmora's command line: compose, check and preview Slack Block Kit messages.",
        epilog="Exit codes: 0 fine, 1 problems found by preview, 2 bad usage or unreadable input, 141 output closed early.",
    )
    commands = main_parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    demo_parser = commands.add_parser(
        "demo",
        help="print one message of each kind as Block Kit JSON",
        description="Print one message of each kind as Block Kit JSON. Exit code 0.",
    )
    demo_parser.set_defaults(run=demo)
    preview_parser = commands.add_parser(
        "preview",
        help="check blocks against Slack's limits, print a Block Kit Builder link, draw them offline",
        description=(
            'Read a JSON list of blocks, or a payload {"text": ..., "blocks": [...]}, from FILE or '
            "standard input; print each problem with Slack's limits (JSON pointer and sentence) on "
            "standard error and a Block Kit Builder link on standard output. With --html or --png, "
            "also write the message as Slack shows it, with its problems, as a page or a picture."
        ),
        epilog=(
            "Exit codes: 0 no problems, 1 problems found, 2 bad usage, input that is not JSON blocks, "
            "or a page or picture that cannot be written."
        ),
    )
    preview_parser.add_argument(
        "file", nargs="?", default="-", metavar="FILE", help="a JSON file, or - for standard input (the default)"
    )
    preview_parser.add_argument(
        "--html", metavar="OUT", help="write a self-contained HTML page of the message to the file OUT"
    )
    preview_parser.add_argument(
        "--png",
        metavar="OUT",
        help="write a PNG picture of that page to the file OUT (needs Chromium or Chrome, or VELMORA_BROWSER)",
    )
    preview_parser.set_defaults(run=preview)
    return main_parser


def main(argv: list[str] | None = None) -> int:
    args = parser().parse_args(argv)
    try:
        code: int = args.run(args)
        sys.stdout.flush()
    except BrokenPipeError:
        # The reader went away (`| head`): stop quietly, and keep the interpreter's final
        # flush from failing again on the closed pipe.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return BROKEN_PIPE
    return code


if __name__ == "__main__":
    sys.exit(main())
