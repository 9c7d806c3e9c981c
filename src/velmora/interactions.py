"""What users send back: a submitted form, a click, and the answer that shows errors in a form.

    from velmora.interactions import action, errors, values

    @app.view("deploy")
    def submitted(ack, body):
        form = values(body)                  # {"service": "api", "replicas": 3, "when": date(...)}
        if form["replicas"] > 10:
            return ack(errors({"replicas-block": "At most 10 replicas"}))
        ack()

- :func:`values` reads the ``state.values`` of a ``view_submission``, ``view_closed`` or
  ``block_actions`` payload as Python values, keyed by ``action_id``.
- :func:`action` reads the element a ``block_actions`` payload is about.
- :func:`errors` is the answer that shows an error under each named input block.

Each element's value is converted by its type: text inputs give a ``str`` (``None`` when left
empty); number inputs an ``int`` when the text is an integer, else a ``decimal.Decimal``;
selects, radio buttons and overflow menus the chosen option's ``value`` (``None`` when none);
multi-selects and check boxes the list of chosen values; user, conversation and channel
pickers their ids; a date picker a ``datetime.date``; a time picker a ``datetime.time`` (with
its ``timezone`` as ``tzinfo`` when the element has one); a date-time picker an aware UTC
``datetime``; a rich-text input its ``rich_text`` block; a file input its list of files; a
button its ``value``. An element type velmora does not know gives its entry as Slack sent it.
"""

from __future__ import annotations

from typing import Any, NamedTuple

__all__ = ["Action", "action", "errors", "values"]


class Action(NamedTuple):
    """The element a ``block_actions`` payload is about, its value converted as :func:`values` does."""

    action_id: str | None
    block_id: str | None
    value: Any
    type: str | None


def _option(chosen: Any) -> Any:
    return chosen["value"] if isinstance(chosen, dict) else None


def _options(chosen: Any) -> list[Any]:
    return [option["value"] for option in chosen or ()]


def _number(text: Any) -> Any:
    if text is None:
        return None
    import decimal

    try:
        number = decimal.Decimal(text)
    except (decimal.InvalidOperation, TypeError, ValueError):
        raise ValueError(f"a number input sent {text!r}, which is not a number") from None
    if not number.is_finite():
        raise ValueError(f"a number input sent {text!r}, which is not a finite number")
    # An integer stays exact as int; "2.50" keeps its digits as a Decimal.
    return int(number) if "." not in text and "e" not in text.lower() else number


def _date(text: Any) -> Any:
    import datetime

    return None if text is None else datetime.date.fromisoformat(text)


def _time(entry: dict[str, Any]) -> Any:
    text = entry.get("selected_time")
    if text is None:
        return None
    import datetime

    chosen = datetime.time.fromisoformat(text)
    if entry.get("timezone"):
        from zoneinfo import ZoneInfo

        chosen = chosen.replace(tzinfo=ZoneInfo(entry["timezone"]))
    return chosen


def _date_time(seconds: Any) -> Any:
    import datetime

    return None if seconds is None else datetime.datetime.fromtimestamp(int(seconds), datetime.UTC)


# element type -> how its value is read from its entry
_READERS: dict[str, Any] = {
    "plain_text_input": lambda e: e.get("value"),
    "email_text_input": lambda e: e.get("value"),
    "url_text_input": lambda e: e.get("value"),
    "number_input": lambda e: _number(e.get("value")),
    "static_select": lambda e: _option(e.get("selected_option")),
    "external_select": lambda e: _option(e.get("selected_option")),
    "radio_buttons": lambda e: _option(e.get("selected_option")),
    "overflow": lambda e: _option(e.get("selected_option")),
    "multi_static_select": lambda e: _options(e.get("selected_options")),
    "multi_external_select": lambda e: _options(e.get("selected_options")),
    "checkboxes": lambda e: _options(e.get("selected_options")),
    "users_select": lambda e: e.get("selected_user"),
    "multi_users_select": lambda e: list(e.get("selected_users") or ()),
    "conversations_select": lambda e: e.get("selected_conversation"),
    "multi_conversations_select": lambda e: list(e.get("selected_conversations") or ()),
    "channels_select": lambda e: e.get("selected_channel"),
    "multi_channels_select": lambda e: list(e.get("selected_channels") or ()),
    "datepicker": lambda e: _date(e.get("selected_date")),
    "timepicker": _time,
    "datetimepicker": lambda e: _date_time(e.get("selected_date_time")),
    "rich_text_input": lambda e: e.get("rich_text_value"),
    "file_input": lambda e: list(e.get("files") or ()),
    "button": lambda e: e.get("value"),
}


