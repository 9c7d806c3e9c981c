"""Inline pieces shared by mrkdwn and rich text: escaping, links, mentions, emoji and dates.

Every function returns HTML in which each text from the message has been escaped, so that
nothing in a message can add markup to the page.
"""

from __future__ import annotations

import datetime
import html
from urllib.parse import urlsplit

from velmora.preview._emoji import EMOJI

# Schemes a link or an image may use; anything else (javascript:, data:, ...) is shown as text.
LINK_SCHEMES = frozenset({"http", "https", "mailto"})
IMAGE_SCHEMES = frozenset({"http", "https"})


def esc(text: str) -> str:
    """`text` escaped for HTML content and attribute values."""
    return html.escape(text, quote=True)


def text_of(value: object) -> str:
    """A string from the message as it is; numbers as written; anything else as ""."""
    if isinstance(value, str):
        return value
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return str(value)
    return ""


def listed(value: object) -> list[object]:
    """`value` when it is a list, else [] (a message may hold anything where a list belongs)."""
    return value if isinstance(value, list) else []


def dicts(value: object) -> list[dict[str, object]]:
    """The objects of `value` when it is a list, else []."""
    return [v for v in value if isinstance(v, dict)] if isinstance(value, list) else []


def safe_url(url: object, schemes: frozenset[str] = LINK_SCHEMES) -> str | None:
    """`url` when its scheme is one of `schemes` (read as a browser reads it), else None."""
    if not isinstance(url, str) or not url.strip():
        return None
    try:
        scheme = urlsplit(url).scheme.lower()
    except ValueError:
        return None
    return url if scheme in schemes else None


def link(url: object, inner: str) -> str:
    """A link around the HTML `inner`; an unsafe or missing address gives `inner` alone."""
    href = safe_url(url)
    if href is None:
        return inner
    return f'<a href="{esc(href)}" target="_blank" rel="noopener noreferrer">{inner}</a>'


def mention(label: str, kind: str) -> str:
    """A highlighted name: kind is "user", "channel", "usergroup" or "broadcast"."""
    return f'<span class="mention {kind}">{esc(label)}</span>'


def emoji(name: str, unicode: object = None) -> str:
    """The emoji `name` (without colons): its character when known, else ":name:"."""
    char = None
    if isinstance(unicode, str) and unicode:
        try:
            char = "".join(chr(int(part, 16)) for part in unicode.split("-"))
        except (ValueError, OverflowError):
            char = None
    char = char or EMOJI.get(name)
    if char is None:
        return f'<span class="emoji-name">:{esc(name)}:</span>'
    return f'<span class="emoji" title=":{esc(name)}:">{esc(char)}</span>'


def unknown(kind: str, value: object) -> str:
    """A visible mark for a block or element the preview does not draw, naming its type."""
    if not isinstance(value, dict):
        name = f"not an object ({type(value).__name__})"
    else:
        name = f'"{value["type"]}"' if isinstance(value.get("type"), str) else "no type"
    return f'<span class="unknown">unknown {kind}: {esc(name)}</span>'


# ---- dates -----------------------------------------------------------------------------------


def _day(d: datetime.datetime) -> str:
    suffix = "th" if 11 <= d.day % 100 <= 13 else {1: "st", 2: "nd", 3: "rd"}.get(d.day % 10, "th")
    return f"{d.day}{suffix}"


def _clock(d: datetime.datetime, seconds: bool) -> str:
    hour = d.hour % 12 or 12
    tail = f":{d.second:02d}" if seconds else ""
    return f"{hour}:{d.minute:02d}{tail} {'AM' if d.hour < 12 else 'PM'}"


def _ago(d: datetime.datetime) -> str:
    seconds = int((datetime.datetime.now(datetime.UTC) - d).total_seconds())
    future, seconds = seconds < 0, abs(seconds)
    for unit, size in (("day", 86400), ("hour", 3600), ("minute", 60)):
        if seconds >= size:
            count = seconds // size
            words = f"{count} {unit}{'' if count == 1 else 's'}"
            return f"in {words}" if future else f"{words} ago"
    return "just now"


def _tokens(d: datetime.datetime) -> dict[str, str]:
    date = f"{d:%B} {_day(d)}, {d.year}"
    short = f"{d:%b} {d.day}, {d.year}"
    long = f"{d:%A}, {date}"
    return {
        "{date_num}": f"{d:%Y-%m-%d}",
        "{date}": date,
        "{date_short}": short,
        "{date_long}": long,
        # The "pretty" forms say "today" or "yesterday" where they can; a preview keeps the date.
        "{date_pretty}": date,
        "{date_short_pretty}": short,
        "{date_long_pretty}": long,
        "{time}": _clock(d, False),
        "{time_secs}": _clock(d, True),
        "{ago}": _ago(d),
    }


def date(timestamp: object, format: str, fallback: str, url: object = None) -> str:
    """A Slack date: `format`'s tokens filled in from the UNIX `timestamp`, in UTC.

    A timestamp that is not a number shows `fallback`, as Slack does where it cannot render.
    """
    try:
        if isinstance(timestamp, bool):
            raise ValueError(timestamp)
        moment = datetime.datetime.fromtimestamp(float(timestamp), datetime.UTC)  # type: ignore[arg-type]
    except (TypeError, ValueError, OverflowError, OSError):
        return esc(fallback)
    shown = format
    for token, value in _tokens(moment).items():
        shown = shown.replace(token, value)
    inner = f'<span class="date" title="{esc(moment.isoformat())}">{esc(shown)}</span>'
    return link(url, inner)
