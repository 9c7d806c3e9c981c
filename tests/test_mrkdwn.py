"""velmora.mrkdwn: escaping untrusted text, mentions, links and dates that cannot be subverted,
and cutting a text without breaking its markup."""

from __future__ import annotations

import re

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from message_fakes import Blocks
from support import assert_no_leak

import velmora
from velmora import mrkdwn
from velmora.blocks import Section
from velmora.messages.composite.button import ButtonMessage
from velmora.messages.context.context import ContextMessage

# Slack's markup for a mention, a broadcast or a link: "<" ... ">".
ENTITY = re.compile(r"<[^<>]*>")


def unescape(text: str) -> str:
    return text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")


@pytest.mark.parametrize(
    ("call", "expected"),
    [
        (
            lambda: mrkdwn.escape("<!channel> urgent & <http://evil.example|bank>"),
            "&lt;!channel&gt; urgent &amp; &lt;http://evil.example|bank&gt;",
        ),
        (lambda: mrkdwn.escape("*bold* _it_ `x` &amp; é 😀"), "*bold* _it_ `x` &amp;amp; é 😀"),
        (lambda: mrkdwn.user("U0123ABCD"), "<@U0123ABCD>"),
        (lambda: mrkdwn.user(user_id="W1"), "<@W1>"),
        (lambda: mrkdwn.channel("C0123ABCD"), "<#C0123ABCD>"),
        (lambda: mrkdwn.usergroup("S0123ABCD"), "<!subteam^S0123ABCD>"),
        (lambda: mrkdwn.broadcast("here"), "<!here>"),
        (lambda: mrkdwn.broadcast("channel"), "<!channel>"),
        (lambda: mrkdwn.broadcast("everyone"), "<!everyone>"),
        (lambda: mrkdwn.link("https://example.com/a?b=1&c=2"), "<https://example.com/a?b=1&c=2>"),
        (lambda: mrkdwn.link("https://x.io", "a <b> & c|d"), "<https://x.io|a &lt;b&gt; &amp; c|d>"),
        (lambda: mrkdwn.link("HTTP://X.IO", ""), "<HTTP://X.IO>"),
        (lambda: mrkdwn.link("mailto:ana@example.com", None), "<mailto:ana@example.com>"),
        (
            lambda: mrkdwn.date(1700000000, "{date_short} at {time}", "Nov 14 <2023>"),
            "<!date^1700000000^{date_short} at {time}|Nov 14 &lt;2023&gt;>",
        ),
        (lambda: mrkdwn.date(1700000000.99, "{date}", "then"), "<!date^1700000000^{date}|then>"),
        (lambda: mrkdwn.date(-1.5, "{date}", "then"), "<!date^-2^{date}|then>"),
        (lambda: mrkdwn.truncate("hello wonderful world", 12), "hello wonde…"),  # no word end in the last fifth
        (lambda: mrkdwn.truncate("hello wonderful world", 21), "hello wonderful world"),
        (lambda: mrkdwn.truncate("hello   world", 9, ellipsis="..."), "hello..."),
        (lambda: mrkdwn.truncate("abcdefgh", 5, ellipsis="..."), "ab..."),
        (lambda: mrkdwn.truncate("see <https://example.com/long|docs> now", 12), "see…"),
        (lambda: mrkdwn.truncate("<https://example.com/long|docs>", 12), "…"),
        (lambda: mrkdwn.truncate("a &amp; b", 3, ellipsis=""), "a"),
        (lambda: mrkdwn.truncate("ab&amp;", 5, ellipsis=""), "ab"),
        (lambda: mrkdwn.truncate("x" * 10, 10**30), "x" * 10),
        # a word end only in the last fifth of the room, else the room filled; never inside a cluster
        (
            lambda: mrkdwn.truncate("CI failed: " + "feature/branch-" * 20, 150),
            "CI failed: " + ("feature/branch-" * 20)[:138] + "…",
        ),
        (lambda: mrkdwn.truncate("Deploy of api to production finished", 20), "Deploy of api to…"),
        (lambda: mrkdwn.truncate("ab 👨‍👩‍👧‍👦", 6, ellipsis=""), "ab"),
        (lambda: mrkdwn.truncate("ab🇫🇷🇩🇪", 5, ellipsis=""), "ab🇫🇷"),
        (lambda: mrkdwn.truncate("é" * 4, 5, ellipsis=""), "éé"),
        (lambda: mrkdwn.truncate("ok 👍🏽👍🏽", 6, ellipsis=""), "ok 👍🏽"),
        (lambda: mrkdwn.truncate("<@U1>́ x", 5, ellipsis=""), ""),
        (lambda: velmora.truncate("abc", 0, ellipsis=""), ""),
    ],
)
def test_calls(call, expected):
    assert call() == expected


