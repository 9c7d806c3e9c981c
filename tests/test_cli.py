"""`python -m velmora`: demo and preview, their help, output and exit codes."""

from __future__ import annotations

import io
import json
import subprocess
import sys
from pathlib import Path
from typing import Any
from urllib.parse import unquote

import pytest

from velmora.__main__ import BUILDER, builder_url, main

BAD_HEADER = [{"type": "header", "text": {"type": "mrkdwn", "text": "hi"}}]


def run(
    argv: list[str],
    capsys: pytest.CaptureFixture[str],
    stdin: bytes | None = None,
    monkeypatch: pytest.MonkeyPatch | None = None,
) -> tuple[int, str, str]:
    if stdin is not None:
        assert monkeypatch is not None
        monkeypatch.setattr(sys, "stdin", io.TextIOWrapper(io.BytesIO(stdin)))
    code = main(argv)
    out, err = capsys.readouterr()
    return code, out, err


def test_builder_url() -> None:
    assert builder_url([{"type": "divider"}]) == BUILDER + "%7B%22blocks%22%3A%5B%7B%22type%22%3A%22divider%22%7D%5D%7D"
    blocks = [{"type": "section", "text": {"type": "mrkdwn", "text": "déjà vu & #1 /?"}}]
    link = builder_url({"text": "fallback", "blocks": blocks})
    assert link.startswith("https://app.slack.com/block-kit-builder/#")
    fragment = link.removeprefix(BUILDER)
    assert "#" not in fragment and "&" not in fragment and "?" not in fragment and " " not in fragment
    assert json.loads(unquote(fragment)) == {"blocks": blocks}
    assert builder_url({"text": "only text"}) == builder_url([])
    lone = [{"type": "section", "text": {"type": "mrkdwn", "text": "a\ud800b\U0001f600"}}]  # valid JSON, not UTF-8
    assert json.loads(unquote(builder_url(lone).removeprefix(BUILDER))) == {"blocks": lone}


def test_preview_file_without_problems(tmp_path: Path, capsys: pytest.CaptureFixture[str]) -> None:
    source = tmp_path / "message.json"
    payload = {"text": "hi", "blocks": [{"type": "divider"}]}
    source.write_text(json.dumps(payload))
    assert run(["preview", str(source)], capsys) == (0, builder_url(payload) + "\n", "No problems found.\n")


def test_preview_stdin_with_problems(capsys: pytest.CaptureFixture[str], monkeypatch: pytest.MonkeyPatch) -> None:
    code, out, err = run(["preview", "-"], capsys, json.dumps(BAD_HEADER).encode(), monkeypatch)
    assert code == 1
    assert out == builder_url(BAD_HEADER) + "\n"
    assert err == '/0/text/type: Text here must be "plain_text", not "mrkdwn".\n1 problem found.\n'
    # standard input is the default
    code, _, err = run(["preview"], capsys, b'{"blocks": [], "text": 3}', monkeypatch)
    assert (code, err) == (1, '/text: "text" must be a string, not int.\n1 problem found.\n')


@pytest.mark.parametrize(
    ("data", "message"),
    [
        (
            b"{",
            "standard input is not valid JSON: Expecting property name enclosed in double quotes: line 1 column 2 (char 1)",
        ),
        (b"", "standard input is not valid JSON: Expecting value: line 1 column 1 (char 0)"),
        (b"\xff\xfe\x00", "standard input is not valid JSON: "),
        (b"3", "standard input holds a JSON number, not a list of blocks or a payload object"),
        (b'"blocks"', "standard input holds a JSON string, not a list of blocks or a payload object"),
        (b"null", "standard input holds a JSON null, not a list of blocks or a payload object"),
    ],
)
def test_preview_unusable_input(
    data: bytes, message: str, capsys: pytest.CaptureFixture[str], monkeypatch: pytest.MonkeyPatch
) -> None:
    code, out, err = run(["preview", "-"], capsys, data, monkeypatch)
    assert (code, out) == (2, "")
    assert err.startswith("python -m velmora preview: " + message)


def test_preview_missing_file(tmp_path: Path, capsys: pytest.CaptureFixture[str]) -> None:
    missing = tmp_path / "nope.json"
    code, out, err = run(["preview", str(missing)], capsys)
    assert (code, out, err) == (
        2,
        "",
        f"python -m velmora preview: cannot read {str(missing)!r}: No such file or directory\n",
    )


@pytest.mark.parametrize("argv", [[], ["preview", "a", "b"], ["send"], ["demo", "--loud"]])
def test_bad_usage_exits_2(argv: list[str], capsys: pytest.CaptureFixture[str]) -> None:
    with pytest.raises(SystemExit) as raised:
        main(argv)
    assert raised.value.code == 2
    assert "usage: python -m velmora" in capsys.readouterr().err


