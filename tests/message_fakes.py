"""Stand-ins for the builders and the base class that message classes call, recording each call."""

from __future__ import annotations

from typing import Any

from velmora.interface import BaseVelmora


class FakeBuilder:
    """Any attribute is a builder that records (name, args, kwargs) and returns `result`,
    or a fresh list of one block naming the builder when `result` is not given."""

    _unset = object()

    def __init__(self, result: Any = _unset, *, record: bool = True) -> None:
        self.calls: list[tuple[str, tuple[Any, ...], dict[str, Any]]] = []
        self.result = result
        self.record = record

    def __getattr__(self, name: str) -> Any:
        if name.startswith("__"):
            raise AttributeError(name)

        def builder(*args: Any, **kwargs: Any) -> Any:
            if self.record:
                self.calls.append((name, args, kwargs))
            if self.result is FakeBuilder._unset:
                return [{"type": "section", "built_by": name}]
            return self.result

        return builder


def recording_base(message_cls: type) -> tuple[type, list[dict[str, Any]]]:
    """A subclass of `message_cls` whose next class in the MRO records the keyword arguments
    that super().__init__ hands it, then runs BaseVelmora.__init__."""
    seen: list[dict[str, Any]] = []

    class Recorder(BaseVelmora):
        def __init__(self, *args: Any, **kwargs: Any) -> None:
            assert not args
            seen.append(kwargs)
            super().__init__(**kwargs)

    class Probe(message_cls, Recorder):  # type: ignore[misc, valid-type]
        pass

    return Probe, seen


class Refusal(Exception):
    """The error a stand-in base raises."""


def refusing_base(error: BaseException) -> type:
    """A base stand-in whose __init__ raises `error`."""

    class Refusing(BaseVelmora):
        def __init__(self, **kwargs: Any) -> None:
            raise error

    return Refusing


class Blocks(BaseVelmora):
    """A message whose blocks are given: Blocks(blocks, **base_keywords)."""

    def __init__(self, blocks: list[Any], **kwargs: Any) -> None:
        super().__init__(**kwargs)
        self.blocks = blocks

    def build_blocks(self) -> list[Any]:
        return self.blocks
