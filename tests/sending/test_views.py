"""Modals and Home tabs: the view dicts, and showing them through every bot on the fake Slack."""

from __future__ import annotations

import asyncio
import warnings
from typing import Any

import pytest

pytest.importorskip("slack_sdk")
pytest.importorskip("aiohttp")

from message_fakes import Blocks
from slack_sdk.models.views import View

from velmora import InvalidBlocks, validate
from velmora.bots import OfflineBot
from velmora.blocks import Section
from velmora.messages import HeaderMessage
from velmora.slack import AsyncSlackBot, AsyncWebhookBot, SlackBot, WebhookBot
from velmora.views import HomeTab, Modal


def text(value: str) -> dict[str, Any]:
    return {"type": "plain_text", "text": value, "emoji": True}


INPUT = {
    "type": "input",
    "block_id": "amount",
    "label": text("Amount"),
    "element": {"type": "number_input", "is_decimal_allowed": False, "action_id": "amount"},
}
HEADER = [{"type": "header", "text": text("Deploy")}, {"type": "divider"}]

VIEWS = [  # (what is built, the exact view)
    (lambda: Modal("Deploy", [INPUT]), {"type": "modal", "title": text("Deploy"), "blocks": [INPUT]}),
    (
        lambda: Modal(
            "Deploy",
            INPUT,
            submit="Go",
            close="Back",
            callback_id="deploy",
            private_metadata="C0123",
            external_id="deploy-1",
            notify_on_close=True,
            clear_on_close=True,
        ),
        {
            "type": "modal",
            "title": text("Deploy"),
            "blocks": [INPUT],
            "close": text("Back"),
            "submit": text("Go"),
            "private_metadata": "C0123",
            "callback_id": "deploy",
            "clear_on_close": True,
            "notify_on_close": True,
            "external_id": "deploy-1",
        },
    ),
    # parts: builders' block lists, a message and a block, flattened in order
    (
        lambda: Modal(text("Deploy"), [Section.mrkdwn("*api*"), HeaderMessage("Deploy"), INPUT], submit=text("Go")),
        {
            "type": "modal",
            "title": text("Deploy"),
            "blocks": [*Section.mrkdwn("*api*"), *HEADER, INPUT],
            "submit": text("Go"),
        },
    ),
    (lambda: Modal("Deploy", HeaderMessage("Deploy")), {"type": "modal", "title": text("Deploy"), "blocks": HEADER}),
    (lambda: HomeTab([HeaderMessage("Deploy")]), {"type": "home", "blocks": HEADER}),
    (
        lambda: HomeTab(Section.mrkdwn("hi"), callback_id="home", private_metadata="m", external_id="h-1"),
        {
            "type": "home",
            "blocks": Section.mrkdwn("hi"),
            "private_metadata": "m",
            "callback_id": "home",
            "external_id": "h-1",
        },
    ),
]


@pytest.mark.parametrize(("make", "expected"), VIEWS)
def test_each_view_is_the_exact_dict_slack_sdk_reads_back(make, expected) -> None:
    view = make().view()
    assert view == expected and list(view) == list(expected)
    parsed = View(**view)
    parsed.validate_json()
    assert parsed.to_dict() == view


def test_the_callers_blocks_are_used_as_they_are_and_built_anew_each_time() -> None:
    block, section = {"type": "divider"}, Section.mrkdwn("*api*")
    modal = Modal("T", [block, section])
    first, second = modal.view()["blocks"], modal.view()["blocks"]
    assert first[0] is block and first[1] is section[0] and first is not second
    assert modal.view()["title"] is not modal.view()["title"]


BAD = [
    (lambda: Modal(None, []), TypeError, "title must be a str or a plain_text object, not NoneType"),
    (lambda: Modal("T", [], submit=3), TypeError, "submit must be a str or a plain_text object, not int"),
    (lambda: Modal("T", [], callback_id=1), TypeError, "callback_id must be a str, not int"),
    (lambda: HomeTab([], private_metadata=b"x"), TypeError, "private_metadata must be a str, not bytes"),
    (lambda: Modal("T", "blocks").view(), TypeError, "blocks must be a list of blocks, a block or a message, not str"),
    (
        lambda: Modal("T", [["a"], 3]).view(),
        TypeError,
        "a part of blocks must be a block (dict), a list of blocks or a message, not int",
    ),
    (
        lambda: Modal("T", []).update(),
        ValueError,
        "update() needs the view to replace: pass view_id (from the answer "
        "to open() or the payload's view['id']) or external_id, or give the Modal an external_id",
    ),
    (
        lambda: Modal("T", []).update("V1", external_id="e"),
        ValueError,
        "update() takes view_id or external_id, not both",
    ),
]


