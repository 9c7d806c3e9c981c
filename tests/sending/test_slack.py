"""The Slack transport against a fake Slack Web API served on 127.0.0.1."""

from __future__ import annotations

import copy
import io
import json
import subprocess
import sys

import pytest

pytest.importorskip("slack_sdk")

from fake_slack import Answer, FakeSlack
from message_fakes import Blocks
from slack_sdk.errors import SlackApiError

from velmora.interface import InvalidBlocks
from velmora.messages.header.header import HeaderMessage
from velmora.slack import SlackBot


@pytest.fixture
def bot(slack: FakeSlack) -> SlackBot:
    return SlackBot("xoxb-test", base_url=slack.base_url, channel="C0DEFAULT")


# ---- posting ---------------------------------------------------------------------------------


def test_send_posts_the_exact_payload(slack: FakeSlack, bot: SlackBot) -> None:
    answer = HeaderMessage("Nightly report", slack_bot=bot).send(channel="C0123")
    (request,) = slack.requests
    assert request.path == "/api/chat.postMessage"
    assert request.headers["Authorization"] == "Bearer xoxb-test"
    assert request.headers["Content-Type"].startswith("application/json")
    sent = request.json()
    assert sent == {
        "channel": "C0123",
        "text": "Nightly report",
        "blocks": [
            {"type": "header", "text": {"type": "plain_text", "text": "Nightly report", "emoji": True}},
            {"type": "divider"},
        ],
    }
    assert list(sent) == ["channel", "text", "blocks"]
    assert list(sent["blocks"][0]) == ["type", "text"]
    assert answer["ok"] is True and answer["ts"] == "1700000000.000100"
    assert answer["message"]["blocks"] == sent["blocks"]


def test_send_uses_the_default_channel_and_needs_one(slack: FakeSlack) -> None:
    bot = SlackBot("xoxb-test", base_url=slack.base_url, channel="C0DEFAULT")
    bot.send({"text": "hi"})
    payload = {"channel": "C0PAYLOAD", "text": "hi", "thread_ts": "1.2"}
    bot.send(payload)
    bot.send(payload, channel="C0GIVEN")
    assert [r.json() for r in slack.requests] == [
        {"channel": "C0DEFAULT", "text": "hi"},
        {"channel": "C0PAYLOAD", "text": "hi", "thread_ts": "1.2"},
        {"channel": "C0GIVEN", "text": "hi", "thread_ts": "1.2"},
    ]
    assert payload == {"channel": "C0PAYLOAD", "text": "hi", "thread_ts": "1.2"}
    with pytest.raises(
        ValueError, match=r"^no channel to send to: pass send\(channel=...\) or SlackBot\(channel=...\)$"
    ):
        SlackBot("xoxb-test", base_url=slack.base_url).send({"text": "hi"})
    assert len(slack.requests) == 3


def test_token_from_the_environment(slack: FakeSlack, monkeypatch: pytest.MonkeyPatch) -> None:
    monkeypatch.setenv("SLACK_BOT_TOKEN", "xoxb-from-env")
    SlackBot(base_url=slack.base_url).send({"text": "hi"}, channel="C1")
    assert slack.requests[0].headers["Authorization"] == "Bearer xoxb-from-env"
    monkeypatch.delenv("SLACK_BOT_TOKEN")
    with pytest.raises(ValueError, match="^SlackBot needs a bot token: pass token=... or set SLACK_BOT_TOKEN$"):
        SlackBot()


# ---- errors ----------------------------------------------------------------------------------


def test_slack_errors_reach_the_caller(slack: FakeSlack, bot: SlackBot) -> None:
    slack.answer(
        "chat.postMessage",
        Answer(
            body={
                "ok": False,
                "error": "invalid_blocks",
                "errors": ["must be more than 0 characters [json-pointer:/blocks/0/text/text]"],
            }
        ),
    )
    with pytest.raises(SlackApiError) as raised:
        bot.send({"text": "x", "blocks": [{"type": "section", "text": {"type": "mrkdwn", "text": ""}}]})
    assert raised.value.response["error"] == "invalid_blocks"
    assert "invalid_blocks" in str(raised.value)
    assert "json-pointer:/blocks/0/text/text" in str(raised.value)