def _value(entry: Any) -> Any:
    """One element's value, read by its type; an unknown type's entry as it is."""
    if not isinstance(entry, dict):
        raise TypeError(f"an element's state must be a dict, not {type(entry).__name__}")
    read = _READERS.get(entry.get("type"))  # type: ignore[arg-type]
    return entry if read is None else read(entry)


def _state(payload: Any) -> dict[str, Any]:
    """The ``state.values`` of a payload: its own ``state`` (block_actions in a message, or a
    view), else its view's (view_submission, view_closed, block_actions in a modal)."""
    if not isinstance(payload, dict):
        raise TypeError(f"values() takes an interaction payload (a dict), not {type(payload).__name__}")
    holder = payload if "state" in payload else payload.get("view")
    state = holder.get("state") if isinstance(holder, dict) else None
    found = state.get("values") if isinstance(state, dict) else None
    if not isinstance(found, dict):
        kind = payload.get("type")
        raise ValueError(
            f"no state.values in this {'payload' if kind is None else repr(kind) + ' payload'}: values() reads "
            "view_submission, view_closed and block_actions payloads (or their view)"
        )
    return found


def values(payload: dict[str, Any], *, by_block: bool = False) -> dict[str, Any]:
    """The values of a form, as Python values keyed by ``action_id``, in the form's order.

    ``payload`` is a ``view_submission``, ``view_closed`` or ``block_actions`` payload (Bolt's
    ``body``), or the view it holds. With ``by_block=True`` the values are grouped by block:
    ``{block_id: {action_id: value}}``. An ``action_id`` used in two blocks raises
    ``ValueError`` naming both, unless ``by_block=True``.
    """
    state = _state(payload)
    if by_block:
        return {block_id: {aid: _value(entry) for aid, entry in actions.items()} for block_id, actions in state.items()}
    found: dict[str, Any] = {}
    where: dict[str, str] = {}
    for block_id, actions in state.items():
        for action_id, entry in actions.items():
            if action_id in where:
                raise ValueError(
                    f"action_id {action_id!r} is in blocks {where[action_id]!r} and {block_id!r}: "
                    "read them with values(payload, by_block=True)"
                )
            where[action_id] = block_id
            found[action_id] = _value(entry)
    return found


def action(payload: dict[str, Any]) -> Action:
    """The element a ``block_actions`` payload is about (a click, a choice): its ``action_id``,
    ``block_id``, value (converted as :func:`values` does) and element ``type``."""
    actions = payload.get("actions") if isinstance(payload, dict) else None
    if not actions or not isinstance(actions, list):
        kind = payload.get("type") if isinstance(payload, dict) else type(payload).__name__
        raise ValueError(
            f"action() reads a block_actions payload, which lists its actions; this one ({kind!r}) has none"
        )
    first = actions[0]
    value = _value(first)  # a TypeError first when it is not a dict
    return Action(first.get("action_id"), first.get("block_id"), value, first.get("type"))


def errors(mapping: dict[str, str]) -> dict[str, Any]:
    """The answer to a ``view_submission`` that shows each text under the input block of that
    ``block_id`` (``ack(errors({...}))`` in Bolt); the modal stays open.

    >>> errors({"amount": "Must be positive"})
    {'response_action': 'errors', 'errors': {'amount': 'Must be positive'}}
    """
    shown = dict(mapping)
    if not shown:
        raise ValueError(
            "errors() needs at least one block_id and its message; to accept the submission, "
            "acknowledge it without an answer"
        )
    for block_id, text in shown.items():
        if not isinstance(block_id, str) or not isinstance(text, str):
            raise TypeError(f"errors() maps block_id (str) to a message (str), not {block_id!r} to {text!r}")
    return {"response_action": "errors", "errors": shown}
