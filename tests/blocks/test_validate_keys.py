"""The keys velmora.validate lets each Block Kit object take, held against slack_sdk's models.

Slack refuses a key it does not know ("invalid additional property"). For every object slack_sdk
models, each key of the model is put alone into a message where validate checks that object:
the keys the model knows must pass (but for those below that Slack's reference lacks), and every
other key any model knows must be refused.
"""

from __future__ import annotations

import inspect
from typing import Any

import pytest

from velmora import validate

bc = pytest.importorskip("slack_sdk.models.blocks.basic_components")
be = pytest.importorskip("slack_sdk.models.blocks.block_elements")
bb = pytest.importorskip("slack_sdk.models.blocks.blocks")
views = pytest.importorskip("slack_sdk.models.views")

# Keys of slack_sdk 3.48's models that Slack's reference gives no object of that type: a base
# class hands them down (InteractiveElement an alt_text, InputInteractiveElement a placeholder,
# confirm and focus_on_load, TextObject an emoji) where Slack takes none.
SDK_ONLY = {
    "mrkdwn": {"emoji"},
    **{t: {"alt_text"} for t in ("button", "overflow", "feedback_buttons", "icon_button", "workflow_button")},
    **{t: {"placeholder"} for t in ("checkboxes", "radio_buttons", "datetimepicker")},
    **{
        t: {"confirm"}
        for t in ("plain_text_input", "number_input", "email_text_input", "url_text_input", "rich_text_input")
    },
    "file_input": {"placeholder", "confirm", "focus_on_load"},
    # what Slack adds to a view it sends back (in payloads and answers), not what an app sends
    "modal": {"app_id", "bot_id", "hash", "id", "previous_view_id", "root_view_id", "state", "team_id"},
}
# Keys Slack's newer reference adds that slack_sdk 3.48 does not model yet.
NEWER = {
    "header": {"level"},
    "card": {"subtext", "slack_icon"},
    "plan": {"status"},
    "link": {"unsafe"},
    "date": {"timezone"},
    "rich_text_quote": {"border"},
    "rich_text_preformatted": {"language"},
}


def plain(text: str) -> dict[str, Any]:
    return {"type": "plain_text", "text": text}


def holding(kind: str, obj: dict[str, Any]) -> tuple[Any, str]:
    """A message where validate checks `obj` as a `kind`, and the JSON pointer of `obj` in it."""
    section = {"type": "rich_text_section", "elements": [obj]}
    return {
        "view": (obj, ""),
        "block": ([obj], "/0"),
        "element": ([{"type": "actions", "elements": [obj]}], "/0/elements/0"),
        "part": ([{"type": "rich_text", "elements": [obj]}], "/0/elements/0"),
        "inline": ([{"type": "rich_text", "elements": [section]}], "/0/elements/0/elements/0"),
        "text": ([{"type": "section", "text": obj}], "/0/text"),
        "cell": ([{"type": "table", "rows": [[obj]]}], "/0/rows/0/0"),
        "source": ([{"type": "task_card", "task_id": "t", "title": "t", "sources": [obj]}], "/0/sources/0"),
        "option": (
            [{"type": "actions", "elements": [{"type": "overflow", "options": [obj]}]}],
            "/0/elements/0/options/0",
        ),
        "option group": (
            [{"type": "actions", "elements": [{"type": "static_select", "option_groups": [obj]}]}],
            "/0/elements/0/option_groups/0",
        ),
        "confirm": (
            [{"type": "actions", "elements": [{"type": "button", "text": plain("b"), "confirm": obj}]}],
            "/0/elements/0/confirm",
        ),
        "filter": (
            [{"type": "actions", "elements": [{"type": "conversations_select", "filter": obj}]}],
            "/0/elements/0/filter",
        ),
        "dispatch": (
            [
                {
                    "type": "input",
                    "label": plain("l"),
                    "element": {"type": "plain_text_input", "dispatch_action_config": obj},
                }
            ],
            "/0/element/dispatch_action_config",
        ),
        "trigger": (
            [
                {
                    "type": "actions",
                    "elements": [{"type": "workflow_button", "text": plain("w"), "workflow": {"trigger": obj}}],
                }
            ],
            "/0/elements/0/workflow/trigger",
        ),
        "slack file": ([{"type": "image", "alt_text": "a", "slack_file": obj}], "/0/slack_file"),
        "feedback": (
            [{"type": "context_actions", "elements": [{"type": "feedback_buttons", "positive_button": obj}]}],
            "/0/elements/0/positive_button",
        ),
        "setting": (
            [{"type": "table", "rows": [[{"type": "raw_text", "text": "c"}]], "column_settings": [obj]}],
            "/0/column_settings/0",
        ),
    }[kind]


