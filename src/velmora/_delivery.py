"""What every message does with its blocks once built: the payload, and delivering it.

:class:`Delivery` is the Python base of the message base class
:class:`velmora.interface.BaseVelmora` (C++, which builds and stores): talking to a bot is
Python's job, and a method here is replaced or extended like any Python method.
"""

from __future__ import annotations

TYPE_CHECKING = False
if TYPE_CHECKING:
    from collections.abc import Callable, Coroutine
    from typing import Any, Concatenate, Protocol

    class _Bearer(Protocol):
        """What a way of delivering reads of the object it belongs to (a message, a view)."""

        _noun: str  # what it is called in the code of its callers: message, modal...

        @property
        def slack_bot(self) -> Any: ...


__all__ = ["Delivery", "DEFAULT_PREVIEW"]

#: Fallback notification text for a message whose blocks hold no text and that has no preview,
#: header or sub-header.
DEFAULT_PREVIEW = "You got a new message"


# Why each one-message way of delivering cannot split a message that is too long.
_ONE_MESSAGE = {
    "update": "update() replaces one message with one",
    "send_ephemeral": "send_ephemeral() posts one message",
    "respond": "respond() answers with one message",
}


def _checked(payload: dict[str, Any], strict: bool) -> dict[str, Any]:
    """The payload, after :func:`velmora.validate` found nothing wrong with it when ``strict``."""
    if strict:
        from velmora._validate import validate
        from velmora.errors import InvalidBlocks

        problems = validate(payload)
        if problems:
            raise InvalidBlocks(problems)
    return payload


#: Attributes that hold plain text which a message may copy into its ``preview``.
_PLAIN_SOURCES = ("header", "sub_header", "image_name")


def _notification(plain: Any, blocks: Any) -> Any:
    """Notification text from plain text (a header), else from the blocks read out: escaped
    for mrkdwn, so that nothing shown as typed in the message comes alive in the notification,
    and cut to what fallback_text promises (escaping lengthens a text; the cut never falls inside
    an escape). A value that is not a str stays as it is (``validate`` reports it)."""
    from velmora.mrkdwn import escape, truncate

    if plain and not isinstance(plain, str):
        return plain
    if not plain:
        if not isinstance(blocks, list):
            return ""
        from velmora._fallback import fallback_text

        plain = fallback_text(blocks)
    return truncate(escape(plain), _NOTIFICATION_LIMIT)


#: At most this many characters of notification text come from plain text: fallback_text's
#: promise, kept once escaped, and well within Slack's 4,000.
_NOTIFICATION_LIMIT = 3000


def _deliverable(payload: dict[str, Any], strict: bool, method: str) -> dict[str, Any]:
    """The payload, when it may go to Slack; else :class:`velmora.InvalidBlocks`, raised before
    anything is sent. A payload too long for one message (one that :func:`velmora.fit` would
    split) never goes: Slack would refuse it, or cut it. With ``strict``, neither does one
    that breaks any other of Slack's limits; without it, Slack has the last word on those."""
    from velmora._validate import validate

    problems = validate(payload)
    if not problems:
        return payload
    from velmora._validate import _unsplittable

    kept = _unsplittable(payload)[0]
    if not strict and len(kept) == len(problems):  # nothing a split would mend: not too long
        return payload
    from velmora.errors import InvalidBlocks

    raise InvalidBlocks(problems, advice=_advice(payload, method, splits=len(kept) < len(problems), mends=not kept))


def _advice(payload: dict[str, Any], method: str, splits: bool, mends: bool) -> str | None:
    """What to do about a payload that needs more than one message (``splits``): ``fit=True``,
    and the number of messages it makes when a split mends every problem (``mends``)."""
    if not splits:
        return None
    if mends:
        from velmora._fit import fit

        parts = f"as {len(fit(payload))} messages"
    else:
        parts = "in parts, once the other problems are mended"
    if method == "send":
        return f"It does not fit in one Slack message: send(fit=True) posts it {parts}."
    return (
        f"It does not fit in one Slack message, and {_ONE_MESSAGE[method]}: it cannot be split. "
        f"Shorten it, or post it with send(fit=True) {parts}."
    )


