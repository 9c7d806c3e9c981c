"""Modals and Home tabs: views of blocks that a bot opens, pushes, updates or publishes.

    from velmora.blocks import Input
    from velmora.views import Modal

    modal = Modal("Deploy", [Input.plain_text("Service", action_id="service")], submit="Deploy",
                  callback_id="deploy")
    modal.open(body["trigger_id"])           # in a slash command or button handler

:class:`Modal` and :class:`HomeTab` hold what the view shows; :meth:`Modal.view` and
:meth:`HomeTab.view` give the view dict Slack takes, and the other methods hand it to the bot
(``slack_bot``, else :func:`velmora.interface.default_bot`): a :class:`velmora.slack.SlackBot`
calls ``views.open``, ``views.push``, ``views.update`` and ``views.publish``. Views need a bot
token: a webhook cannot open one. Each method has an ``_async`` twin to ``await``.
"""

from __future__ import annotations

from velmora._delivery import _Calls, _checked, _twins

TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any

__all__ = ["HomeTab", "Modal"]


def _flattened(parts: Any) -> list[dict[str, Any]]:
    """The blocks of ``parts``: a message (its build_blocks()), one block dict, or an iterable
    of block dicts, lists of blocks and messages, in order."""
    if hasattr(parts, "build_blocks"):
        return list(parts.build_blocks())
    if isinstance(parts, dict):
        return [parts]
    if isinstance(parts, (str, bytes)) or not hasattr(parts, "__iter__"):
        raise TypeError(f"blocks must be a list of blocks, a block or a message, not {type(parts).__name__}")
    blocks: list[dict[str, Any]] = []
    for part in parts:
        if isinstance(part, dict):
            blocks.append(part)
        elif hasattr(part, "build_blocks"):
            blocks.extend(part.build_blocks())
        elif isinstance(part, (list, tuple)):
            blocks.extend(part)
        else:
            raise TypeError(
                f"a part of blocks must be a block (dict), a list of blocks or a message, not {type(part).__name__}"
            )
    return blocks


def _text(value: Any, name: str, required: bool = False) -> dict[str, Any] | None:
    """A plain_text object of a str (a text object dict is used as it is); None stays None
    unless ``required``."""
    if (value is None and not required) or isinstance(value, dict):
        return value
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str or a plain_text object, not {type(value).__name__}")
    return {"type": "plain_text", "text": value, "emoji": True}


def _checked_str(value: Any, name: str) -> Any:
    if value is not None and not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {type(value).__name__}")
    return value


class _View:
    """What Modal and HomeTab share: the blocks, the fields of every view, the bot."""

    def __init__(
        self,
        blocks: Any,
        callback_id: str | None,
        private_metadata: str | None,
        external_id: str | None,
        slack_bot: Any,
    ) -> None:
        self.blocks = blocks
        self.callback_id = _checked_str(callback_id, "callback_id")
        self.private_metadata = _checked_str(private_metadata, "private_metadata")
        self.external_id = _checked_str(external_id, "external_id")
        self._slack_bot = slack_bot

    @property
    def slack_bot(self) -> Any:
        """The bot that opens or publishes the view: the one given, else
        :func:`velmora.interface.default_bot`, made on first read."""
        if self._slack_bot is None:
            from velmora._default_bot import default_bot

            self._slack_bot = default_bot()
        return self._slack_bot

    @slack_bot.setter
    def slack_bot(self, bot: Any) -> None:
        self._slack_bot = bot

    def _fields(self) -> dict[str, Any]:
        """Fields every view may carry, when set, in Slack's order."""
        fields = {"private_metadata": self.private_metadata, "callback_id": self.callback_id}
        return {key: value for key, value in fields.items() if value is not None}

    def _shown(self) -> list[str]:
        shown = [f"{name}={value!r}" for name, value in self._fields().items()]
        return shown + ([f"external_id={self.external_id!r}"] if self.external_id is not None else [])

    def view(self, *, strict: bool = False) -> dict[str, Any]:
        raise NotImplementedError

    @staticmethod
    def _parts(blocks: Any) -> str:
        if isinstance(blocks, list):
            return f"<{len(blocks)} part{'' if len(blocks) == 1 else 's'}>"
        return repr(blocks)