@pytest.mark.parametrize(("call", "error", "message"), BAD)
def test_bad_arguments_say_what_is_wanted(call, error, message) -> None:
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message


def test_repr_shows_what_was_given() -> None:
    modal = Modal("Deploy", [INPUT, INPUT], submit="Go", callback_id="deploy", notify_on_close=True)
    assert (
        repr(modal)
        == "Modal(title='Deploy', blocks=<2 parts>, submit='Go', callback_id='deploy', notify_on_close=True)"
    )
    assert repr(HomeTab(HeaderMessage("Hi"), external_id="h")) == (
        "HomeTab(blocks=HeaderMessage(header='Hi', divider=True), external_id='h')"
    )


def views_are_checked() -> bool:
    return bool(validate({"type": "modal", "title": text("t" * 25), "blocks": []}))


@pytest.mark.skipif(not views_are_checked(), reason="velmora.validate does not check views yet (surfaces land with it)")
def test_strict_refuses_what_slack_would_before_sending() -> None:
    bot = OfflineBot()
    modal = Modal("t" * 25, [INPUT], slack_bot=bot)  # too long a title, and an input without submit
    with pytest.raises(InvalidBlocks):
        modal.open("1.2", strict=True)
    assert bot.views == [] and HomeTab([INPUT] * 101).view(strict=False)["blocks"] == [INPUT] * 101
    with pytest.raises(InvalidBlocks):
        HomeTab([INPUT] * 101).view(strict=True)


# ---- through the bots -----------------------------------------------------------------------


def show(view: Any, flavour: str, name: str, *args: Any, **kwargs: Any) -> Any:
    if flavour == "sync":
        return getattr(view, name)(*args, **kwargs)
    return asyncio.run(getattr(view, f"{name}_async")(*args, **kwargs))


MODAL = Modal("Deploy", [INPUT], submit="Go", external_id="deploy-1")
HOME = HomeTab([HeaderMessage("Deploy")])
CALLS = [  # (view, method, arguments, keywords, Slack's method, the JSON it gets besides the view)
    (MODAL, "open", ("T.1",), {}, "views.open", {"trigger_id": "T.1"}),
    (MODAL, "push", ("T.2",), {}, "views.push", {"trigger_id": "T.2"}),
    (MODAL, "update", ("V0123",), {"hash": "1.a"}, "views.update", {"view_id": "V0123", "hash": "1.a"}),
    (MODAL, "update", (), {}, "views.update", {"external_id": "deploy-1"}),
    (HOME, "publish", ("U0123",), {}, "views.publish", {"user_id": "U0123"}),
]


@pytest.mark.parametrize(("view", "name", "args", "kwargs", "api", "sent"), CALLS)
def test_each_call_sends_the_exact_json(slack, flavour, view, name, args, kwargs, api, sent) -> None:
    view.slack_bot = (SlackBot if flavour == "sync" else AsyncSlackBot)("xoxb-test", base_url=slack.base_url)
    answer = show(view, flavour, name, *args, **kwargs)
    (request,) = slack.requests
    assert request.api == api and request.json() == {**sent, "view": view.view()}
    assert answer["ok"] is True and answer["view"]["id"].startswith("V")


@pytest.mark.parametrize(("view", "name", "args", "kwargs", "api", "sent"), CALLS)
def test_offline_bots_record_views_and_answer_with_an_id(flavour, view, name, args, kwargs, api, sent) -> None:
    view.slack_bot = bot = OfflineBot()
    answer = show(view, flavour, name, *args, **kwargs)
    target = args[0] if args else "deploy-1"
    assert bot.views == [(name, target, view.view())]
    assert answer == {"ok": True, "view": {"id": answer["view"]["id"], **view.view(), "hash": answer["view"]["hash"]}}
    if view is MODAL:  # updated by external_id, the view keeps the id it was opened with
        assert show(view, flavour, "update")["view"]["id"] == show(view, flavour, "open", "T")["view"]["id"]
    assert repr(bot).endswith(f"views={len(bot.views)})")


def test_a_sync_call_refuses_an_async_bot(slack) -> None:
    modal = Modal("Deploy", [INPUT], slack_bot=AsyncSlackBot("xoxb-test", base_url=slack.base_url))
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # the coroutine is closed: no "never awaited" warning
        with pytest.raises(TypeError) as raised:
            modal.update("V1")
    assert str(raised.value) == "AsyncSlackBot.update_view() is a coroutine: use `await modal.update_async(...)`"
    assert slack.requests == []


