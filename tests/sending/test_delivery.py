"""Delivering a message through every bot, sync and async, against the fake Slack on 127.0.0.1:
the exact JSON of each call, retries, Slack's errors, multi-part sends and the default bot."""

from __future__ import annotations

import asyncio
import inspect
import pickle
import warnings
from typing import Any

import pytest

pytest.importorskip("slack_sdk")
pytest.importorskip("aiohttp")

from fake_slack import Answer, FakeSlack
from message_fakes import Blocks
from slack_sdk.errors import SlackApiError
from support import run_python

from velmora import _default_bot
from velmora._delivery import Delivery
from velmora.errors import InvalidBlocks, WebhookError
from velmora.interface import BaseVelmora, OfflineBot, default_bot
from velmora.messages.header.header import HeaderMessage
from velmora.slack import AsyncSlackBot, AsyncWebhookBot, SlackBot, WebhookBot
from velmora.views import HomeTab, Modal

BLOCKS = [
    {"type": "header", "text": {"type": "plain_text", "text": "Nightly report", "emoji": True}},
    {"type": "divider"},
]
PAYLOAD = {"text": "Nightly report", "blocks": BLOCKS}
BOTS = {
    ("web", "sync"): SlackBot,
    ("web", "async"): AsyncSlackBot,
    ("hook", "sync"): WebhookBot,
    ("hook", "async"): AsyncWebhookBot,
}


def make_bot(kind: str, flavour: str, slack: FakeSlack, **options: Any) -> Any:
    if kind == "web":
        return BOTS[kind, flavour]("xoxb-test", base_url=slack.base_url, **options)
    return BOTS[kind, flavour](slack.webhook_url, **options)


def deliver(message: Any, flavour: str, name: str, *args: Any, **kwargs: Any) -> Any:
    """message.<name>(...), or asyncio.run(message.<name>_async(...))."""
    if flavour == "sync":
        return getattr(message, name)(*args, **kwargs)
    return asyncio.run(getattr(message, f"{name}_async")(*args, **kwargs))


def args_for(slack: FakeSlack, args: tuple[str, ...]) -> tuple[str, ...]:
    return tuple(slack.response_url if arg == "RESPONSE_URL" else arg for arg in args)


# (bot, method, arguments, keywords, where it goes, the exact JSON Slack gets)
CALLS = [
    (
        "web",
        "send",
        ("C0123",),
        {
            "thread_ts": "1.2",
            "unfurl_links": False,
            "reply_broadcast": True,
            "username": "ci",
            "icon_emoji": ":rocket:",
        },
        "chat.postMessage",
        {
            "channel": "C0123",
            **PAYLOAD,
            "thread_ts": "1.2",
            "unfurl_links": False,
            "reply_broadcast": True,
            "username": "ci",
            "icon_emoji": ":rocket:",
        },
    ),
    (
        "web",
        "update",
        ("C0123", "1700000000.000100"),
        {},
        "chat.update",
        {"channel": "C0123", "ts": "1700000000.000100", **PAYLOAD},
    ),
    (
        "web",
        "send_ephemeral",
        ("C0123", "U0123"),
        {"thread_ts": "1.2"},
        "chat.postEphemeral",
        {"channel": "C0123", "user": "U0123", **PAYLOAD, "thread_ts": "1.2"},
    ),
    (
        "web",
        "respond",
        ("RESPONSE_URL",),
        {"replace_original": True},
        "response_url",
        {**PAYLOAD, "replace_original": True},
    ),
    (
        "hook",
        "send",
        (),
        {"thread_ts": "1.2", "unfurl_links": False},
        "webhook",
        {**PAYLOAD, "thread_ts": "1.2", "unfurl_links": False},
    ),
    (
        "hook",
        "respond",
        ("RESPONSE_URL",),
        {"response_type": "in_channel"},
        "response_url",
        {**PAYLOAD, "replace_original": False, "response_type": "in_channel"},
    ),
    (
        "hook",
        "respond",
        ("RESPONSE_URL",),
        {"delete_original": True},
        "response_url",
        {**PAYLOAD, "replace_original": False, "delete_original": True},
    ),
]
CALL_IDS = [f"{kind}-{name}-{api}" for kind, name, _, _, api, _ in CALLS]