class Modal(_View):
    """A modal: a dialog with a title, blocks (a form of ``input`` blocks, often), and submit and
    close buttons.

    ``title`` (at most 24 characters), ``submit`` and ``close`` (the buttons' labels, Slack's
    "Submit" and "Cancel" when not given; ``submit`` is needed when the modal holds an input)
    are strs or plain_text objects. ``blocks``: a list of blocks, builders' block lists and
    messages (each message's blocks, built when the view is), or one block or message.
    ``callback_id`` names the view in the ``view_submission`` that comes back,
    ``private_metadata`` is a text Slack keeps for you (at most 3000 characters),
    ``external_id`` a unique id of your own for :meth:`update`. ``notify_on_close=True`` asks
    for a ``view_closed`` payload when the user closes it, ``clear_on_close=True`` closes every
    view of its stack.
    """

    def __init__(
        self,
        title: str | dict[str, Any],
        blocks: Any,
        *,
        submit: str | dict[str, Any] | None = None,
        close: str | dict[str, Any] | None = None,
        callback_id: str | None = None,
        private_metadata: str | None = None,
        external_id: str | None = None,
        notify_on_close: bool = False,
        clear_on_close: bool = False,
        slack_bot: Any = None,
    ) -> None:
        _text(title, "title", required=True)
        _text(submit, "submit")
        _text(close, "close")
        super().__init__(blocks, callback_id, private_metadata, external_id, slack_bot)
        self.title = title
        self.submit = submit
        self.close = close
        self.notify_on_close = bool(notify_on_close)
        self.clear_on_close = bool(clear_on_close)

    def view(self, *, strict: bool = False) -> dict[str, Any]:
        """The view dict Slack takes (``views.open``, ``views.push``, ``views.update``), keys in
        Slack's order, unset ones left out. With ``strict=True``, :class:`velmora.InvalidBlocks`
        lists what Slack would refuse (see :func:`velmora.validate`)."""
        view: dict[str, Any] = {"type": "modal", "title": _text(self.title, "title"), "blocks": _flattened(self.blocks)}
        for name in ("close", "submit"):
            value = getattr(self, name)
            if value is not None:
                view[name] = _text(value, name)
        view.update(self._fields())
        if self.clear_on_close:
            view["clear_on_close"] = True
        if self.notify_on_close:
            view["notify_on_close"] = True
        if self.external_id is not None:
            view["external_id"] = self.external_id
        return _checked(view, strict)

    def _target(self, view_id: str | None, external_id: str | None) -> tuple[str | None, str | None]:
        """The view update() replaces: (view_id, None) or (None, external_id)."""
        if view_id is not None and external_id is not None:
            raise ValueError("update() takes view_id or external_id, not both")
        if view_id is None and external_id is None:
            external_id = self.external_id
            if external_id is None:
                raise ValueError(
                    "update() needs the view to replace: pass view_id (from the answer to open() or "
                    "the payload's view['id']) or external_id, or give the Modal an external_id"
                )
        return view_id, external_id

    # Each way of handing the view to the bot is written once, as the private method that builds
    # it (a message among the blocks may upload an image); see velmora._delivery._twins.
    _noun = "modal"

    def _open(self, /, trigger_id: str, *, strict: bool = False) -> Any:
        """Open the modal (views.open) with the ``trigger_id`` of a slash command, a shortcut or a
        click (it lives 3 seconds). Returns Slack's answer, whose ``view["id"]`` :meth:`update`
        takes."""
        return _Calls("open_view", [self.view(strict=strict)], (trigger_id,))

    def _push(self, /, trigger_id: str, *, strict: bool = False) -> Any:
        """Push the modal on top of the one open (views.push; a stack holds at most 3 views)."""
        return _Calls("push_view", [self.view(strict=strict)], (trigger_id,))

    def _update(
        self,
        /,
        view_id: str | None = None,
        *,
        external_id: str | None = None,
        hash: str | None = None,
        strict: bool = False,
    ) -> Any:
        """Replace an open view with this one (views.update), found by ``view_id`` or
        ``external_id`` (the modal's own when neither is given). ``hash``, from the view being
        replaced, makes Slack refuse the update if that view changed in between."""
        view_id, external_id = self._target(view_id, external_id)
        return _Calls("update_view", [self.view(strict=strict)], (view_id, external_id, hash))

    open, open_async = _twins(_open)
    push, push_async = _twins(_push)
    update, update_async = _twins(_update)

    def __repr__(self) -> str:
        shown = [f"title={self.title!r}", f"blocks={self._parts(self.blocks)}"]
        shown += [f"{name}={getattr(self, name)!r}" for name in ("submit", "close") if getattr(self, name) is not None]
        shown += self._shown()
        shown += [f"{name}=True" for name in ("notify_on_close", "clear_on_close") if getattr(self, name)]
        return f"Modal({', '.join(shown)})"


class HomeTab(_View):
    """The app's Home tab for one user: blocks, published with :meth:`publish`.

    ``blocks`` as :class:`Modal` takes them; ``callback_id``, ``private_metadata`` and
    ``external_id`` as a modal has them.
    """

    def __init__(
        self,
        blocks: Any,
        *,
        callback_id: str | None = None,
        private_metadata: str | None = None,
        external_id: str | None = None,
        slack_bot: Any = None,
    ) -> None:
        super().__init__(blocks, callback_id, private_metadata, external_id, slack_bot)

    def view(self, *, strict: bool = False) -> dict[str, Any]:
        """The view dict Slack takes (``views.publish``), keys in Slack's order, unset ones left
        out. With ``strict=True``, :class:`velmora.InvalidBlocks` lists what Slack would refuse."""
        view: dict[str, Any] = {"type": "home", "blocks": _flattened(self.blocks), **self._fields()}
        if self.external_id is not None:
            view["external_id"] = self.external_id
        return _checked(view, strict)

    _noun = "home_tab"

    def _publish(self, /, user_id: str, *, hash: str | None = None, strict: bool = False) -> Any:
        """Publish the view as ``user_id``'s Home tab (views.publish); ``hash``, from the view
        published before, makes Slack refuse it if that one changed in between."""
        return _Calls("publish_view", [self.view(strict=strict)], (user_id, hash))

    publish, publish_async = _twins(_publish)

    def __repr__(self) -> str:
        return f"HomeTab({', '.join([f'blocks={self._parts(self.blocks)}', *self._shown()])})"