@pytest.mark.parametrize(
    ("argv", "expected"),
    [([], "Exit codes: 0 fine"), (["demo"], "Exit code 0"), (["preview"], "Exit codes: 0 no problems")],
)
def test_help(argv: list[str], expected: str, capsys: pytest.CaptureFixture[str]) -> None:
    with pytest.raises(SystemExit) as raised:
        main([*argv, "--help"])
    assert raised.value.code == 0
    assert expected in " ".join(capsys.readouterr().out.split())


def test_demo_prints_every_example(capsys: pytest.CaptureFixture[str]) -> None:
    from velmora._demo import EXAMPLES

    code, out, _ = run(["demo"], capsys)
    assert code == 0
    titles = [line[2:] for line in out.splitlines() if line.startswith("# ")]
    assert titles == list(EXAMPLES)


def python_m(*args: str, stdin: bytes = b"") -> subprocess.CompletedProcess[bytes]:
    return subprocess.run([sys.executable, "-m", "velmora", *args], input=stdin, capture_output=True)


def test_as_a_program() -> None:
    done = python_m("preview", "-", stdin=json.dumps(BAD_HEADER).encode())
    assert done.returncode == 1
    assert done.stdout.decode() == builder_url(BAD_HEADER) + "\n"
    assert python_m("preview", stdin=b"[]").returncode == 0


def test_closed_pipe_ends_quietly(tmp_path: Path) -> None:
    # A link far longer than a pipe holds, so the writer is still writing when the reader leaves.
    source = tmp_path / "big.json"
    image = {"type": "image", "image_url": "https://x.io/" + "x" * 2980 + ".png", "alt_text": "x"}
    source.write_text(json.dumps([image] * 50))
    process = subprocess.Popen(
        [sys.executable, "-m", "velmora", "preview", str(source)], stdout=subprocess.PIPE, stderr=subprocess.PIPE
    )
    assert process.stdout is not None and process.stderr is not None
    assert process.stdout.read(10) == b"https://ap"
    process.stdout.close()
    stderr = process.stderr.read()
    assert process.wait() == 141
    assert stderr == b"No problems found.\n"


def demo_blocks() -> Any:
    from velmora._demo import EXAMPLES

    return [build() for build in EXAMPLES.values()]


@pytest.mark.parametrize("blocks", demo_blocks())
def test_demo_messages_pass_validation(blocks: Any) -> None:
    from velmora import validate

    assert validate(blocks) == []


def test_readme_examples_of_sending_and_validation() -> None:
    import doctest

    readme = (Path(__file__).parents[1] / "README.md").read_text()
    part = readme[readme.index("## Sending") : readme.index("### Preview")]
    part = "\n".join("" if line.startswith("```") else line for line in part.splitlines())
    test = doctest.DocTestParser().get_doctest(part, {}, "README", "README.md", 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    assert runner.failures == 0 and runner.tries >= 8


@pytest.mark.parametrize("needs_browser", [False, True])
def test_preview_writes_a_page_and_a_picture(
    needs_browser: bool, tmp_path: Path, capsys: pytest.CaptureFixture[str], monkeypatch: pytest.MonkeyPatch
) -> None:
    from support import usable_browser
    from velmora.preview import render_html

    if needs_browser:
        usable_browser(monkeypatch)
    page, picture = tmp_path / "message.html", tmp_path / "message.png"
    argv = ["preview", "-", "--html", str(page)] + (["--png", str(picture)] if needs_browser else [])
    code, out, err = run(argv, capsys, json.dumps(BAD_HEADER).encode(), monkeypatch)
    assert (code, out) == (1, builder_url(BAD_HEADER) + "\n")  # the same exit code and link as without them
    assert err == '/0/text/type: Text here must be "plain_text", not "mrkdwn".\n1 problem found.\n'
    assert page.read_text(encoding="utf-8") == render_html(BAD_HEADER)
    assert picture.exists() is needs_browser
    if needs_browser:
        assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


@pytest.mark.parametrize(
    ("flag", "env", "message"),
    [
        ("--html", {}, "cannot write '{missing}': No such file or directory"),
        (
            "--png",
            {"PATH": ""},
            "no Chromium or Chrome found (VELMORA_BROWSER is not set; none of chromium, chromium-browser, "
            "google-chrome is on PATH): install Chromium or Chrome",
        ),
    ],
)
def test_preview_cannot_write(
    flag: str,
    env: dict[str, str],
    message: str,
    tmp_path: Path,
    capsys: pytest.CaptureFixture[str],
    monkeypatch: pytest.MonkeyPatch,
) -> None:
    monkeypatch.delenv("VELMORA_BROWSER", raising=False)
    for name, value in env.items():
        monkeypatch.setenv(name, value)
    missing = str(tmp_path / "no" / "such.out")
    code, out, err = run(["preview", "-", flag, missing], capsys, b"[]", monkeypatch)
    assert (code, out) == (2, "")
    assert err.startswith("No problems found.\npython -m velmora preview: " + message.format(missing=missing))