@pytest.mark.parametrize(("kind", "name", "args", "kwargs", "api", "sent"), CALLS, ids=CALL_IDS)
def test_each_call_sends_the_exact_json(slack, flavour, kind, name, args, kwargs, api, sent) -> None:
    message = HeaderMessage("Nightly report", slack_bot=make_bot(kind, flavour, slack))
    answer = deliver(message, flavour, name, *args_for(slack, args), **kwargs)
    (request,) = slack.requests
    assert request.api == api and request.json() == sent
    if not api.startswith("chat."):  # velmora writes these bodies itself, keys in this order
        assert list(request.json()) == list(sent)
        assert answer == {"ok": True, "status": 200, "body": "ok" if api == "webhook" else '{"ok": true}'}
    elif name == "send":
        assert (answer["channel"], answer["ts"]) == ("C0123", "1700000000.000100")
        deliver(message, flavour, "update", answer["channel"], answer["ts"])  # what send() answers, update() takes
        assert slack.requests[-1].json() == {"channel": "C0123", "ts": "1700000000.000100", **PAYLOAD}


LIMITED = Answer(429, {"ok": False, "error": "ratelimited"}, {"Retry-After": "0"})


@pytest.mark.parametrize("first", [LIMITED, Answer(drop=True)], ids=["429", "dropped"])
@pytest.mark.parametrize(("kind", "name", "args", "kwargs", "api", "sent"), CALLS[:5], ids=CALL_IDS[:5])
def test_rate_limits_and_dropped_connections_are_retried(
    slack, flavour, first, kind, name, args, kwargs, api, sent
) -> None:
    slack.answer(api, first)
    message = HeaderMessage("Nightly report", slack_bot=make_bot(kind, flavour, slack))
    assert deliver(message, flavour, name, *args_for(slack, args), **kwargs)["ok"] is True
    assert [r.api for r in slack.requests] == [api, api]
    assert slack.requests[0].body == slack.requests[1].body


ERRORS = [
    ("web", "send", ("C0123",), "chat.postMessage", Answer(body={"ok": False, "error": "channel_not_found"})),
    ("web", "update", ("C0123", "1.2"), "chat.update", Answer(body={"ok": False, "error": "message_not_found"})),
    (
        "web",
        "send_ephemeral",
        ("C0123", "U0123"),
        "chat.postEphemeral",
        Answer(body={"ok": False, "error": "user_not_in_channel"}),
    ),
    ("web", "send", ("C0123",), "chat.postMessage", LIMITED),  # beyond the retries
    ("web", "respond", ("RESPONSE_URL",), "response_url", Answer(404, b"expired_url")),
    ("hook", "send", (), "webhook", Answer(400, b"invalid_blocks")),
    ("hook", "send", (), "webhook", Answer(429, b"rate_limited", {"Retry-After": "0"})),
    ("hook", "respond", ("RESPONSE_URL",), "response_url", Answer(404, b"used_url")),
]


@pytest.mark.parametrize(("kind", "name", "args", "api", "answer"), ERRORS)
def test_slack_errors_reach_the_caller(slack, flavour, kind, name, args, api, answer) -> None:
    slack.answer(api, answer, answer)
    message = HeaderMessage("Nightly report", slack_bot=make_bot(kind, flavour, slack, rate_limit_retries=1))
    expected = SlackApiError if api.startswith("chat.") else WebhookError
    with pytest.raises(expected) as raised:
        deliver(message, flavour, name, *args_for(slack, args))
    if expected is SlackApiError:
        assert raised.value.response["error"] == answer.body["error"]
    else:
        assert (raised.value.status, raised.value.body) == (answer.status, answer.body.decode())
        assert str(raised.value) == f"Slack refused the webhook post (HTTP {answer.status}): {answer.body.decode()}"
    assert "secret" not in str(raised.value)  # webhook and response URLs are secrets
    assert len(slack.requests) == (2 if answer.status == 429 else 1)  # a 429 is retried first


# ---- several parts --------------------------------------------------------------------------


