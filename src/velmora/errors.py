"""The errors velmora raises beyond Python's own."""

from __future__ import annotations

__all__ = ["InvalidBlocks"]


class InvalidBlocks(ValueError):
    """A message that breaks Slack's Block Kit limits; ``problems`` lists what
    :func:`velmora.validate` found (dicts with ``path`` and ``message``)."""

    __module__ = "velmora"  # where callers import it from: tracebacks and pickles name it so

    def __init__(self, problems: list[dict[str, str]]) -> None:
        self.problems = problems
        count = len(problems)
        lines = [f"the message breaks {count} Block Kit limit{'' if count == 1 else 's'}:"]
        lines += [f"  {p['path'] or '/'}: {p['message']}" for p in problems]
        super().__init__("\n".join(lines))