def _fields(options: dict[str, Any], name: str, value: Any) -> dict[str, Any]:
    """Fields added to every payload: the named one when given, then the options as they are."""
    return options if value is None else {name: value, **options}


def _call(bot: Any, name: str, *args: Any, caller: str) -> Any:
    """``bot.<name>(*args)``, refusing an asynchronous bot: its coroutine would never run.
    ``caller`` names the method to await instead (``message.send``...)."""
    result = getattr(bot, name)(*args)
    if hasattr(result, "__await__"):
        if hasattr(result, "close"):
            result.close()  # not awaited, on purpose: no "never awaited" warning
        raise TypeError(f"{type(bot).__name__}.{name}() is a coroutine: use `await {caller}_async(...)`")
    return result


async def _call_async(bot: Any, name: str, *args: Any) -> Any:
    """``await bot.<name>(*args)``; a synchronous bot's call runs in a worker thread, so that
    the event loop goes on while it waits for Slack."""
    import asyncio
    import inspect

    method = getattr(bot, name)
    if inspect.iscoroutinefunction(method):
        return await method(*args)
    result = await asyncio.to_thread(method, *args)
    return await result if inspect.isawaitable(result) else result


class _Calls:
    """What a way of delivering hands to the bot once it has built it: ``bot.<method>(part,
    *args)`` for each part, in order. The answer is the bot's, or with ``many`` (a message
    split by ``send(fit=True)``) the list of the parts' answers."""

    __slots__ = ("method", "parts", "args", "many")

    def __init__(self, method: str, parts: list[Any], args: tuple[Any, ...], many: bool = False) -> None:
        self.method = method
        self.parts = parts
        self.args = args
        self.many = many

    def run(self, bot: Any, caller: str) -> Any:
        with _Progress(self) as answers:
            for part in self.parts:
                answers.append(_call(bot, self.method, part, *self.args, caller=caller))
        return answers if self.many else answers[0]

    async def run_async(self, bot: Any) -> Any:
        with _Progress(self) as answers:
            for part in self.parts:
                answers.append(await _call_async(bot, self.method, part, *self.args))
        return answers if self.many else answers[0]


class _Progress:
    """The answers of the parts posted so far. When a part of a split message fails, its error
    tells what was posted before it, so that a caller can resume without posting twice."""

    def __init__(self, calls: _Calls) -> None:
        self.calls = calls
        self.answers: list[Any] = []

    def __enter__(self) -> list[Any]:
        return self.answers

    def __exit__(self, kind: object, error: BaseException | None, traceback: object) -> None:
        if not self.calls.many or not isinstance(error, Exception):
            return
        sent, unsent = self.answers, self.calls.parts[len(self.answers) :]
        error.sent = sent  # type: ignore[attr-defined]
        error.unsent = unsent  # type: ignore[attr-defined]
        error.add_note(
            f"{len(sent)} of {len(sent) + len(unsent)} parts were posted before this error: "
            "its `sent` holds their answers, its `unsent` the payloads not posted"
        )


# A way of delivering is written once, as a private method that builds what to deliver and
# returns its _Calls (`_send`); _twins makes from it the public method and its twin to await
# (`send, send_async = _twins(_send)`), both with its parameters (help() and inspect.signature
# show them) and the class's `_noun` to name them in errors. The private method says it returns
# Any, as the public one does, since help() shows its signature.


