"""Interactive elements and images as HTML: buttons, menus, pickers, choices, image elements.

They are drawn as Slack draws them at rest: a menu shows its placeholder or chosen value,
a picker its value, radio buttons and check boxes their options with the chosen ones marked,
an input its initial value or placeholder (see _fields).
"""

from __future__ import annotations

import datetime

from velmora.preview._fields import FIELDS, field, placeholder
from velmora.preview._inline import IMAGE_SCHEMES, dicts, esc, mention, safe_url, text_of, unknown
from velmora.preview._mrkdwn import text_object

SELECTS = {"static_select", "external_select", "users_select", "conversations_select", "channels_select"}
# a select's chosen value: the key holding it, and how it is shown
CHOSEN = (
    ("initial_option", "option"),
    ("initial_user", "@"),
    ("initial_conversation", "#"),
    ("initial_channel", "#"),
    ("initial_options", "options"),
    ("initial_users", "@"),
    ("initial_conversations", "#"),
    ("initial_channels", "#"),
)


def image(element: dict[str, object], kind: str) -> str:
    """An image whose alt text shows in its place when the image cannot load.

    The alt text and the picture share one grid cell: a picture that loads covers the text,
    a broken one (drawn as nothing, its own alt being empty) leaves it in view. No script.
    """
    alt = text_of(element.get("alt_text"))
    url = element.get("image_url")
    slack_file = element.get("slack_file")
    if url is None and isinstance(slack_file, dict):
        url = slack_file.get("url")
    src = safe_url(url, IMAGE_SCHEMES)
    picture = f'<img src="{esc(src)}" alt="">' if src else ""
    return f'<span class="img {kind}" title="{esc(alt)}"><span class="alt">{esc(alt)}</span>{picture}</span>'


def _label(element: dict[str, object], key: str) -> str:
    return text_object(element.get(key)) if isinstance(element.get(key), dict) else ""


def _button(element: dict[str, object]) -> str:
    style = element.get("style")
    kind = f"button {style}" if style in ("primary", "danger") else "button"
    label = _label(element, "text")
    href = safe_url(element.get("url"))
    if href is None:
        return f'<span class="{kind}">{label}</span>'
    return f'<a class="{kind}" href="{esc(href)}" target="_blank" rel="noopener noreferrer">{label}</a>'


def _chosen(element: dict[str, object]) -> str:
    """What a select shows: its chosen option(s) or users/channels, else its placeholder."""
    for key, how in CHOSEN:
        value = element.get(key)
        if value is None:
            continue
        values = value if isinstance(value, list) else [value]
        if how in ("option", "options"):
            shown = [_label(v, "text") for v in values if isinstance(v, dict)]
        else:
            shown = [mention(how + text_of(v), "user" if how == "@" else "channel") for v in values]
        if shown:
            if not key.endswith("s"):
                return shown[0]
            return '<span class="chips">' + "".join(f'<span class="chip">{s}</span>' for s in shown) + "</span>"
    return f'<span class="placeholder">{_label(element, "placeholder") or "Select an item"}</span>'


def _picker(icon: str, value: str, element: dict[str, object], default: str) -> str:
    shown = esc(value) if value else placeholder(element, default)
    return f'<span class="picker"><span class="icon">{icon}</span>{shown}</span>'


def _date_and_time(element: dict[str, object]) -> str:
    """A date-time picker: a date picker and a time picker side by side, the time in UTC."""
    value = element.get("initial_date_time")
    moment = None
    if isinstance(value, int) and not isinstance(value, bool):
        try:
            moment = datetime.datetime.fromtimestamp(value, datetime.UTC)
        except (ValueError, OverflowError, OSError):
            moment = None
    day, time = (f"{moment:%Y-%m-%d}", f"{moment:%H:%M} UTC") if moment else ("", "")
    plain: dict[str, object] = {}  # the two halves show Slack's own placeholders
    return (
        f'<span class="pickers">{_picker("📅", day, plain, "Select a date")}'
        f"{_picker('🕘', time, plain, 'Select a time')}</span>"
    )


def _choices(element: dict[str, object], mark: str) -> str:
    """Radio buttons ("radio") or check boxes ("check"), the chosen options marked."""
    chosen = element.get("initial_options" if mark == "check" else "initial_option")
    chosen_values = [c.get("value") for c in (chosen if isinstance(chosen, list) else [chosen]) if isinstance(c, dict)]
    rows = []
    for option in dicts(element.get("options")):
        on = " on" if option.get("value") in chosen_values else ""
        description = _label(option, "description")
        note = f'<span class="description">{description}</span>' if description else ""
        rows.append(
            f'<span class="choice"><span class="{mark}{on}"></span>'
            f'<span class="choice-text">{_label(option, "text")}{note}</span></span>'
        )
    return f'<span class="choices">{"".join(rows)}</span>'


def element(item: object) -> str:
    """One interactive element (of an actions block, or a section's accessory)."""
    if not isinstance(item, dict):
        return unknown("element", item)
    element: dict[str, object] = item
    kind = text_of(element.get("type"))
    if kind in ("button", "workflow_button"):
        return _button(element)
    if kind in SELECTS or (kind.startswith("multi_") and kind[6:] in SELECTS):
        return f'<span class="select">{_chosen(element)}<span class="chevron">▾</span></span>'
    if kind == "overflow":
        names = [
            text_of(label.get("text"))
            for o in dicts(element.get("options"))
            if isinstance(label := o.get("text"), dict)
        ]
        return f'<span class="overflow" title="{esc(", ".join(names))}">⋮</span>'
    if kind == "datepicker":
        return _picker("📅", text_of(element.get("initial_date")), element, "Select a date")
    if kind == "timepicker":
        return _picker("🕘", text_of(element.get("initial_time")), element, "Select a time")
    if kind == "datetimepicker":
        return _date_and_time(element)
    if kind in FIELDS:
        return field(element)
    if kind == "radio_buttons":
        return _choices(element, "radio")
    if kind == "checkboxes":
        return _choices(element, "check")
    if kind == "image":
        return image(element, "thumb")
    return unknown("element", element)