# ---- uploads ---------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "buffer", [b"\x89PNG\r\n", bytearray(b"\x89PNG\r\n"), memoryview(b"\x89PNG\r\n"), io.BytesIO(b"\x89PNG\r\n")]
)
def test_image_upload_takes_the_external_upload_route(slack: FakeSlack, bot: SlackBot, buffer: object) -> None:
    url = bot.image_upload(buffer=buffer, file_name="../charts/chart.png")
    assert url == "https://files.slack.com/files-pri/T0001-F0001/chart.png"
    assert [r.path for r in slack.requests] == [
        "/api/files.getUploadURLExternal",
        "/upload/F0001",
        "/api/files.completeUploadExternal",
    ]
    ask, upload, complete = slack.requests
    assert ask.form() == {"filename": "chart.png", "length": "6"}
    assert upload.body == b"\x89PNG\r\n"
    assert json.loads(complete.form()["files"]) == [{"id": "F0001", "title": "chart.png"}]


def test_image_upload_asks_files_info_when_the_answer_lacks_the_url(slack: FakeSlack, bot: SlackBot) -> None:
    slack.answer(
        "files.completeUploadExternal", Answer(body={"ok": True, "files": [{"id": "F0001", "title": "image"}]})
    )
    assert bot.image_upload(buffer=b"GIF89a") == "https://files.slack.com/files-pri/T0001-F0001/image"
    assert slack.requests[-1].api == "files.info"
    assert slack.requests[-1].form() == {"file": "F0001"}


def test_image_upload_refuses_text(bot: SlackBot, slack: FakeSlack) -> None:
    with pytest.raises(TypeError):
        bot.image_upload(buffer="not bytes", file_name="a.png")
    assert slack.requests == []


def test_uploaded_images_are_sent_as_slack_files(slack: FakeSlack, bot: SlackBot) -> None:
    url = bot.image_upload(buffer=b"\x89PNG", file_name="chart.png")
    blocks = [
        {"type": "image", "block_id": "image_block", "image_url": url, "alt_text": "chart.png"},
        {
            "type": "context",
            "elements": [{"type": "image", "image_url": url, "alt_text": "c"}, {"type": "mrkdwn", "text": "x"}],
        },
        {"type": "image", "image_url": "https://example.com/a.png", "alt_text": "public"},
    ]
    before = copy.deepcopy(blocks)
    Blocks(blocks, slack_bot=bot).send()
    sent = slack.calls("chat.postMessage")[0].json()["blocks"]
    assert sent[0] == {"type": "image", "block_id": "image_block", "slack_file": {"url": url}, "alt_text": "chart.png"}
    assert list(sent[0]) == ["type", "block_id", "slack_file", "alt_text"]
    assert sent[1]["elements"][0] == {"type": "image", "slack_file": {"url": url}, "alt_text": "c"}
    assert sent[2] == blocks[2]
    assert blocks == before  # the caller's blocks are untouched


# ---- strict sending --------------------------------------------------------------------------


def test_strict_send_refuses_before_sending(slack: FakeSlack, bot: SlackBot) -> None:
    message = Blocks([{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}], slack_bot=bot)
    with pytest.raises(InvalidBlocks) as raised:
        message.send(strict=True)
    assert str(raised.value) == (
        "the message breaks 1 Block Kit limit:\n"
        '  /blocks/0/text/text: "text" is 151 characters long; Slack allows at most 150.'
    )
    assert slack.requests == []
    message.send()  # not strict: Slack has the last word
    assert len(slack.requests) == 1


def test_image_message_uploads_and_sends_a_slack_file(slack: FakeSlack, bot: SlackBot) -> None:
    image_msg = pytest.importorskip("velmora.messages.image.image_msg")
    message = image_msg.ImageMessage(image_buffer=io.BytesIO(b"\x89PNG"), image_name="chart.png", slack_bot=bot)
    message.send(channel="C0123")
    assert [r.api for r in slack.requests] == [
        "files.getUploadURLExternal",
        "/upload/F0001",
        "files.completeUploadExternal",
        "chat.postMessage",
    ]
    assert slack.requests[1].body == b"\x89PNG"
    assert slack.requests[-1].json() == {
        "channel": "C0123",
        "text": "chart.png",
        "blocks": [
            {
                "type": "image",
                "block_id": "image_block",
                "slack_file": {"url": "https://files.slack.com/files-pri/T0001-F0001/chart.png"},
                "alt_text": "chart.png",
            }
        ],
    }


def test_importing_the_module_loads_no_slack_sdk() -> None:
    code = "import sys, velmora.slack; print(sorted(m for m in sys.modules if m.startswith('slack_sdk')))"
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert done.stdout.strip() == "[]"


def test_slack_api_error_is_slack_sdks_own() -> None:
    import velmora.slack

    assert velmora.slack.SlackApiError is SlackApiError
    with pytest.raises(AttributeError, match="has no attribute 'Nothing'"):
        velmora.slack.Nothing  # noqa: B018