def _twins[S: _Bearer, **P](
    plan: Callable[Concatenate[S, P], _Calls],
) -> tuple[Callable[Concatenate[S, P], Any], Callable[Concatenate[S, P], Coroutine[Any, Any, Any]]]:
    """The method of ``plan``, which builds and then hands what it built to the object's bot,
    and its twin to await, whose building runs in a worker thread (it may upload an image,
    which blocks) before it awaits the bot's call."""
    name = plan.__name__.removeprefix("_")

    def blocking(self: S, /, *args: P.args, **kwargs: P.kwargs) -> Any:
        bot = self.slack_bot
        return plan(self, *args, **kwargs).run(bot, f"{self._noun}.{name}")

    async def awaiting(self: S, /, *args: P.args, **kwargs: P.kwargs) -> Any:
        import asyncio

        bot = self.slack_bot
        calls = await asyncio.to_thread(plan, self, *args, **kwargs)
        return await calls.run_async(bot)

    twin = f"{name}_async"
    return _named(blocking, plan, name, plan.__doc__), _named(awaiting, plan, twin, f":meth:`{name}`, to await.")


def _named[F: Callable[..., Any]](method: F, plan: Callable[..., Any], name: str, doc: str | None) -> F:
    """``method`` named ``name`` in the class of ``plan``, with ``plan``'s parameters."""
    method.__name__ = name
    method.__qualname__ = f"{plan.__qualname__.rpartition('.')[0]}.{name}"
    method.__module__ = plan.__module__
    method.__doc__ = doc
    method.__wrapped__ = plan  # type: ignore[attr-defined]
    return method


