from collections.abc import Iterable, Mapping
from typing import Any, TypedDict, Unpack

_Blocks = list[dict[str, Any]]

class _Select(TypedDict, total=False):
    """The keywords of a section with a select menu (each None when left out)."""

    action_id: str | None
    placeholder: str | None
    block_id: str | None

class Section:
    """Builders of Block Kit section blocks; each returns a new list of blocks and takes a
    keyword-only block_id (None: Slack assigns one)."""

    # ---- text sections
    @classmethod
    def plain_text(cls, text: str, *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def mrkdwn(cls, text: str | None = None, *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def text_fields(cls, texts: list[Any], *, block_id: str | None = None) -> _Blocks: ...

    # ---- sections with one accessory (text: 1 to 3000 characters of Slack markdown)
    @classmethod
    def users_select(cls, text: str | None = None, *, block_id: str | None = None) -> _Blocks: ...
    # An option: a text (str() of any other item; values "value-0", ...), a (text, value) pair or
    # an option dict.
    @classmethod
    def static_select(cls, options: Iterable[Any], text: str | None = None, **keywords: Unpack[_Select]) -> _Blocks: ...
    @classmethod
    def multi_static_select(cls, text: str, options: Iterable[Any], **keywords: Unpack[_Select]) -> _Blocks: ...
    @classmethod
    def overflow(
        cls, text: str, options: Iterable[Any], *, action_id: str | None = None, block_id: str | None = None
    ) -> _Blocks: ...
    @classmethod
    def button(cls, text: str, button: Mapping[str, Any], *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def image(cls, text: str, image_url: str, alt_text: str = "image", *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def slack_image(
        cls, text: str, slack_file: str, alt_text: str = "image", *, block_id: str | None = None
    ) -> _Blocks: ...
    @classmethod
    def datepicker(cls, text: str, initial_date: str, *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def time_picker(cls, text: str, initial_time: str, *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def radio_buttons(
        cls, text: str, options: Iterable[Any], *, action_id: str | None = None, block_id: str | None = None
    ) -> _Blocks: ...
    @classmethod
    def checkboxes(
        cls,
        options: Iterable[Any],
        text: str | None = None,
        options_description: Iterable[Any] | None = None,
        *,
        action_id: str | None = None,
        block_id: str | None = None,
    ) -> _Blocks: ...
