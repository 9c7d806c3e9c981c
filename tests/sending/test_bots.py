"""The offline bot, and the bot a message makes when it is given none."""

import io
from pathlib import Path

import pytest

from velmora import _default_bot
from velmora.interface import DEFAULT_PREVIEW, BaseVelmora, OfflineBot


class Message(BaseVelmora):
    def build_blocks(self):
        return [{"type": "divider"}]


def test_send_hands_the_payload_to_the_bot():
    bot = OfflineBot()
    Message(slack_bot=bot, preview="p").send(channel="#general")
    assert bot.sent == [("#general", {"text": "p", "blocks": [{"type": "divider"}]})]


@pytest.mark.parametrize("buffer", [b"\x89PNG", bytearray(b"\x89PNG"), memoryview(b"\x89PNG"), io.BytesIO(b"\x89PNG")])
def test_offline_upload_stores_the_bytes(tmp_path, buffer):
    bot = OfflineBot(outbox=tmp_path)
    url = bot.image_upload(buffer=buffer, file_name="../../chart.png")
    assert url.startswith("file://") and url.endswith("chart.png")
    path = Path(url[len("file://") :])
    assert path.parent == tmp_path.resolve()  # the name cannot leave the outbox
    assert path.read_bytes() == b"\x89PNG"


def test_two_uploads_of_one_name_are_both_kept(tmp_path):
    bot = OfflineBot(outbox=tmp_path)
    assert bot.image_upload(buffer=b"1", file_name="a.png") != bot.image_upload(buffer=b"2", file_name="a.png")
    assert len(list(tmp_path.iterdir())) == 2


def test_each_message_gets_its_own_default_bot_on_first_use(monkeypatch):
    monkeypatch.setattr(_default_bot, "_warned", False)
    first, second = Message(), Message(slack_bot=None)
    with pytest.warns(
        UserWarning, match="^velmora sent nothing to Slack: neither SLACK_BOT_TOKEN nor SLACK_WEBHOOK_URL"
    ):
        first.send(channel="#a")
    assert isinstance(second.slack_bot, OfflineBot) and second.slack_bot is not first.slack_bot
    assert second.slack_bot.sent == [] and len(first.slack_bot.sent) == 1
    assert first.slack_bot is first.slack_bot  # made once, then kept


def test_slack_bot_can_be_replaced():
    message, bot = Message(), OfflineBot()
    message.slack_bot = bot
    message.send()
    assert message.slack_bot is bot and bot.sent == [(None, {"text": DEFAULT_PREVIEW, "blocks": [{"type": "divider"}]})]