@pytest.mark.parametrize(
    ("call", "error", "message"),
    [
        (lambda: mrkdwn.escape(None), TypeError, "Argument 'text' has incorrect type (expected str, got NoneType)"),
        (
            lambda: mrkdwn.user("U1 <!here>"),
            ValueError,
            "user_id must be letters and digits only, such as U0123ABCD, got 'U1 <!here>'",
        ),
        (
            lambda: mrkdwn.channel(""),
            ValueError,
            "channel_id must be letters and digits only, such as C0123ABCD, got ''",
        ),
        (
            lambda: mrkdwn.usergroup("S1>"),
            ValueError,
            "usergroup_id must be letters and digits only, such as S0123ABCD, got 'S1>'",
        ),
        (lambda: mrkdwn.broadcast("all"), ValueError, 'range must be "here", "channel" or "everyone", got \'all\''),
        (
            lambda: mrkdwn.link("javascript:alert(1)"),
            ValueError,
            "url must start with http://, https:// or mailto:, got 'javascript:alert(1)'",
        ),
        (
            lambda: mrkdwn.link("https://x.io|bank"),
            ValueError,
            "url must not hold whitespace, '<', '>' or '|', got 'https://x.io|bank'",
        ),
        (
            lambda: mrkdwn.link("https://x.io/a b"),
            ValueError,
            "url must not hold whitespace, '<', '>' or '|', got 'https://x.io/a b'",
        ),
        (
            lambda: mrkdwn.link("https://x.io>"),
            ValueError,
            "url must not hold whitespace, '<', '>' or '|', got 'https://x.io>'",
        ),
        (
            lambda: mrkdwn.date(True, "{date}", "x"),
            TypeError,
            "Argument 'timestamp' has incorrect type (expected int, got bool)",
        ),
        (
            lambda: mrkdwn.date(float("nan"), "{date}", "x"),
            ValueError,
            "timestamp must be a finite number of seconds, got nan",
        ),
        (
            lambda: mrkdwn.date(1, "{date}^https://x", "x"),
            ValueError,
            "format must be Slack date tokens such as \"{date_short} at {time}\", without '<', '>', '|', '^' or line "
            "breaks, got '{date}^https://x'",
        ),
        (
            lambda: mrkdwn.date(1, "{date}", ""),
            ValueError,
            "fallback must not be empty: clients that cannot show the date show it",
        ),
        (
            lambda: mrkdwn.truncate("abc", 0),
            ValueError,
            "limit must be at least 1, the length of the ellipsis '…', got 0",
        ),
        (lambda: mrkdwn.truncate("abc", -1, ellipsis=""), ValueError, "limit must not be negative, got -1"),
        (
            lambda: mrkdwn.truncate("abc", 2.0),
            TypeError,
            "Argument 'limit' has incorrect type (expected int, got float)",
        ),
        (lambda: mrkdwn.truncate("abc", 2, "."), TypeError, "truncate() takes 2 positional arguments but 3 were given"),
    ],
)
def test_bad_input(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message


def test_escape_returns_the_text_itself_when_nothing_needs_escaping():
    text = "plain * text"
    assert mrkdwn.escape(text) is text
    assert mrkdwn.truncate(text, 100) is text


@settings(max_examples=300, deadline=None)
@given(st.text() | st.text(alphabet="<>&;amplgt!@#|^ "))
def test_escape_keeps_every_text_and_leaves_no_markup(text):
    escaped = mrkdwn.escape(text)
    assert "<" not in escaped and ">" not in escaped
    assert unescape(escaped) == text
    assert escaped.replace("&amp;", "").replace("&lt;", "").replace("&gt;", "").count("&") == 0


UNTRUSTED = st.text() | st.sampled_from(
    [
        "<!channel> urgent & <http://evil.example|bank>",
        "<@U1>",
        "<!here|here>",
        "<#C1>",
        "<!subteam^S1>",
        "&lt;!channel&gt;",
        "<mailto:a@b.c|mail>",
        "<!date^1^{date}|x>",
    ]
)


def strings(value):
    """Every str in a payload, at any depth."""
    if isinstance(value, str):
        yield value
    elif isinstance(value, dict):
        for item in value.values():
            yield from strings(item)
    elif isinstance(value, list):
        for item in value:
            yield from strings(item)


@settings(max_examples=150, deadline=None)
@given(UNTRUSTED, UNTRUSTED)
def test_untrusted_text_through_escape_makes_no_mention_broadcast_or_link(title, note):
    """Untrusted text put into messages through escape() holds no entity anywhere in the payload,
    not even in the fallback text that payload() reads out of the blocks."""
    safe_title, safe_note = mrkdwn.escape(title) or "t", mrkdwn.escape(note) or "n"
    messages = [
        ButtonMessage(safe_title, button_1_text="Open"),
        ContextMessage(text_1=safe_title, text_2=safe_note),
        Blocks(
            Section.mrkdwn(safe_title) + Section.text_fields([safe_note]) + Section.button(safe_note, {"text": "Go"})
        ),
    ]
    for message in messages:
        payload = message.payload()
        assert [text for text in strings(payload) if ENTITY.search(text)] == []


@settings(max_examples=300, deadline=None)
@given(st.text(alphabet="ab <>&;|@!\n", max_size=60) | UNTRUSTED, st.integers(0, 70), st.sampled_from(["…", "", "..."]))
def test_truncate_keeps_a_prefix_within_the_limit_and_every_entity_whole(text, limit, ellipsis):
    if limit < len(ellipsis):
        return
    cut = mrkdwn.truncate(text, limit, ellipsis=ellipsis)
    assert len(cut) <= limit
    if len(text) <= limit:
        assert cut == text
        return
    assert cut.endswith(ellipsis)
    head = cut[: len(cut) - len(ellipsis)]
    assert text.startswith(head)
    # whole entities: every "<...>" of the head is one of the text's
    assert ENTITY.findall(head) == ENTITY.findall(text)[: len(ENTITY.findall(head))]


def _grapheme_cases():
    """GraphemeBreakTest.txt from Unicode's data (tests/data, written by tools/unicode_graphemes.py):
    each line's text, and its clusters."""
    from pathlib import Path

    for line in (Path(__file__).parent / "data/GraphemeBreakTest.txt").read_text(encoding="utf-8").splitlines()[1:]:
        clusters = [""]
        for token in line.split()[1:]:
            if token == "÷":
                clusters.append("")
            elif token != "×":
                clusters[-1] += chr(int(token, 16))
        yield line, clusters[:-1]


def test_grapheme_clusters_follow_unicode():
    cases = list(_grapheme_cases())
    assert len(cases) > 600
    wrong = [line for line, clusters in cases if mrkdwn._graphemes("".join(clusters)) != clusters]
    assert wrong == []


def test_no_leaks():
    text = "<!channel> & " * 50
    assert_no_leak(lambda: mrkdwn.escape(text), watch=[text])
    assert_no_leak(lambda: mrkdwn.link("https://x.io", text), watch=[text])
    assert_no_leak(lambda: mrkdwn.date(1.5, "{date}", text), watch=[text])
    assert_no_leak(lambda: mrkdwn.truncate(text, 40), watch=[text])
    assert_no_leak(lambda: mrkdwn.user("U 1"), expect=ValueError)
    assert_no_leak(lambda: mrkdwn.truncate(text, 0), expect=ValueError, watch=[text])


def test_loaded_lazily_from_the_package():
    import subprocess
    import sys

    code = (
        "import sys, velmora\n"
        "assert not any(m in sys.modules for m in ('velmora.mrkdwn', 'velmora._fit', 'velmora._fallback'))\n"
        "from velmora import mrkdwn, _fit, _fallback\n"
        "assert velmora.truncate is mrkdwn.truncate and velmora.fit is _fit.fit\n"
        "assert velmora.fallback_text is _fallback.fallback_text\n"
        "assert {'fit', 'truncate', 'fallback_text'} <= set(dir(velmora)) and set(velmora.__all__) <= set(dir(velmora))\n"
    )
    subprocess.run([sys.executable, "-c", code], check=True)