def kind_of(cls: type) -> str:
    if issubclass(cls, bb.Block):
        return "block"
    if cls.__module__.endswith("block_elements") and cls.__qualname__.startswith("RichTextElementParts."):
        return "inline"
    if issubclass(cls, be.RichTextElement):
        return "part"
    if cls is be.UrlSourceElement:
        return "source"
    if cls in (bc.RawTextObject, bc.RawNumberObject):
        return "cell"
    if issubclass(cls, bc.TextObject):
        return "text"
    return "element"


def model_keys(cls: type) -> set[str]:
    attributes = cls.__dict__.get("attributes") or cls.attributes
    if isinstance(attributes, property):
        attributes = attributes.fget(cls.__new__(cls))
    return set(attributes) - {"type"}


def typed_models() -> dict[str, tuple[str, set[str]]]:
    """Each type slack_sdk models, with where validate meets it and the keys of its model."""
    found: dict[str, tuple[str, set[str]]] = {}
    classes = [c for m in (bc, be, bb) for c in vars(m).values() if inspect.isclass(c)]
    classes += [c for c in vars(be.RichTextElementParts).values() if inspect.isclass(c)]
    for cls in classes:
        kind = getattr(cls, "type", None)
        if isinstance(kind, str) and kind not in found and cls.__module__.startswith("slack_sdk"):
            found[kind] = (kind_of(cls), model_keys(cls))
    return found


# Objects without a "type", as slack_sdk writes them with every field set.
UNTYPED = {
    "option": bc.Option(value="v", text="t", description="d", url="https://x").to_dict(),
    "option group": bc.OptionGroup(label="l", options=[bc.Option(value="v", text="t")]).to_dict(),
    "confirm": bc.ConfirmObject(title="t", text="x", confirm="y", deny="n", style="danger").to_dict(),
    "filter": be.ConversationFilter(
        include=["im"], exclude_bot_users=True, exclude_external_shared_channels=True
    ).to_dict(),
    "dispatch": bc.DispatchActionConfig(trigger_actions_on=["on_enter_pressed"]).to_dict(),
    "trigger": bc.WorkflowTrigger(url="https://x", customizable_input_parameters=[]).to_dict(),
    "slack file": bc.SlackFile(id="F1", url="https://x").to_dict(),
    "feedback": bc.FeedbackButtonObject(text="t", value="v", accessibility_label="a").to_dict(),
    "setting": bc.TableBlockColumnSettings(align="left", is_wrapped=True).to_dict(),
}

MODELS = {
    kind: (where, keys - SDK_ONLY.get(kind, set()) | NEWER.get(kind, set()))
    for kind, (where, keys) in {**typed_models(), "modal": ("view", model_keys(views.View))}.items()
}
MODELS.update({f"({name})": (name, set(obj)) for name, obj in UNTYPED.items()})
EVERY_KEY = sorted(set().union(*(keys for _, keys in MODELS.values()), *SDK_ONLY.values()))


def refused(kind: str, where: str, key: str) -> bool:
    obj = {key: "x"} if kind.startswith("(") else {"type": kind, key: "x"}
    message, path = holding(where, obj)
    return any(
        p["path"] == f"{path}/{key}" and (" is not a key of " in p["message"] or " is allowed only on " in p["message"])
        for p in validate(message)
    )


def test_every_model_is_met() -> None:
    assert len(MODELS) > 60  # blocks, elements, rich text and composition objects


@pytest.mark.parametrize("kind", sorted(MODELS))
def test_each_object_takes_exactly_its_keys(kind: str) -> None:
    where, keys = MODELS[kind]
    assert [key for key in sorted(keys) if refused(kind, where, key)] == []
    assert [key for key in EVERY_KEY if key not in keys and not refused(kind, where, key)] == []