class Delivery:
    """The Python half of every message: its payload, and handing it to the message's bot.

    No way of delivering posts a message too long for one Slack message: it raises
    :class:`velmora.InvalidBlocks` before anything is sent (:meth:`send` splits it with
    ``fit=True``). Every way takes ``strict=True`` to refuse in the same way a message that
    breaks any of Slack's limits (see :meth:`payload`), and further keyword options that go
    to Slack as they are (``fit`` and ``strict`` never do). Each has an ``_async`` twin to ``await``; the bot may be
    asynchronous (:class:`velmora.slack.AsyncSlackBot`) or not (its calls then run in a worker
    thread).
    """

    # Instances are messages: BaseVelmora gives them their attributes.
    if TYPE_CHECKING:
        preview: str | None
        header: str | None
        sub_header: str | None
        slack_bot: Any

    def build_blocks(self) -> list[dict[str, Any]]:
        """The message's Block Kit blocks; every message class defines its own."""
        raise NotImplementedError(f"{type(self).__name__} does not build blocks")

    def payload(self, *, strict: bool = False) -> dict[str, Any]:
        """The message as Slack's chat.postMessage wants it: fallback text and blocks.

        The text, which notifications and screen readers show, is ``preview`` when it is set,
        as it is: the caller's own mrkdwn, mentions and links included. Else it is ``header``
        or ``sub_header``, else the blocks read out by :func:`velmora.fallback_text`, else
        :data:`DEFAULT_PREVIEW`. Those are plain text, so they are escaped (``&``, ``<`` and
        ``>``) and cut to 3,000 characters: a ``<!channel>`` that a header shows as typed never
        pings anyone from the notification. A preview that is the header, sub-header or image
        name itself (ImageMessage copies the first of them that is set) is plain text too.
        With ``strict=True`` the payload is checked with :func:`velmora.validate` first and
        :class:`velmora.InvalidBlocks` is raised when it breaks any of Slack's limits.
        """
        text = self.preview
        own = text and not any(text is getattr(self, name, None) for name in _PLAIN_SOURCES)
        plain = None if own else text or self.header or self.sub_header
        blocks = self.build_blocks()
        if not own:
            text = _notification(plain, blocks)
        return _checked({"text": text or DEFAULT_PREVIEW, "blocks": blocks}, strict)

    def _parts(self, fit: bool, strict: bool, fields: dict[str, Any], method: str = "send") -> list[dict[str, Any]]:
        """The payloads to deliver, each with the fields: the message's one, or with ``fit`` its
        parts. Each is checked first (see :func:`_deliverable`), so nothing is sent when one fails."""
        payloads = self.payloads() if fit and method == "send" else [self.payload()]
        checked = [_deliverable(part, strict, method) for part in payloads]
        return [{**part, **fields} for part in checked] if fields else checked

    def payloads(self) -> list[dict[str, Any]]:
        """:meth:`payload` as :func:`velmora.fit` splits it: one payload per message that Slack
        takes, in order, each with the same text. :class:`velmora.InvalidBlocks` lists what no
        split can mend (a header over 150 characters, ...)."""
        from velmora._fit import fit

        return fit(self.payload())

    # ---- delivering (each also to await) ----------------------------------------------------

    _noun = "message"

    def _send(
        self,
        /,
        channel: str | None = None,
        *,
        thread_ts: str | None = None,
        strict: bool = False,
        fit: bool = False,
        **options: Any,
    ) -> Any:
        """Post the message; returns the bot's answer (Slack's: ``ok``, ``channel``, ``ts``...).

        ``channel`` is the channel to post in (the bot's default when not given); with
        ``thread_ts`` the message is a reply in that thread. Options such as
        ``unfurl_links``, ``reply_broadcast``, ``username`` or ``icon_emoji`` go to Slack as
        they are.

        A message too long for one Slack message is never posted as it is: without ``fit``,
        :class:`velmora.InvalidBlocks` is raised before anything is sent, saying how many
        messages ``fit=True`` would make. ``fit=True`` posts each of :meth:`payloads` in
        order, every part with the same channel, thread and options, and returns the list of
        answers. When a part fails,
        the error raised is the bot's own (``SlackApiError``...), with two attributes added:
        ``sent``, the answers of the parts already posted, and ``unsent``, the payloads not
        posted (the failed one first), so that a caller can resume without posting twice.
        """
        parts = self._parts(fit, strict, _fields(options, "thread_ts", thread_ts))
        return _Calls("send", parts, (channel,), many=fit)

    def _update(self, /, channel: str, ts: str, *, strict: bool = False, fit: bool = False, **options: Any) -> Any:
        """Replace the posted message ``ts`` in ``channel`` with this message's current blocks
        (chat.update), so that ``message.update(answer["channel"], answer["ts"])`` updates
        what ``send()`` posted. Returns the bot's answer.

        One message replaces one: a message too long for Slack raises
        :class:`velmora.InvalidBlocks` before anything is sent, ``fit=True`` or not (``fit``
        and ``strict`` are velmora's, never sent to Slack). The same holds for
        :meth:`send_ephemeral` and :meth:`respond`."""
        return _Calls("update", self._parts(fit, strict, options, "update"), (channel, ts))

    def _send_ephemeral(
        self,
        /,
        channel: str,
        user: str,
        *,
        thread_ts: str | None = None,
        strict: bool = False,
        fit: bool = False,
        **options: Any,
    ) -> Any:
        """Post the message in ``channel`` so that only ``user`` sees it (chat.postEphemeral)."""
        parts = self._parts(fit, strict, _fields(options, "thread_ts", thread_ts), "send_ephemeral")
        return _Calls("send_ephemeral", parts, (channel, user))

    def _respond(
        self,
        /,
        response_url: str,
        *,
        replace_original: bool = False,
        strict: bool = False,
        fit: bool = False,
        **options: Any,
    ) -> Any:
        """Answer an interaction (a button click, a slash command) through its ``response_url``.

        ``replace_original=True`` replaces the message that was clicked; options such as
        ``response_type="in_channel"``, ``delete_original`` or ``thread_ts`` go to Slack as
        they are. A response_url needs no token: the message's bot posts to it with a
        :class:`velmora.slack.WebhookBot`, and so does the default bot when nothing is
        configured.
        """
        parts = self._parts(fit, strict, _fields(options, "replace_original", replace_original), "respond")
        return _Calls("respond", parts, (response_url,))

    send, send_async = _twins(_send)
    update, update_async = _twins(_update)
    send_ephemeral, send_ephemeral_async = _twins(_send_ephemeral)
    respond, respond_async = _twins(_respond)