class Parts(BaseVelmora):
    """A message that comes in three payloads."""

    def build_blocks(self) -> list[dict[str, Any]]:
        return [block for part in self.payloads() for block in part["blocks"]]

    def payloads(self) -> list[dict[str, Any]]:
        return [{"text": f"part {n}", "blocks": [{"type": "divider", "block_id": str(n)}]} for n in (1, 2, 3)]


@pytest.mark.parametrize("fails", [None, 1, 2])
def test_fit_posts_each_part_and_says_what_was_posted_when_one_fails(slack, flavour, fails) -> None:
    parts = [{**part, "thread_ts": "1.2", "unfurl_links": False} for part in Parts().payloads()]
    if fails:
        posted = Answer(body={"ok": True, "channel": "C0123", "ts": "1.5"})
        slack.answer("chat.postMessage", *[posted] * (fails - 1), Answer(body={"ok": False, "error": "msg_too_long"}))
    message = Parts(slack_bot=make_bot("web", flavour, slack))
    if fails is None:
        answers = deliver(message, flavour, "send", "C0123", thread_ts="1.2", fit=True, unfurl_links=False)
        assert [a["ts"] for a in answers] == ["1700000000.000100"] * 3
    else:
        with pytest.raises(SlackApiError) as raised:
            deliver(message, flavour, "send", "C0123", thread_ts="1.2", fit=True, unfurl_links=False)
        assert raised.value.response["error"] == "msg_too_long"
        assert raised.value.sent == [{"ok": True, "channel": "C0123", "ts": "1.5"}] * (fails - 1)
        assert raised.value.unsent == parts[fails - 1 :]
        assert raised.value.__notes__ == [
            f"{fails - 1} of 3 parts were posted before this error: its `sent` "
            "holds their answers, its `unsent` the payloads not posted"
        ]
    posted = [r.json() for r in slack.requests]
    assert posted == [{"channel": "C0123", **part} for part in parts[: fails or 3]]


