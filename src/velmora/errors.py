"""The errors velmora raises beyond Python's own."""

from __future__ import annotations

TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any

__all__ = ["InvalidBlocks", "WebhookError"]


class InvalidBlocks(ValueError):
    """A message that breaks Slack's Block Kit limits; ``problems`` lists what
    :func:`velmora.validate` found (dicts with ``path`` and ``message``), and ``advice``, when
    not None, says what to do about them (such as sending with ``fit=True``)."""

    __module__ = "velmora"  # where callers import it from: tracebacks and pickles name it so

    def __init__(self, problems: list[dict[str, str]], advice: str | None = None) -> None:
        self.problems = problems
        self.advice = advice
        count = len(problems)
        lines = [f"the message breaks {count} Block Kit limit{'' if count == 1 else 's'}:"]
        lines += [f"  {p['path'] or '/'}: {p['message']}" for p in problems]
        if advice:
            lines.append(advice)
        super().__init__("\n".join(lines))

    def __reduce__(self) -> tuple[Any, ...]:
        # Rebuilt from its problems, not its text, so that it crosses processes (pickle).
        return type(self), (self.problems, self.advice), self.__dict__


class WebhookError(Exception):
    """Slack refused a post to an incoming webhook or a ``response_url``.

    ``status`` is the HTTP status, ``body`` Slack's answer as text (such as
    ``"invalid_blocks"`` or ``"no_text"``), ``response`` slack_sdk's ``WebhookResponse``.
    The URL is left out of the message: it is the webhook's secret.
    """

    def __init__(self, status: int, body: str, response: Any = None) -> None:
        self.status = status
        self.body = body
        self.response = response
        super().__init__(f"Slack refused the webhook post (HTTP {status}): {body}")

    def __reduce__(self) -> tuple[Any, ...]:
        return type(self), (self.status, self.body)
