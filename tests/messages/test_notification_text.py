"""The notification text of every message class: what a plain-text place shows as typed (a
header, a button label, a table cell) never comes alive as a ping or a disguised link in the
payload's mrkdwn ``text``; an explicit ``preview`` stays the caller's mrkdwn."""

from __future__ import annotations

import json
import re

import pytest

import registry
from velmora.mrkdwn import escape

HOSTILE = "<!channel> <@U123> <https://evil.example|docs> & co"
ESCAPED = "&lt;!channel&gt; &lt;@U123&gt; &lt;https://evil.example|docs&gt; &amp; co"
MESSAGES = [e for e in registry.entries() if e.message and e.ok]


def _hostile(value):
    """`value` with HOSTILE before every str in it (list items and dict values included)."""
    if isinstance(value, str):
        return f"{HOSTILE} {value}"
    if isinstance(value, (list, tuple)):
        return type(value)(_hostile(v) for v in value)
    if isinstance(value, dict):
        return {k: _hostile(v) for k, v in value.items()}
    if type(value).__name__ == "DataFrame":
        if type(value).__module__.startswith("polars"):
            return type(value)({_hostile(c): [_hostile(v) for v in value[c].to_list()] for c in value.columns})
        return value.map(_hostile).rename(columns=_hostile)
    return value


def _changed(before, after):
    """Whether _hostile changed a value (frames compared with their own equals: != of frames
    with other labels raises in pandas)."""
    if type(before).__name__ == "DataFrame":
        return not before.equals(after)
    return before != after


def _hostile_message(entry, call):
    """The message of `call` with HOSTILE in every argument that still builds with it, and
    whether any did."""
    cls = entry.resolve()
    args, kwargs = list(call.args), dict(call.kwargs)
    slots = [(args, i) for i in range(len(args))] + [(kwargs, k) for k in kwargs if k not in ("slack_bot", "preview")]
    taken = False
    for where, key in slots:
        kept = where[key]
        where[key] = _hostile(kept)
        try:
            cls(*args, **kwargs).build_blocks()
            taken = taken or _changed(kept, where[key])
        except (ValueError, TypeError, KeyError):
            where[key] = kept
    return cls(*args, **kwargs), taken


def _dead(text):
    """No "<" and no "&" that does not start an escape: nothing Slack would read as markup."""
    return (
        "<" not in text and ">" not in re.sub(r"&(amp|lt|gt);", "", text) and not re.search(r"&(?!(amp|lt|gt);)", text)
    )


@pytest.mark.parametrize("entry", MESSAGES, ids=lambda e: e.id)
def test_hostile_text_never_comes_alive_in_the_notification(entry):
    for call in entry.ok:
        message, taken = _hostile_message(entry, call)
        payload = message.payload()
        assert _dead(payload["text"]), payload["text"]
        assert taken <= ("evil.example" in json.dumps(payload["blocks"]))  # it reached the blocks
        if isinstance(message.header, str) and not message.preview:  # HeaderMessage's own header
            assert payload["text"] == escape(message.header)
        for name in ("header", "sub_header") if "header" not in entry.attrs else ():
            message = entry.resolve()(*call.args, **{**call.kwargs, name: HOSTILE})
            assert message.payload()["text"] == ESCAPED
        own = entry.resolve()(*call.args, **{**call.kwargs, "preview": HOSTILE})
        assert own.payload()["text"] == HOSTILE  # the caller's own mrkdwn, as documented


def test_image_message_escapes_what_it_copies_into_its_preview():
    from velmora.messages import ImageMessage

    for keywords in ({"header": HOSTILE}, {"image_name": HOSTILE}, {"sub_header": HOSTILE}):
        message = ImageMessage(image_url="https://x.io/a.png", **keywords)
        assert message.preview is next(iter(keywords.values()))  # the attribute as it was
        assert message.payload()["text"] == ESCAPED
    assert ImageMessage(image_url="https://x.io/a.png", preview=HOSTILE).payload()["text"] == HOSTILE


def test_text_from_plain_text_stays_within_3000_characters_once_escaped():
    from velmora.interface import BaseVelmora

    class Ampersands(BaseVelmora):
        def build_blocks(self):
            return [{"type": "section", "text": {"type": "plain_text", "text": "&" * 2999}}]

    text = Ampersands().payload()["text"]
    assert len(text) <= 3000 and escape("&") * 599 + "…" == text
    assert Ampersands(sub_header="<" * 2000).payload()["text"] == escape("<") * 749 + "…"


def test_the_readme_ci_alert_sends_as_valid_payloads_with_no_live_entity():
    """The README's CI alert: a header from a commit message, a trace of 9,000 characters, a button."""
    import velmora
    from velmora import mrkdwn, validate
    from velmora.blocks import Actions, Section
    from velmora.blocks.header import Header

    commit = "Fix login for <@U123> <!channel> & see <https://evil.example|docs>"
    trace = "".join(f'  File "app/{i}.py", line {i}, in <module>: x < y & z\n' for i in range(200))[:9000]
    sent = []

    class Bot:
        def send(self, payload, channel=None):
            sent.append(payload)
            return {"ok": True}

    title = mrkdwn.truncate(f"CI failed: {commit}", 150)
    alert = velmora.Message(
        Header.plain_text(title),
        Section.mrkdwn(f"```{mrkdwn.escape(trace)}```"),
        Actions.buttons([{"text": "Open the run", "url": "https://ci.example/runs/42"}]),
        header=title,
        slack_bot=Bot(),
    )
    assert alert.send("C1", fit=True) == [{"ok": True}]
    [payload] = sent
    assert validate(payload) == [] and _dead(payload["text"]) and payload["text"] == escape(title)
    header, *parts, actions = payload["blocks"]
    shown = [p["text"]["text"] for p in parts]  # the trace cut in parts, each a closed code block
    assert len(shown) > 3 and all(len(t) <= 3000 and t[:3] == t[-3:] == "```" for t in shown)
    assert "".join(shown).replace("``````", "") == f"```{escape(trace)}```"
    assert header["text"]["text"] == title and actions["type"] == "actions"