def test_strict_fit_checks_every_part_before_posting_any(slack, flavour) -> None:
    class TooLong(Parts):
        def payloads(self) -> list[dict[str, Any]]:
            header = {"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}
            return [*super().payloads(), {"text": "4", "blocks": [header]}]

    with pytest.raises(InvalidBlocks, match="^the message breaks 1 Block Kit limit:\n  /blocks/0/text/text: "):
        deliver(TooLong(slack_bot=make_bot("web", flavour, slack)), flavour, "send", "C0123", fit=True, strict=True)
    assert slack.requests == []


# ---- messages that do not fit in one ---------------------------------------------------------

DIVIDERS = [{"type": "divider"}] * 51  # one block more than a message holds
TOO_MANY = "  /blocks: A message holds at most 50 blocks; this one has 51."
TOO_LONG_HEADER = '  /blocks/0/text/text: "text" is 151 characters long; Slack allows at most 150.'
LONG_HEADER = [{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}]
ONE = {
    "update": "update() replaces one message with one",
    "respond": "respond() answers with one message",
    "send_ephemeral": "send_ephemeral() posts one message",
}
REFUSED = [  # (method, blocks, keywords, what the error says after its first line)
    ("send", DIVIDERS, {}, [TOO_MANY, "It does not fit in one Slack message: send(fit=True) posts it as 2 messages."]),
    (
        "send",
        DIVIDERS,
        {"strict": True},
        [TOO_MANY, "It does not fit in one Slack message: send(fit=True) posts it as 2 messages."],
    ),
    (
        "send",
        LONG_HEADER + DIVIDERS[1:],
        {},
        [
            TOO_MANY,
            TOO_LONG_HEADER,
            "It does not fit in one Slack message: "
            "send(fit=True) posts it in parts, once the other problems are mended.",
        ],
    ),
    ("send", LONG_HEADER, {"strict": True}, [TOO_LONG_HEADER]),
    *[
        (
            name,
            DIVIDERS,
            {"fit": fit},
            [
                TOO_MANY,
                f"It does not fit in one Slack message, and {ONE[name]}: it cannot "
                "be split. Shorten it, or post it with send(fit=True) as 2 messages.",
            ],
        )
        for name in ONE
        for fit in (False, True)
    ],
]
ARGS = {
    "send": ("C0123",),
    "update": ("C0123", "1.2"),
    "send_ephemeral": ("C0123", "U0123"),
    "respond": ("RESPONSE_URL",),
}


@pytest.mark.parametrize(("name", "blocks", "kwargs", "said"), REFUSED)
def test_a_message_that_does_not_fit_in_one_is_never_sent(slack, flavour, name, blocks, kwargs, said) -> None:
    message = Blocks(blocks, preview="p", slack_bot=make_bot("web", flavour, slack))
    with pytest.raises(InvalidBlocks) as raised:
        deliver(message, flavour, name, *args_for(slack, ARGS[name]), **kwargs)
    count = len(said) - (not said[-1].startswith("  "))
    assert str(raised.value).splitlines() == [f"the message breaks {count} Block Kit limit{'s' * (count > 1)}:", *said]
    assert slack.requests == []
    assert pickle.loads(pickle.dumps(raised.value)).args == raised.value.args  # it crosses processes whole


@pytest.mark.parametrize("name", ARGS)
def test_only_what_slack_takes_is_forwarded(slack, flavour, name) -> None:
    message = Blocks(LONG_HEADER, preview="p", slack_bot=make_bot("web", flavour, slack))
    fit = name != "send"  # send(fit=True) refuses what no split mends, as payloads() does
    deliver(message, flavour, name, *args_for(slack, ARGS[name]), fit=fit, strict=False, unfurl_media=False)
    (request,) = slack.requests  # not strict: a problem no split mends is Slack's to judge
    assert request.json()["blocks"] == LONG_HEADER and request.json()["unfurl_media"] is False
    assert not {"fit", "strict"} & set(request.json())


# ---- what a bot cannot do, and the default bot -----------------------------------------------

REFUSALS = [
    (
        "update",
        ("C0123", "1.2"),
        NotImplementedError,
        "a webhook cannot update a message by channel and ts; answer the "
        "interaction with respond(response_url, replace_original=True), or use SlackBot",
    ),
    (
        "send_ephemeral",
        ("C0123", "U0123"),
        NotImplementedError,
        "a webhook cannot post an ephemeral message; answer "
        "the interaction with respond(response_url) (Slack shows it only to that user), or use SlackBot",
    ),
    (
        "send",
        ("C0123",),
        ValueError,
        "a webhook posts to the channel it was made for: send() takes no channel here; "
        "use SlackBot to choose the channel",
    ),
    ("respond", ("hooks.slack.com/actions/secret",), ValueError, "a webhook or response_url must be an https:// URL"),
]


@pytest.mark.parametrize(("name", "args", "error", "text"), REFUSALS, ids=[r[0] for r in REFUSALS])
def test_what_a_webhook_cannot_do_is_refused_before_sending(slack, flavour, name, args, error, text) -> None:
    bot = make_bot("hook", flavour, slack)
    with pytest.raises(error) as raised:
        deliver(HeaderMessage("Nightly report", slack_bot=bot), flavour, name, *args)
    assert str(raised.value) == text and slack.requests == []
    with pytest.raises(NotImplementedError, match="^a webhook cannot upload files; give the image as a public URL"):
        bot.image_upload(b"\x89PNG")
    assert repr(bot) == f"{type(bot).__name__}(url='{slack.url}/…')"


@pytest.mark.parametrize("cls", [WebhookBot, AsyncWebhookBot])
def test_webhook_url_comes_from_the_environment(slack, monkeypatch, cls) -> None:
    monkeypatch.delenv("SLACK_WEBHOOK_URL", raising=False)
    with pytest.raises(ValueError, match=f"^{cls.__name__} needs a webhook URL: pass url=... or set SLACK_WEBHOOK_URL"):
        cls()
    monkeypatch.setenv("SLACK_WEBHOOK_URL", slack.webhook_url)
    assert cls().url == slack.webhook_url


def test_a_sync_call_refuses_an_async_bot(slack) -> None:
    message = HeaderMessage("Nightly report", slack_bot=make_bot("web", "async", slack))
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # the coroutine is closed: no "never awaited" warning
        with pytest.raises(TypeError, match=r"^AsyncSlackBot.send\(\) is a coroutine: use `await message.send_async"):
            message.send("C0123")
    assert slack.requests == []


class CoroutineBot:
    """A bot whose every method is a coroutine function."""

    def __getattr__(self, name: str) -> Any:
        async def method(*args: Any) -> None: ...

        return method


# The class that defines the ways of delivering of each kind of owner, and what its callers call it.
OWNERS = {HeaderMessage: (Delivery, "message"), Modal: (Modal, "modal"), HomeTab: (HomeTab, "home_tab")}

# (what delivers, its way of delivering, its parameters as help() shows them, the call's arguments)
WAYS = [
    (
        HeaderMessage("Hi"),
        "send",
        "(channel: 'str | None' = None, *, thread_ts: 'str | None' = None, strict: 'bool' = False, fit: 'bool' = False, **options: 'Any') -> 'Any'",
        (),
    ),
    (
        HeaderMessage("Hi"),
        "update",
        "(channel: 'str', ts: 'str', *, strict: 'bool' = False, fit: 'bool' = False, **options: 'Any') -> 'Any'",
        ("C1", "1.2"),
    ),
    (
        HeaderMessage("Hi"),
        "send_ephemeral",
        "(channel: 'str', user: 'str', *, thread_ts: 'str | None' = None, strict: 'bool' = False, fit: 'bool' = False, **options: 'Any') -> 'Any'",
        ("C1", "U1"),
    ),
    (
        HeaderMessage("Hi"),
        "respond",
        "(response_url: 'str', *, replace_original: 'bool' = False, strict: 'bool' = False, fit: 'bool' = False, **options: 'Any') -> 'Any'",
        ("https://hooks.slack.com/x",),
    ),
    (Modal("Deploy", []), "open", "(trigger_id: 'str', *, strict: 'bool' = False) -> 'Any'", ("T1",)),
    (Modal("Deploy", []), "push", "(trigger_id: 'str', *, strict: 'bool' = False) -> 'Any'", ("T1",)),
    (
        Modal("Deploy", []),
        "update",
        "(view_id: 'str | None' = None, *, external_id: 'str | None' = None, hash: 'str | None' = None, strict: 'bool' = False) -> 'Any'",
        ("V1",),
    ),
    (
        HomeTab([]),
        "publish",
        "(user_id: 'str', *, hash: 'str | None' = None, strict: 'bool' = False) -> 'Any'",
        ("U1",),
    ),
]


@pytest.mark.parametrize("owner, name, signature, args", WAYS)
def test_each_way_of_delivering_and_its_twin_to_await(owner, name, signature, args) -> None:
    cls, noun = OWNERS[type(owner)]
    twin = f"{name}_async"
    for method in (getattr(owner, name), getattr(owner, twin)):
        assert str(inspect.signature(method)) == signature
    assert not inspect.iscoroutinefunction(getattr(cls, name))
    assert inspect.iscoroutinefunction(getattr(cls, twin))
    assert getattr(cls, twin).__doc__ == f":meth:`{name}`, to await."
    assert [getattr(cls, n).__qualname__ for n in (name, twin)] == [f"{cls.__name__}.{name}", f"{cls.__name__}.{twin}"]
    assert getattr(cls, name).__doc__ == getattr(cls, f"_{name}").__doc__ and len(getattr(cls, name).__doc__) > 40
    owner.slack_bot = CoroutineBot()
    with pytest.raises(TypeError, match=rf"is a coroutine: use `await {noun}\.{twin}\(\.\.\.\)`$"):
        getattr(owner, name)(*args)


def test_async_bot_uploads_where_blocks_are_built(slack) -> None:
    from velmora.messages.image.image_msg import ImageMessage

    message = ImageMessage(image_buffer=b"\x89PNG", image_name="chart.png", slack_bot=make_bot("web", "async", slack))
    asyncio.run(message.send_async("C0123"))
    assert [r.api for r in slack.requests][-2:] == ["files.completeUploadExternal", "chat.postMessage"]
    assert slack.requests[-1].json()["blocks"][0]["slack_file"] == {
        "url": "https://files.slack.com/files-pri/T0001-F0001/chart.png"
    }


def test_offline_bot_records_every_call_and_answers_like_slack(slack, flavour) -> None:
    bot = OfflineBot()
    message = HeaderMessage("Nightly report", slack_bot=bot)
    posted = deliver(message, flavour, "send", "C0123", thread_ts="1.2")
    assert posted == {"ok": True, "channel": "C0123", "ts": posted["ts"], "message": {**PAYLOAD, "thread_ts": "1.2"}}
    deliver(message, flavour, "update", posted["channel"], posted["ts"])
    assert deliver(message, flavour, "send_ephemeral", "C0123", "U0123")["message_ts"] > posted["ts"]
    assert deliver(message, flavour, "respond", slack.response_url) == {"ok": True}
    assert bot.sent == [("C0123", {**PAYLOAD, "thread_ts": "1.2"})]
    assert bot.updated == [("C0123", posted["ts"], PAYLOAD)]
    assert bot.ephemeral == [("C0123", "U0123", PAYLOAD)]
    assert bot.responded == [(slack.response_url, {**PAYLOAD, "replace_original": False})]
    assert slack.requests == []  # an offline bot never goes online, not even to a response_url
    assert repr(bot).endswith(", sent=1, updated=1, ephemeral=1, responded=1)")


@pytest.mark.parametrize(
    ("token", "url", "kind"),
    [
        ("xoxb-env", "https://hooks.slack.com/services/T/B/x", SlackBot),
        (None, "https://hooks.slack.com/services/T/B/x", WebhookBot),
        (None, None, _default_bot.DefaultBot),
    ],
)
def test_default_bot_follows_the_environment(monkeypatch, token, url, kind) -> None:
    for variable, value in (("SLACK_BOT_TOKEN", token), ("SLACK_WEBHOOK_URL", url)):
        monkeypatch.delenv(variable, raising=False)
        if value:
            monkeypatch.setenv(variable, value)
    bot, message_bot = default_bot(), Parts().slack_bot
    assert type(bot) is kind and type(message_bot) is kind
    assert (message_bot is bot) is (kind is SlackBot or kind is WebhookBot)  # shared, but each offline one is new
    assert getattr(bot, "default", True) is True and isinstance(bot, (SlackBot, WebhookBot, OfflineBot))
    if kind is not _default_bot.DefaultBot:
        assert getattr(bot.client, "token" if kind is SlackBot else "url") == (token or url)
    given = OfflineBot()
    assert Parts(slack_bot=given).slack_bot is given
    monkeypatch.setattr(_default_bot, "_slack_sdk_installed", lambda: False)
    assert type(default_bot()) is _default_bot.DefaultBot


def test_the_default_offline_bot_warns_once_per_process() -> None:
    done = run_python("""
        import os, warnings
        os.environ.pop("SLACK_BOT_TOKEN", None); os.environ.pop("SLACK_WEBHOOK_URL", None)
        warnings.simplefilter("always")
        from velmora.interface import OfflineBot
        from velmora.messages.header.header import HeaderMessage
        HeaderMessage("a", slack_bot=OfflineBot()).send("C1")  # a bot given: no warning
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            HeaderMessage("a").send("C1")
            HeaderMessage("b").update("C1", "1.2")
            HeaderMessage("c").send_ephemeral("C1", "U1")
        for w in caught:
            print(w.category.__name__, os.path.basename(w.filename), w.lineno, w.message)
    """)
    assert done.stderr == "" and done.stdout.splitlines() == [
        "UserWarning <string> 11 velmora sent nothing to Slack: neither SLACK_BOT_TOKEN nor SLACK_WEBHOOK_URL is "
        "set, so messages go to an OfflineBot, which only records them. Set one of them, or give the message a bot "
        "(slack_bot=...)."
    ]


def test_the_default_offline_bot_responds_for_real(slack, monkeypatch, flavour) -> None:
    monkeypatch.delenv("SLACK_BOT_TOKEN", raising=False)
    monkeypatch.delenv("SLACK_WEBHOOK_URL", raising=False)
    message = HeaderMessage("Nightly report")  # nothing configured: a response_url needs no token
    assert deliver(message, flavour, "respond", slack.response_url, replace_original=True)["ok"] is True
    assert [r.json() for r in slack.requests] == [{**PAYLOAD, "replace_original": True}]
    assert message.slack_bot.responded == []
