import datetime
from collections.abc import Iterable, Mapping
from decimal import Decimal
from typing import Any, Required, TypedDict, Unpack

_Blocks = list[dict[str, Any]]
# A text (its value is the text itself), a (text, value) pair or an option dict.
_Option = str | tuple[str, str] | Mapping[str, Any]
_Number = int | float | Decimal | str

class _Options(TypedDict, total=False):
    """The keywords of every input builder (see Input)."""

    action_id: Required[str]
    optional: bool
    hint: str | None
    dispatch_action: bool
    block_id: str | None

class _Placeholder(_Options, total=False):
    """The keywords of an input builder whose element shows a placeholder while empty."""

    placeholder: str | None

class Input:
    """Builders of Block Kit input blocks, one per element; each returns a new list of one
    block. `action_id` names the element's value in a submission; `optional` lets the form
    be sent without it, `hint` shows under it, `dispatch_action` sends block_actions as the
    user types or picks, and `block_id` names the block (None: Slack assigns one)."""

    # ---- text
    @classmethod
    def plain_text(
        cls,
        label: str,
        *,
        initial_value: str | None = None,
        multiline: bool = False,
        min_length: int | None = None,
        max_length: int | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def number(
        cls,
        label: str,
        *,
        is_decimal_allowed: bool = False,
        initial_value: _Number | None = None,
        min_value: _Number | None = None,
        max_value: _Number | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def email(cls, label: str, *, initial_value: str | None = None, **keywords: Unpack[_Placeholder]) -> _Blocks: ...
    @classmethod
    def url(cls, label: str, *, initial_value: str | None = None, **keywords: Unpack[_Placeholder]) -> _Blocks: ...
    @classmethod
    def rich_text(
        cls,
        label: str,
        *,
        initial_value: Mapping[str, Any] | list[dict[str, Any]] | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...

    # ---- choices
    @classmethod
    def static_select(
        cls,
        label: str,
        options: Iterable[_Option],
        *,
        initial_option: _Option | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def multi_static_select(
        cls,
        label: str,
        options: Iterable[_Option],
        *,
        initial_options: Iterable[_Option] | None = None,
        max_selected_items: int | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def checkboxes(
        cls,
        label: str,
        options: Iterable[_Option],
        *,
        initial_options: Iterable[_Option] | None = None,
        **keywords: Unpack[_Options],
    ) -> _Blocks: ...
    @classmethod
    def radio_buttons(
        cls,
        label: str,
        options: Iterable[_Option],
        *,
        initial_option: _Option | None = None,
        **keywords: Unpack[_Options],
    ) -> _Blocks: ...

    # ---- dates and times
    @classmethod
    def datepicker(
        cls, label: str, *, initial_date: datetime.date | str | None = None, **keywords: Unpack[_Placeholder]
    ) -> _Blocks: ...
    @classmethod
    def timepicker(
        cls,
        label: str,
        *,
        initial_time: datetime.time | str | None = None,
        timezone: str | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def datetimepicker(
        cls, label: str, *, initial_date_time: int | datetime.datetime | None = None, **keywords: Unpack[_Options]
    ) -> _Blocks: ...

    # ---- users, conversations, channels and files
    @classmethod
    def users_select(
        cls, label: str, *, initial_user: str | None = None, **keywords: Unpack[_Placeholder]
    ) -> _Blocks: ...
    @classmethod
    def multi_users_select(
        cls,
        label: str,
        *,
        initial_users: list[str] | tuple[str, ...] | None = None,
        max_selected_items: int | None = None,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def conversations_select(
        cls,
        label: str,
        *,
        initial_conversation: str | None = None,
        default_to_current_conversation: bool = False,
        filter: dict[str, Any] | None = None,
        response_url_enabled: bool = False,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def channels_select(
        cls,
        label: str,
        *,
        initial_channel: str | None = None,
        response_url_enabled: bool = False,
        **keywords: Unpack[_Placeholder],
    ) -> _Blocks: ...
    @classmethod
    def file(
        cls,
        label: str,
        *,
        filetypes: list[str] | tuple[str, ...] | None = None,
        max_files: int | None = None,
        **keywords: Unpack[_Options],
    ) -> _Blocks: ...
