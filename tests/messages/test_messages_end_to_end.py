"""Message classes with the real builders: valid Block Kit, checked against Slack's SDK."""

from __future__ import annotations

import pytest
from slack_sdk.models.blocks import Block

from velmora.interface import OfflineBot
from velmora.messages.composite.button import ButtonMessage
from velmora.messages.context.context import ContextMessage
from velmora.messages.header.header import HeaderMessage
from velmora.messages.image.image_msg import ImageMessage
from velmora.messages.section.date_picker import DatePickerMessage
from velmora.messages.section.multi_static_select_msg import MultiStaticSelectMessage
from velmora.messages.section.overflow import OverflowMessage
from velmora.messages.section.static_select import StaticSelectMessage
from velmora.messages.section.users_select import UsersSelectMessage

URL = "https://example.com/cat.png"


def assert_valid(result):
    assert isinstance(result, list) and result
    for block in result:
        assert Block.parse(block).to_dict() == block


def test_header_and_context_messages():
    assert_valid(HeaderMessage("Nightly report").build_blocks())
    assert_valid(ContextMessage(text_1="*ana* deployed", image_url_1=URL, text_2="now").build_blocks())


@pytest.mark.parametrize(
    "message",
    [
        lambda: StaticSelectMessage(["red", "green"], "Pick a colour"),
        lambda: StaticSelectMessage(["red", "green"]),
        lambda: MultiStaticSelectMessage("Pick colours", ("red", "green")),
        lambda: OverflowMessage("More", ["Edit", "Delete"]),
        lambda: DatePickerMessage("Due on", "2024-02-29"),
        lambda: UsersSelectMessage("Who reviews?"),
        lambda: ButtonMessage("Ready?", button_1_text="Ship it", button_1_style="primary"),
        lambda: ButtonMessage(button_1_text="Yes", button_2_text="No", button_2_style="danger"),
        lambda: ImageMessage(image_url=URL),
        lambda: ImageMessage(image_url=URL, image_name="A cat"),
    ],
)
def test_valid_block_kit(message):
    assert_valid(message().build_blocks())


def test_button_order_reaches_action_ids():
    (block,) = ButtonMessage(button_10_text="ten", button_2_text="two", button_1_text="one").build_blocks()
    assert [(e["text"]["text"], e["action_id"], e["value"]) for e in block["elements"]] == [
        ("one", "action-button-0", "button_value-0"),
        ("two", "action-button-1", "button_value-1"),
        ("ten", "action-button-2", "button_value-2"),
    ]


def test_one_button_beside_text_is_a_section():
    (block,) = ButtonMessage("Ready?", button_1_text="Ship it", button_1_url="https://example.com").build_blocks()
    assert block["type"] == "section" and block["accessory"]["type"] == "button"
    assert block["accessory"]["url"] == "https://example.com"


def test_image_without_name_keeps_default_alt_text():
    (block,) = ImageMessage(image_url=URL).build_blocks()
    assert block == {"type": "image", "block_id": "image_block", "image_url": URL, "alt_text": "image"}


def test_image_from_buffer_through_offline_bot(tmp_path):
    message = ImageMessage(image_url=URL, image_buffer=b"\x89PNG", image_name="cat.png", slack_bot=OfflineBot(tmp_path))
    (block,) = message.build_blocks()
    assert block["image_url"].startswith("file://") and block["alt_text"] == "cat.png"
    assert ImageMessage(image_url=URL, image_buffer=b"").build_blocks()[0]["image_url"] == URL


def test_readme_message_examples():
    import json
    import re
    from pathlib import Path

    readme = (Path(__file__).parents[2] / "README.md").read_text()
    section = readme[readme.index("## Messages") : readme.index("## Sending")]
    namespace: dict = {}
    checked = 0
    for kind, body in re.findall(r"```(python|json)\n(.*?)```", section, re.S):
        if kind == "python":
            lines = body.strip().splitlines()
            exec("\n".join(line for line in lines if line.startswith("from ")), namespace)
            built = eval("\n".join(line for line in lines if not line.startswith("from ")), namespace).build_blocks()
        else:
            assert json.loads(body) == built
            checked += 1
    import velmora.messages

    assert checked == section.count("```json\n") and checked >= len(velmora.messages.__all__)
