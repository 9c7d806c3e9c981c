"""A typed tour of velmora: build, check, preview and send messages.

Run it with ``python examples/tour.py``: it sends through the offline bot (or through Slack
when SLACK_BOT_TOKEN and SLACK_CHANNEL are set). ``make test`` checks it with ``mypy --strict``.
"""

from __future__ import annotations

import os
from typing import Any

import velmora
from velmora.__main__ import builder_url
from velmora.blocks import Context, Section
from velmora.interface import BaseVelmora, InvalidBlocks, OfflineBot, default_bot
from velmora.messages.header.header import HeaderMessage
from velmora.preview import render_html


class DeployMessage(BaseVelmora):
    """A message class of one's own: a title and a few facts."""

    def __init__(self, service: str, version: str, **kwargs: Any) -> None:
        super().__init__(preview=f"{service} {version} is live", **kwargs)
        self.service = service
        self.version = version

    def build_blocks(self) -> list[dict[str, Any]]:
        return (
            Section.mrkdwn(f"*{self.service}* is live")
            + Section.text_fields([f"*Version*\n{self.version}", "*Took*\n3m 12s"])
            + [{"type": "context", "elements": [Context.mrkdwn("deployed by the tour")]}]
        )


def build() -> list[dict[str, Any]]:
    blocks = HeaderMessage("Nightly report").build_blocks() + Section.plain_text("All green :rocket:")
    problems: list[dict[str, str]] = velmora.validate(blocks)
    assert problems == []
    return blocks


def rich_text() -> list[dict[str, Any]]:
    """The same facts as rich text, and a Markdown answer as native blocks."""
    from velmora.blocks import RichText
    from velmora.markdown import to_blocks

    blocks = RichText.block(
        RichText.section(RichText.text("api", bold=True), " is live ", RichText.emoji(":rocket:")),
        RichText.list(["version 1.4.2", ["took ", RichText.text("3m 12s", code=True)]]),
        block_id="facts",
    )
    blocks += to_blocks("## Next\n- watch the [dashboard](https://example.com/d)")
    assert velmora.validate(blocks) == []
    return blocks


def check_a_bad_message() -> list[str]:
    too_long = [{"type": "header", "text": {"type": "plain_text", "text": "x" * 151}}]
    return [f"{p['path']}: {p['message']}" for p in velmora.validate(too_long)]


def send_offline() -> OfflineBot:
    bot = OfflineBot()
    message = DeployMessage("api", "1.4.2", slack_bot=bot)
    message.send(channel="#deploys", strict=True)
    return bot


def send_for_real() -> dict[str, Any] | None:
    token, channel = os.environ.get("SLACK_BOT_TOKEN"), os.environ.get("SLACK_CHANNEL")
    if not token or not channel:
        return None
    from velmora.slack import SlackBot

    bot = SlackBot(token, channel=channel)
    answer: dict[str, Any] = DeployMessage("api", "1.4.2", slack_bot=bot).send(strict=True)
    return answer


def main() -> None:
    blocks = build()
    print("preview:", builder_url(blocks))
    print("rich text:", builder_url(rich_text()))
    page: str = render_html(DeployMessage("api", "1.4.2", slack_bot=OfflineBot()), title="Deploy")
    print("offline preview:", len(page), "characters of HTML")  # screenshot(message, "deploy.png") for a PNG
    print("problems:", check_a_bad_message())
    print("sent offline:", send_offline().sent)
    print("default bot:", default_bot())
    try:
        DeployMessage("x" * 3000, "1.0").payload(strict=True)
    except InvalidBlocks as error:
        print(error)
    answer = send_for_real()
    print("sent to Slack:", answer if answer is not None else "skipped (set SLACK_BOT_TOKEN and SLACK_CHANNEL)")


if __name__ == "__main__":
    main()
