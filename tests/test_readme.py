"""The README is the newcomer's tour: it opens with the two commands, and every example in it runs."""

from __future__ import annotations

import doctest
import re
import sys
from pathlib import Path

import velmora.messages

README = (Path(__file__).parents[1] / "README.md").read_text()


def test_the_readme_opens_with_the_two_commands() -> None:
    title, description, commands = README.split("\n\n")[:3]
    assert title == "# velmora" and description.count("\n") == 0
    lines = commands.splitlines()
    assert lines[0] == "```sh" and lines[-1] == "```"
    assert [line.split("#")[0].strip() for line in lines[1:-1]] == ["make demo", "make test"]


def test_every_doctest_of_the_readme_passes_in_order() -> None:
    # One namespace from top to bottom, as a reader typing along in one REPL would have it.
    text = "\n".join("" if line.startswith("```") else line for line in README.splitlines())
    test = doctest.DocTestParser().get_doctest(text, {}, "README", "README.md", 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    assert runner.failures == 0 and runner.tries >= 50


def test_every_message_class_is_listed_and_shown_with_its_json() -> None:
    # (the JSON itself is compared with build_blocks() by test_messages_end_to_end)
    shown = set()
    for code in re.findall(r"```python\n(.*?)```\n```json\n", README, re.S):
        shown |= set(re.findall(r"^from velmora\.messages\.[\w.]+ import (\w+)$", code, re.M))
    listed = set(re.findall(r"^\| `(\w*Message)` \| `velmora\.messages\.[\w.]+` \|", README, re.M))
    assert listed == set(velmora.messages.__all__) and shown == listed  # (all of them: test_newcomer)


def test_the_links_point_into_the_tour_and_to_the_figures() -> None:
    headings = {
        re.sub(r"[^\w\- ]", "", h).strip().lower().replace(" ", "-") for h in re.findall(r"^#+ (.*)$", README, re.M)
    }
    anchors = set(re.findall(r"\]\(#([\w-]+)\)", README))
    assert anchors and anchors <= headings
    assert "(bench/RESULTS.md)" in README and "(docs/reliability.md)" in README


def test_the_fake_slack_example_posts_what_it_says(monkeypatch, capsys) -> None:
    [code] = [c for c in re.findall(r"```python\n(.*?)```", README, re.S) if "FakeSlack" in c]
    [expected] = [line[2:] for line in code.splitlines() if line.startswith("# {")]
    monkeypatch.chdir(Path(__file__).parents[1])  # the example runs from a checkout
    monkeypatch.setattr(sys, "path", list(sys.path))  # the example adds tests/ to it
    from velmora.messages.header.header import HeaderMessage

    exec(code, {"HeaderMessage": HeaderMessage})
    printed = capsys.readouterr().out.strip()
    assert doctest.OutputChecker().check_output(expected, printed, doctest.ELLIPSIS), printed


def test_the_preview_session_prints_what_it_shows() -> None:
    import subprocess

    [session] = re.findall(r"```console\n(.*?)```", README, re.S)
    command, *shown, status_command, status = session.strip().splitlines()
    stdin = re.fullmatch(r"\$ echo '(.*)' \| python -m velmora preview", command)
    assert stdin and status_command == "$ echo $?"
    done = subprocess.run(
        [sys.executable, "-m", "velmora", "preview"], input=stdin[1] + "\n", capture_output=True, text=True
    )
    assert (done.stderr + done.stdout).splitlines() == shown and str(done.returncode) == status
