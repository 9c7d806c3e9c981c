from typing import Any as Any
from typing import Dict as Dict
from typing import Iterable as Iterable
from typing import List as List
from typing import Optional as Optional
from typing import TypedDict, Unpack

_Element = dict[str, Any]
_Blocks = list[dict[str, Any]]
_Items = list[str | list[str | dict[str, Any]] | dict[str, Any]]

class _Style(TypedDict, total=False):
    """The styles of a text or a link (each False when left out)."""

    bold: bool
    italic: bool
    strike: bool
    code: bool

class RickText:
    """Builders of Block Kit rich-text elements (placeholders for now)."""

    @classmethod
    def list(cls) -> None: ...
    @classmethod
    def preformatted(cls) -> None: ...
    @classmethod
    def quote(cls) -> None: ...
    @classmethod
    def strike(cls) -> None: ...

class RichText:
    """Builders of Block Kit rich text: inline elements (text, link, emoji, user, channel,
    usergroup, broadcast, date), the parts of a block (section, list, quote, preformatted)
    and the rich_text block itself (block)."""

    @classmethod
    def text(cls, text: str, *, underline: bool = False, **style: Unpack[_Style]) -> _Element: ...
    @classmethod
    def link(cls, url: str, text: str | None = None, **style: Unpack[_Style]) -> _Element: ...
    @classmethod
    def emoji(cls, name: str) -> _Element: ...
    @classmethod
    def user(cls, user_id: str) -> _Element: ...
    @classmethod
    def channel(cls, channel_id: str) -> _Element: ...
    @classmethod
    def usergroup(cls, usergroup_id: str) -> _Element: ...
    @classmethod
    def broadcast(cls, range: str) -> _Element: ...
    @classmethod
    def date(cls, timestamp: int, format: str, *, fallback: str | None = None, url: str | None = None) -> _Element: ...
    @classmethod
    def section(cls, *elements: str | _Element) -> _Element: ...
    @classmethod
    def list(
        cls, items: _Items, *, style: str = "bullet", indent: int = 0, offset: int = 0, border: int = 0
    ) -> _Element: ...
    @classmethod
    def quote(cls, *elements: str | _Element, border: int = 0) -> _Element: ...
    @classmethod
    def preformatted(cls, *elements: str | _Element, language: str | None = None, border: int = 0) -> _Element: ...
    @classmethod
    def block(cls, *parts: str | _Element, block_id: str | None = None) -> _Blocks: ...