@pytest.mark.parametrize("cls", [WebhookBot, AsyncWebhookBot])
@pytest.mark.parametrize(("view", "name", "args", "kwargs", "api", "sent"), CALLS)
def test_webhooks_refuse_views_before_sending(slack, flavour, cls, view, name, args, kwargs, api, sent) -> None:
    view.slack_bot = cls(slack.webhook_url)
    with pytest.raises(
        NotImplementedError, match=r"^a webhook cannot (open|push|update) a view|^a webhook cannot publish"
    ):
        show(view, flavour, name, *args, **kwargs)
    assert slack.requests == []


def test_the_default_bot_records_views_and_warns(monkeypatch) -> None:
    from velmora import _default_bot

    monkeypatch.delenv("SLACK_BOT_TOKEN", raising=False)
    monkeypatch.delenv("SLACK_WEBHOOK_URL", raising=False)
    monkeypatch.setattr(_default_bot, "_warned", False)
    modal = Modal("Deploy", Blocks([INPUT]))
    with pytest.warns(UserWarning, match="^velmora sent nothing to Slack"):
        modal.open("T.1")
    assert modal.slack_bot.views == [("open", "T.1", modal.view())]
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # once per process
        modal.update("V1")


# ---- the README's Bolt app, on the fake Slack -------------------------------------------------


class FakeBolt:
    """Stands in for slack_bolt.App: it keeps each handler, and calls it with the arguments it
    names, as Bolt does."""

    def __init__(self) -> None:
        self.handlers: dict[tuple[str, str], Any] = {}

    def _register(self, kind: str, name: str) -> Any:
        def register(handler: Any) -> Any:
            self.handlers[kind, name] = handler
            return handler

        return register

    def command(self, name: str) -> Any:
        return self._register("command", name)

    def view(self, callback_id: str) -> Any:
        return self._register("view", callback_id)

    def run(self, kind: str, name: str, **arguments: Any) -> list[Any]:
        import inspect

        acked: list[Any] = []
        arguments["ack"] = lambda answer=None: acked.append(answer)
        handler = self.handlers[kind, name]
        handler(**{p: arguments[p] for p in inspect.signature(handler).parameters})
        return acked


def test_the_readme_bolt_app_opens_updates_refuses_and_posts(slack, monkeypatch) -> None:
    import re
    import sys
    import types
    from pathlib import Path

    from slack_sdk import WebClient

    import velmora.blocks

    if not hasattr(velmora.blocks, "Input"):
        pytest.skip("velmora.blocks.Input (the input builders) has not landed yet")
    readme = (Path(__file__).parents[2] / "README.md").read_text()
    [code] = [c for c in re.findall(r"```python\n(.*?)```", readme, re.S) if "@app.view" in c]
    monkeypatch.setitem(sys.modules, "slack_bolt", types.SimpleNamespace(App=FakeBolt))
    namespace: dict[str, Any] = {}
    exec(code, namespace)
    app, client = namespace["app"], WebClient("xoxb-test", base_url=slack.base_url)

    command = {"trigger_id": "T.1", "channel_id": "C0123", "user_id": "U1"}
    assert app.run("command", "/deploy", command=command, client=client) == [None]
    opened, updated = slack.requests
    assert (opened.api, updated.api) == ("views.open", "views.update")
    assert updated.json()["view_id"] == "V0000000001"  # the id of the view the fake Slack opened
    form = updated.json()["view"]
    View(**form).validate_json()
    assert [b["block_id"] for b in form["blocks"]] == ["service", "replicas", "when"]

    def submitted(replicas: str) -> dict[str, Any]:
        state = {
            "service": {"service": {"type": "plain_text_input", "value": "api"}},
            "replicas": {"replicas": {"type": "number_input", "value": replicas}},
            "when": {"when": {"type": "datepicker", "selected_date": "2026-03-02"}},
        }
        return {"type": "view_submission", "view": {**form, "id": "V1", "state": {"values": state}}}

    refused = app.run("view", "deploy", body=submitted("12"), client=client)
    assert refused == [{"response_action": "errors", "errors": {"replicas": "From 1 to 10 replicas"}}]
    assert len(slack.requests) == 2  # nothing posted
    assert app.run("view", "deploy", body=submitted("3"), client=client) == [None]
    posted = slack.requests[-1]
    assert posted.api == "chat.postMessage" and posted.json()["channel"] == "C0123"
    assert posted.json()["text"] == "Deploying api with 3 replicas on 02 March"
