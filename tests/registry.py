"""The table of velmora's public callables that the reliability checks run over.

One `Entry` per callable: where it lives, its parameters with a strategy of valid values,
a few calls that succeed and a few that fail (one per error path). The property tests, the
leak soak, the thread check and the interpreter checks all read this table, so covering a new
module is adding its entries here. An entry that names nothing is an error (a renamed builder
must not quietly leave every sweep); only one whose optional dependency is not installed is
left out. Public callables of the extension modules that have no entry get a generic one from
their signature (see `entries()`), and the fuzz test says which.
"""

from __future__ import annotations

import datetime
import importlib
import importlib.machinery
import inspect
import pkgutil
from collections.abc import Callable
from dataclasses import dataclass, field

from hypothesis import strategies as st

from hostile import any_text


# ---- what an entry holds ----------------------------------------------------------------------


class C:
    """One call's arguments: C("a", text="b")."""

    def __init__(*args, **kwargs):
        self, *args = args  # no named parameter, so that a keyword "self" is an argument too
        self.args, self.kwargs = tuple(args), kwargs

    def __repr__(self):
        parts = [_safe_repr(a) for a in self.args] + [
            f"{str.__str__(k)}={_safe_repr(v)}" for k, v in self.kwargs.items()
        ]
        return f"({', '.join(parts)})"


class Unread(C):
    """A failing call that its argument checks refuse before the DataFrame in it is read: the
    allocation-failure sweep makes it although it holds a frame (no pandas code runs)."""


def _safe_repr(value: object) -> str:
    """repr() that survives hostile objects (their __repr__ may raise or have side effects)."""
    if type(value) in (str, int, float, bool, type(None), bytes):
        text = repr(value)
        return text if len(text) <= 80 else text[:77] + "..."
    if type(value) in (list, tuple):
        return "[" + ", ".join(_safe_repr(v) for v in value[:6]) + "]"
    if type(value) is dict:
        return "{" + ", ".join(f"{_safe_repr(k)}: {_safe_repr(v)}" for k, v in list(value.items())[:6]) + "}"
    return f"<{type(value).__name__}>"


def _import_optional(module: str) -> object | None:
    """The module; None when it needs a package that is not installed (pandas, ...)."""
    try:
        return importlib.import_module(module)
    except ModuleNotFoundError as error:
        if (error.name or "").partition(".")[0] == "velmora":
            raise
        return None


@dataclass(frozen=True)
class Param:
    name: str
    valid: st.SearchStrategy = field(default_factory=lambda: any_text)
    required: bool = True


@dataclass
class Entry:
    path: str  # "module:Class.attr"; a message class is "module:Class"
    params: tuple[Param, ...] = ()
    ok: tuple[C, ...] = ()  # calls that succeed
    errors: tuple[tuple[C, type[BaseException]], ...] = ()  # one failing call per error path
    message: bool = False  # construct, then build_blocks()
    extra_kwargs: st.SearchStrategy | None = None  # a message's own **kwargs (numbered keys, ...)
    attrs: tuple[str, ...] = ()  # message attributes build_blocks reads
    methods: tuple[str, ...] = ("build_blocks",)  # no-argument methods called on a message
    allowed: tuple[type[BaseException], ...] = ()  # further exceptions this callable may raise
    deterministic: bool = True  # same call, same output (threads check)
    factory: Callable[[], object] | None = None  # builds the callable instead of `path`
    make_ok: Callable[[], tuple] | None = None  # builds `ok` once the module is there (pandas, ...)
    make_errors: Callable[[], tuple] | None = None
    generic: bool = False  # made from a signature, no entry in the table

    @property
    def module(self) -> str:
        return self.path.split(":")[0]

    @property
    def id(self) -> str:
        return self.path.replace("velmora.", "")

    def resolve(self) -> object | None:
        """The callable; None when an optional dependency of its module is not installed.
        LookupError when the entry names something that does not exist."""
        if self.factory is not None:
            return self.factory()
        module, _, attrs = self.path.partition(":")
        try:
            obj = _import_optional(module)
        except ModuleNotFoundError as error:
            raise LookupError(f"registry entry {self.path}: no module {error.name!r}") from None
        if obj is None:
            return None
        for name in attrs.split("."):
            try:
                obj = getattr(obj, name)
            except AttributeError:
                raise LookupError(f"registry entry {self.path}: {obj!r} has no attribute {name!r}") from None
        return obj

    def invoke(self, target: object, call: C) -> object:
        """What one call of the entry does: a plain call, or a message built and rendered."""
        if not self.message:
            return target(*call.args, **call.kwargs)
        obj = target(*call.args, **call.kwargs)
        return [getattr(obj, name)() for name in self.methods]


# ---- valid values ----------------------------------------------------------------------------

dates = st.dates(min_value=datetime.date(1, 1, 1)).map(datetime.date.isoformat)
times = st.builds("{:02d}:{:02d}".format, st.integers(0, 23), st.integers(0, 59))
option_lists = st.lists(any_text, min_size=1, max_size=5)
button_dicts = st.fixed_dictionaries(
    {"text": any_text},
    optional={
        "style": st.sampled_from(["primary", "danger", "", None]),
        "value": any_text | st.none(),
        "url": any_text,
        "action_id": any_text | st.none(),
    },
)


# Options as callers give them: texts, (text, value) pairs and option dicts.
choice_lists = st.lists(
    any_text
    | st.tuples(any_text, any_text)
    | st.builds(lambda t: {"text": {"type": "plain_text", "text": t}, "value": t}, any_text),
    min_size=1,
    max_size=5,
)
action_ids = st.sampled_from(["a", "x" * 255, ""]) | any_text
block_ids = st.sampled_from(["b1", "", "x" * 255]) | any_text | st.none()
BLOCK_ID = Param("block_id", block_ids, False)
slack_ids = st.from_regex(r"[A-Z][A-Z0-9]{1,10}", fullmatch=True)
urls = st.sampled_from(["https://example.com/a?b=1&c=2", "http://x", "mailto:ana@example.com", "HTTPS://X.IO"])
date_formats = st.sampled_from(["{date_short}", "{date_long} at {time}", "{ago}", "x"])
untrusted = any_text | st.sampled_from(["<!channel>", "a & b", "<https://evil.example|bank>", "&amp;", "<@U1>"])


def _blocks_for_fit():
    """Small messages of the blocks velmora.fit splits, some over a limit."""
    section = st.builds(
        lambda t: {"type": "section", "text": {"type": "mrkdwn", "text": t}},
        st.text(min_size=1, max_size=40) | st.just("word " * 700),
    )
    fields = st.builds(
        lambda n: {"type": "section", "fields": [{"type": "mrkdwn", "text": f"f{i}"} for i in range(n)]},
        st.integers(1, 12),
    )
    actions = st.builds(
        lambda n: {
            "type": "actions",
            "elements": [{"type": "button", "text": {"type": "plain_text", "text": f"b{i}"}} for i in range(n)],
        },
        st.integers(1, 27),
    )
    markdown = st.builds(
        lambda t, n: {"type": "markdown", "text": t * n},
        st.sampled_from(["a b\n\n", "```\nx\n", "- i\n  j "]),
        st.integers(1, 5000),
    )
    rich = st.builds(
        lambda t, n: {
            "type": "rich_text",
            "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": t * n}]}],
        },
        st.sampled_from(["ab ", "\n"]),
        st.integers(1, 7000),
    )
    block = section | fields | actions | markdown | rich | st.just({"type": "divider"})
    return st.lists(block, max_size=60) | st.builds(
        lambda b: {"text": "t", "channel": "C1", "blocks": b}, st.lists(block, max_size=8)
    )


class FakeBot:
    """A bot whose uploads return a fixed URL, so messages with images stay offline and quick."""

    def __init__(self):
        self.sent = []

    def image_upload(self, buffer=None, file_name=None):
        return "https://files.example.com/upload.png"

    def send(self, payload, channel=None):
        self.sent.append(payload)
        return payload


# Keyword arguments every message hands to BaseVelmora.
base_kwargs = st.fixed_dictionaries(
    {},
    optional={
        "preview": any_text | st.none(),
        "header": any_text,
        "sub_header": any_text,
        "slack_bot": st.builds(FakeBot),
        "channel": any_text,
    },
)


def numbered_kwargs(prefixes: tuple[str, ...], suffixes: tuple[str, ...] = ("",), values=any_text):
    """Dicts of keys like button_1_text / text_2 in arbitrary order (messages' numbered keywords)."""
    numbers = st.sampled_from(["1", "2", "3", "10", "a", "", "01"])
    names = st.builds(lambda p, n, s: f"{p}{n}{s}", st.sampled_from(prefixes), numbers, st.sampled_from(suffixes))
    return st.dictionaries(names | st.sampled_from(prefixes), values, max_size=6)


def _echo(cls, options, text=None):
    return [cls, options, text]


def _echo_time(cls, initial_time):
    return [cls, initial_time]


def _frame(rows, columns):
    import pandas

    try:
        return pandas.DataFrame(rows, columns=columns)
    except UnicodeEncodeError:  # pyarrow-backed strings cannot hold lone surrogates: keep them as objects
        return pandas.DataFrame(rows, columns=pandas.Index(columns, dtype=object), dtype=object)


def _typed_frame(columns, polars=False):
    """A frame of typed columns (floats, integers, datetimes, dates, strings; missing values in
    each), from polars when asked and installed, else from pandas."""
    if polars:
        try:
            import polars as pl
        except ImportError:
            pass
        else:
            return pl.DataFrame(columns)
    import pandas

    return pandas.DataFrame(columns)


def _frames():
    cell = any_text | st.integers() | st.floats() | st.none() | st.booleans() | st.datetimes()
    columns = st.lists(any_text | st.integers(), min_size=2, max_size=2)
    mixed = st.builds(_frame, st.lists(st.lists(cell, min_size=2, max_size=2), max_size=4), columns)
    text = st.text(st.characters(exclude_categories=("Cs",)))  # what arrow strings can hold
    typed_cells = {
        "f": st.floats() | st.none(),
        "i": st.integers(-(2**63), 2**63 - 1) | st.none(),
        "t": st.datetimes() | st.none(),
        "d": st.dates() | st.none(),
        "s": text | st.none(),
    }

    def typed(rows):
        cells = st.fixed_dictionaries(
            {name: st.lists(c, min_size=rows, max_size=rows) for name, c in typed_cells.items()}
        )
        return st.builds(_typed_frame, cells, st.booleans())

    return mixed | st.integers(0, 4).flatmap(typed)


TYPED = {
    "f": [1.5, None, float("nan")],
    "i": [1, None, -3],
    "s": ["a", None, "b"],
    "t": [datetime.datetime(2024, 1, 2, 3, 4, 5, 6), None, datetime.datetime(1900, 1, 1)],
    "d": [datetime.date(2024, 1, 2), None, datetime.date(1, 1, 1)],
}


def _chart_frame(columns, polars=False):
    """A pandas (or polars) frame of `columns`, or the mapping itself where the library refuses it."""
    try:
        if polars:
            import polars as pl

            return pl.DataFrame(columns, strict=False)
        import pandas

        return pandas.DataFrame(columns)
    except Exception:  # mixed types polars will not hold, texts pyarrow strings cannot
        return columns


def _chart_data():
    """A chart's data: mappings of columns (numbers, texts, dates, missing values) of 0 to 22 rows,
    and the pandas and polars frames made of them."""

    def columns(rows):
        numbers = st.lists(st.integers(-(2**63), 2**64) | st.floats() | st.none(), min_size=rows, max_size=rows)
        labels = st.lists(any_text | st.dates() | st.datetimes(), min_size=rows, max_size=rows)
        mapping = st.dictionaries(st.sampled_from(["x", "a", "b", "c"]), numbers | labels, min_size=1, max_size=4)
        return st.one_of(mapping, mapping.map(_chart_frame), st.builds(_chart_frame, mapping, st.just(True)))

    return st.integers(0, 22).flatmap(columns)


def _pie_data():
    """A pie's data: mappings of label to value (some not positive, some missing), and Series of them."""
    mapping = st.dictionaries(
        any_text | st.integers() | st.dates(), st.integers(-5, 10**6) | st.floats(-1, 1e12) | st.none(), max_size=14
    )

    def series(values):
        import pandas

        made = pandas.Series(values, dtype=object if not values else None)
        _ = made.array, made.index.array  # what pandas caches on a first read (the block's dtype) is cached already
        return made

    return mapping | mapping.map(series)


def _table_options():
    """The table options, valid for a frame of _frames() (columns named by position)."""
    formatter = st.sampled_from(["{}", "{!r:>4}", "", ">6", "%s", "%.1f%%", ".1%"]) | st.just(repr)
    return st.fixed_dictionaries(
        {},
        optional={
            "float_format": formatter | st.none(),
            "max_rows": st.integers(0, 5) | st.none(),
            "align": st.sampled_from([None, {}]),
            "wrap": st.sampled_from([None, [], ()]),
            "formatters": st.just({}),
            "na_rep": st.sampled_from([None, "", "-"]) | any_text,
        },
    )


def _cell_options():
    """The table options of every table (a data table takes no align, wrap or max_rows)."""
    return _table_options().map(
        lambda options: {k: v for k, v in options.items() if k not in ("align", "wrap", "max_rows")}
    )


def _message(path: str, *args):
    """A message of the class at `path` ("module:Class"), made when the entry is read."""
    module, _, name = path.partition(":")
    return getattr(importlib.import_module(module), name)(*args)


def _validated(decorator: str, func):
    def make():
        utils = importlib.import_module("velmora.utils")
        return getattr(utils, decorator)(func)

    return make


# Messages of any shape for the preview: blocks whose keys are Block Kit's, with values of any
# JSON shape (and hostile texts) beneath them.
_KIND_NAMES = [
    "header",
    "divider",
    "section",
    "actions",
    "context",
    "image",
    "rich_text",
    "markdown",
    "table",
    "video",
    "button",
    "static_select",
    "multi_users_select",
    "overflow",
    "datepicker",
    "timepicker",
    "datetimepicker",
    "radio_buttons",
    "checkboxes",
    "mrkdwn",
    "plain_text",
    "text",
    "link",
    "emoji",
    "user",
    "date",
    "rich_text_section",
    "rich_text_list",
    "rich_text_quote",
    "rich_text_preformatted",
    "raw_text",
]
_KEYS = [
    "type",
    "text",
    "fields",
    "accessory",
    "elements",
    "rows",
    "column_settings",
    "image_url",
    "alt_text",
    "title",
    "style",
    "url",
    "options",
    "initial_option",
    "initial_options",
    "placeholder",
    "initial_date",
    "initial_date_time",
    "indent",
    "offset",
    "border",
    "name",
    "unicode",
    "timestamp",
    "format",
    "align",
    "is_wrapped",
    "slack_file",
    "emoji",
    "verbatim",
    "value",
    "blocks",
]
_json = st.recursive(
    st.none()
    | st.booleans()
    | st.integers()
    | st.floats()
    | any_text
    | st.sampled_from(_KIND_NAMES)
    | st.sampled_from(
        [
            "*a* _b_ ~c~ `d` <https://x.io|e> <@U1> <!date^1^{date}|f> :tada: > g\n```h```",
            "#ff0000",
            "1f44d-1f3fb",
            "javascript:alert(1)",
            "<script>x</script>",
            "right",
            "ordered",
            "**m** [l](javascript:x) ![i](data:image/png;base64,AA) [r](rel) <b onclick=x>|a|\n|-:|\n|1|",
        ]
    ),
    lambda inner: st.lists(inner, max_size=4) | st.dictionaries(st.sampled_from(_KEYS) | any_text, inner, max_size=5),
    max_leaves=30,
)
preview_messages = st.lists(_json, max_size=4) | st.dictionaries(st.sampled_from(["text", "blocks"]), _json)


# ---- the table -------------------------------------------------------------------------------

S = "velmora.blocks.section:Section."
IN = "velmora.blocks.input:Input."
ACTION_ID = Param("action_id", action_ids | st.none(), False)
PLACEHOLDER = Param("placeholder", any_text | st.none(), False)


def _input(
    name: str,
    own: tuple[Param, ...] = (),
    ok: tuple[C, ...] = (),
    errors: tuple = (),
    positional: tuple[Param, ...] = (),
) -> Entry:
    """An input builder: label, its positional parameters, action_id, its keywords, the block's."""
    block = (
        Param("optional", st.booleans(), False),
        Param("hint", any_text | st.none(), False),
        Param("dispatch_action", st.booleans(), False),
        BLOCK_ID,
    )
    return Entry(
        IN + name,
        (Param("label"), *positional, Param("action_id", action_ids), *own, *block),
        ok=(C("Label", *([["a"]] if positional else []), action_id="a"), *ok),
        errors=((C("Label"), TypeError), (C("", *([["a"]] if positional else []), action_id="a"), ValueError), *errors),
    )


def _number_values():
    return st.integers() | st.floats() | st.decimals() | any_text | st.sampled_from(["-12", "3.5", "1e5"]) | st.none()


def _inputs() -> list[Entry]:
    flag = lambda name: Param(name, st.booleans(), False)  # noqa: E731
    maybe = lambda name, values=any_text: Param(name, values | st.none(), False)  # noqa: E731
    lengths = st.integers(-1, 3001) | st.none()
    options = Param("options", choice_lists)
    rich = {
        "type": "rich_text",
        "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": "x"}]}],
    }
    when = datetime.datetime(2026, 1, 1, tzinfo=datetime.UTC)
    return [
        _input(
            "plain_text",
            (
                PLACEHOLDER,
                maybe("initial_value"),
                flag("multiline"),
                Param("min_length", lengths, False),
                Param("max_length", lengths, False),
            ),
            ok=(
                C(
                    "Notes",
                    action_id="n",
                    multiline=True,
                    min_length=1,
                    max_length=9,
                    hint="h",
                    optional=True,
                    dispatch_action=True,
                    block_id="b",
                ),
            ),
            errors=((C("x", action_id="a", min_length=5, max_length=4), ValueError),),
        ),
        _input(
            "number",
            (
                flag("is_decimal_allowed"),
                PLACEHOLDER,
                *(Param(n, _number_values(), False) for n in ("initial_value", "min_value", "max_value")),
            ),
            ok=(C("N", action_id="n", is_decimal_allowed=True, initial_value=1.5, min_value="-2", max_value=10),),
            errors=(
                (C("N", action_id="n", min_value=1.5), ValueError),
                (C("N", action_id="n", max_value=[]), TypeError),
            ),
        ),
        _input("email", (PLACEHOLDER, maybe("initial_value")), errors=((C("E", action_id=3), TypeError),)),
        _input("url", (PLACEHOLDER, maybe("initial_value")), errors=((C("U", action_id="u", hint=b"h"), TypeError),)),
        _input(
            "rich_text",
            (PLACEHOLDER, maybe("initial_value", st.just(rich) | st.just([rich]))),
            ok=(C("R", action_id="r", initial_value=[rich]),),
            errors=((C("R", action_id="r", initial_value="x"), TypeError),),
        ),
        _input(
            "static_select",
            (PLACEHOLDER, maybe("initial_option")),
            positional=(options,),
            ok=(C("S", ["a", ("B", "b")], action_id="s", initial_option="b"),),
            errors=(
                (C("S", [], action_id="s"), ValueError),
                (C("S", ["a"], action_id="s", initial_option="z"), ValueError),
            ),
        ),
        _input(
            "multi_static_select",
            (PLACEHOLDER, maybe("initial_options", st.lists(any_text)), maybe("max_selected_items", st.integers())),
            positional=(options,),
            ok=(C("M", ["a", "b"], action_id="m", initial_options=["b", "a"], max_selected_items=2),),
            errors=((C("M", ["a"], action_id="m", initial_options="a"), TypeError),),
        ),
        _input(
            "checkboxes",
            (maybe("initial_options", st.lists(any_text)),),
            positional=(options,),
            ok=(C("C", [("A", "a")], action_id="c", initial_options=[("A", "a")]),),
            errors=((C("C", ["a"] * 11, action_id="c"), ValueError),),
        ),
        _input(
            "radio_buttons",
            (maybe("initial_option"),),
            positional=(options,),
            ok=(C("R", ["a", "b"], action_id="r", initial_option="a"),),
            errors=((C("R", [("a", 1)], action_id="r"), TypeError),),
        ),
        _input(
            "datepicker",
            (PLACEHOLDER, maybe("initial_date", dates | st.dates())),
            ok=(C("D", action_id="d", initial_date=datetime.date(2024, 2, 29)),),
            errors=((C("D", action_id="d", initial_date="2024-13-01"), ValueError),),
        ),
        _input(
            "timepicker",
            (PLACEHOLDER, maybe("initial_time", times | st.times()), maybe("timezone")),
            ok=(C("T", action_id="t", initial_time=datetime.time(9, 30), timezone="UTC"),),
            errors=((C("T", action_id="t", initial_time="9h"), ValueError),),
        ),
        _input(
            "datetimepicker",
            (maybe("initial_date_time", st.integers() | st.datetimes(timezones=st.just(datetime.UTC))),),
            ok=(C("W", action_id="w", initial_date_time=when),),
            errors=((C("W", action_id="w", initial_date_time=1.5), TypeError),),
        ),
        _input(
            "users_select",
            (PLACEHOLDER, maybe("initial_user", slack_ids)),
            errors=((C("U", action_id="u", initial_user=1), TypeError),),
        ),
        _input(
            "multi_users_select",
            (PLACEHOLDER, maybe("initial_users", st.lists(slack_ids)), maybe("max_selected_items", st.integers())),
            ok=(C("U", action_id="u", initial_users=("U1",), max_selected_items=1),),
            errors=((C("U", action_id="u", initial_users=["U1", None]), TypeError),),
        ),
        _input(
            "conversations_select",
            (
                PLACEHOLDER,
                maybe("initial_conversation", slack_ids),
                flag("default_to_current_conversation"),
                maybe("filter", st.just({"include": ["public"]})),
                flag("response_url_enabled"),
            ),
            ok=(C("C", action_id="c", filter={"include": ["im"]}, default_to_current_conversation=True),),
            errors=((C("C", action_id="c", filter=[]), TypeError),),
        ),
        _input(
            "channels_select",
            (PLACEHOLDER, maybe("initial_channel", slack_ids), flag("response_url_enabled")),
            errors=((C("C", action_id="c", response_url_enabled=None), TypeError),),
        ),
        _input(
            "file",
            (maybe("filetypes", st.lists(any_text)), maybe("max_files", st.integers(0, 11))),
            ok=(C("F", action_id="f", filetypes=["pdf"], max_files=1),),
            errors=(
                (C("F", action_id="f", dispatch_action=True), ValueError),
                (C("F", action_id="f", max_files=0), ValueError),
            ),
        ),
    ]


A = "velmora.blocks.actions:Actions."
RT = "velmora.blocks.rich_text:RichText."
flags = st.booleans() | st.integers() | st.none()
rich_elements = any_text | st.fixed_dictionaries({"type": st.just("text"), "text": any_text})
markdown_documents = st.lists(
    st.sampled_from(
        [
            "# ",
            "- ",
            "  - ",
            "1. ",
            "> ",
            "```\n",
            "**",
            "`",
            "[l](https://x)",
            "![i](https://x/i.png)",
            "| a | b |\n|---|:-:|\n",
            "\n",
            "\n\n",
            "<@U1>",
            "<!subteam^S1|@t>",
            ":tada:",
            ">" * 30,
        ]
    )
    | any_text,
    max_size=12,
).map("".join)

REGISTRY: list[Entry] = [
    # velmora.utils
    Entry(
        "velmora.utils:is_valid_date_fmt",
        (Param("date", dates),),
        ok=(C("2024-02-29"),),
        errors=((C("2023-02-29"), ValueError), (C(None), ValueError), (C(), TypeError)),
    ),
    Entry(
        "velmora.utils:validate_options",
        (Param("func", st.just(_echo)),),
        ok=(C(_echo),),
        errors=((C(3), TypeError), (C(len), TypeError), (C(_echo, x=1), TypeError)),
    ),
    Entry(
        "velmora.utils:validate_initial_time",
        (Param("func", st.just(_echo_time)),),
        ok=(C(_echo_time),),
        errors=((C(_echo), TypeError), (C(), TypeError)),
    ),
    Entry(
        "velmora.utils:validate_options(_echo)",
        (Param("cls", st.just(object)), Param("options", option_lists), Param("text", any_text, False)),
        factory=_validated("validate_options", _echo),
        ok=(C(object, ["a", "b"]), C(object, options=range(3), text="t")),
        errors=((C(object, []), ValueError), (C(object, "ab"), TypeError), (C(object, 3), TypeError)),
    ),
    Entry(
        "velmora.utils:validate_initial_time(_echo_time)",
        (Param("cls", st.just(object)), Param("initial_time", times)),
        factory=_validated("validate_initial_time", _echo_time),
        ok=(C(object, "09:30"), C(object, initial_time=None)),
        errors=((C(object, "25:00"), ValueError),),
    ),
    # velmora.blocks.section: text sections
    Entry(
        S + "plain_text",
        (Param("text"), BLOCK_ID),
        ok=(C("hi"), C(""), C("hi", block_id="b1")),
        errors=(
            (C(None), TypeError),
            (C(), TypeError),
            (C("a", "b"), TypeError),
            (C(txt="a"), TypeError),
            (C("a", block_id=1), TypeError),
            (C("a", block_id="b" * 256), ValueError),
        ),
    ),
    Entry(
        S + "mrkdwn",
        (Param("text", any_text | st.none(), False), BLOCK_ID),
        ok=(C("*hi*"), C()),
        errors=((C(3), TypeError),),
    ),
    Entry(
        S + "text_fields",
        (Param("texts", st.lists(any_text, min_size=1, max_size=5)), BLOCK_ID),
        ok=(C(["a", 3]),),
        errors=((C([]), ValueError), (C(("a",)), TypeError)),
    ),
    # velmora.blocks.section: accessories
    Entry(
        S + "datepicker",
        (Param("text"), Param("initial_date", dates), BLOCK_ID),
        ok=(C("When?", "2024-01-31"),),
        errors=((C("When?", "2024-13-01"), ValueError), (C(1, "2024-01-31"), TypeError)),
    ),
    Entry(
        S + "users_select",
        (Param("text", any_text | st.none(), False), BLOCK_ID),
        ok=(C("Who?"), C()),
        errors=((C(3), TypeError),),
    ),
    Entry(
        S + "static_select",
        (Param("options", choice_lists), Param("text", any_text | st.none(), False), ACTION_ID, PLACEHOLDER, BLOCK_ID),
        ok=(
            C(options=["a", "b"], text="Pick"),
            C(
                [("A", "a"), {"text": {"type": "plain_text", "text": "B"}, "value": "b"}],
                action_id="pick",
                placeholder="Pick one",
            ),
        ),
        errors=(
            (C(options=[], text="Pick"), ValueError),
            (C([("a", 1)]), TypeError),
            (C(["a"], action_id=""), ValueError),
        ),
    ),
    Entry(
        S + "multi_static_select",
        (Param("text"), Param("options", choice_lists), ACTION_ID, PLACEHOLDER, BLOCK_ID),
        ok=(C(text="Pick", options=["a", "b"]), C("Pick", [("A", "a")], action_id="tags", placeholder="Tags")),
        errors=((C(text="Pick", options=[]), ValueError), (C("Pick", ["a"], placeholder=""), ValueError)),
    ),
    Entry(
        S + "overflow",
        (Param("text"), Param("options", choice_lists), ACTION_ID, BLOCK_ID),
        ok=(C(text="More", options=["a", "b"]), C("More", [("Edit", "edit")], action_id="more")),
        errors=((C(text=None, options=["a"]), TypeError), (C("More", [("a", "b", "c")]), ValueError)),
    ),
    Entry(
        S + "button",
        (Param("text"), Param("button", button_dicts), BLOCK_ID),
        ok=(C(text="Go", button={"text": "Run", "style": "primary", "action_id": "run"}, block_id="go"),),
        errors=(
            (C(text="Go", button={"style": "primary"}), KeyError),
            (C("Go", {"text": "a"}, block_id=[]), TypeError),
        ),
    ),
    Entry(
        S + "image",
        (Param("text"), Param("image_url"), Param("alt_text", any_text, False), BLOCK_ID),
        ok=(C("Look", "https://x/a.png"),),
        errors=((C("Look", None), TypeError),),
    ),
    Entry(
        S + "slack_image",
        (Param("text"), Param("slack_file"), Param("alt_text", any_text, False), BLOCK_ID),
        ok=(C("Look", "https://files.slack.com/a.png"),),
        errors=((C("Look"), TypeError),),
    ),
    Entry(
        S + "time_picker",
        (Param("text"), Param("initial_time", times), BLOCK_ID),
        ok=(C("When?", "09:30"),),
        errors=((C("When?", "25:00"), ValueError),),
    ),
    Entry(
        S + "radio_buttons",
        (Param("text"), Param("options", choice_lists), ACTION_ID, BLOCK_ID),
        ok=(C("Pick", ["a", 2]), C("Pick", [("A", "a")], action_id="pick")),
        errors=((C("Pick", []), ValueError),),
    ),
    Entry(
        S + "checkboxes",
        (
            Param("options", choice_lists),
            Param("text", any_text | st.none(), False),
            Param("options_description", st.lists(any_text, max_size=3) | st.none(), False),
            ACTION_ID,
            BLOCK_ID,
        ),
        ok=(
            C(["a", "b"], "Pick", ["first"]),
            C([{"text": {"type": "mrkdwn", "text": "A"}, "value": "a"}], None, ["d"], action_id="c"),
        ),
        errors=((C([]), ValueError), (C(["a"], action_id=3), TypeError)),
    ),
    # velmora.blocks.context, header, divider
    Entry("velmora.blocks.context:Context.mrkdwn", (Param("value"),), ok=(C("*a*"),), errors=((C(), TypeError),)),
    Entry(
        "velmora.blocks.context:Context.image_url",
        (Param("value"), Param("alt_text", any_text, False)),
        ok=(C("https://x/a.png"), C("https://x/a.png", "Ana")),
        errors=((C(value="a", x=1), TypeError), (C("a", None), TypeError)),
    ),
    Entry(
        "velmora.blocks.context:Context.block",
        (
            Param(
                "element",
                any_text
                | st.fixed_dictionaries({"type": st.just("image"), "image_url": any_text, "alt_text": any_text}),
            ),
            BLOCK_ID,
        ),
        ok=(C("*a*", {"type": "image", "image_url": "https://x/a.png", "alt_text": "a"}, block_id="c"),),
        errors=((C(), ValueError), (C(3), TypeError), (C("a", block_id="b" * 256), ValueError)),
    ),
    Entry(
        "velmora.blocks.header:Header.plain_text",
        (Param("text"), BLOCK_ID),
        ok=(C("Title"),),
        errors=((C(3), TypeError),),
    ),
    Entry("velmora.blocks.divider:Divider.divider", (BLOCK_ID,), ok=(C(),), errors=((C(1), TypeError),)),
    # velmora.blocks.actions
    Entry(A + "init_blocks", (BLOCK_ID,), ok=(C(),), errors=((C(1), TypeError),)),
    Entry(
        A + "buttons",
        (Param("buttons", st.lists(button_dicts, max_size=4)), BLOCK_ID),
        ok=(
            C([{"text": "a"}, {"text": "b", "style": "danger", "url": "https://x", "action_id": "b"}], block_id="acts"),
        ),
        errors=((C([{"style": "primary"}]), KeyError), (C(({"text": "a"},)), TypeError), (C([3]), TypeError)),
    ),
    Entry(
        A + "datepickers",
        (Param("initial_dates", st.lists(dates, max_size=4)), BLOCK_ID),
        ok=(C(["2024-01-31", "2024-02-01"]),),
        errors=((C(["2024-02-30"]), ValueError), (C(3), TypeError)),
    ),
    Entry(
        A + "time_picker",
        (Param("initial_time", times), BLOCK_ID),
        ok=(C("09:30"),),
        errors=((C(930), TypeError), (C("9h30"), ValueError)),
    ),
    Entry(
        A + "radio_buttons",
        (Param("options", choice_lists), ACTION_ID, BLOCK_ID),
        ok=(C(["a", 2]), C([("A", "a")], action_id="pick")),
        errors=((C([]), ValueError), (C([("a",)]), ValueError)),
    ),
    Entry(
        A + "checkboxes",
        (
            Param("options", choice_lists),
            Param("options_description", st.lists(any_text, max_size=2)),
            ACTION_ID,
            BLOCK_ID,
        ),
        ok=(
            C(["a", "b"], ["first"]),
            C([{"text": {"type": "mrkdwn", "text": "A"}, "value": "a"}], ["d"], action_id="c"),
        ),
        errors=((C(["a"], ["x", "y"]), IndexError), (C(["a"], [], action_id=""), ValueError)),
    ),
    # velmora.blocks.input
    *_inputs(),
    # velmora.blocks.image, rich_text
    Entry(
        "velmora.blocks.image:Image.image",
        (Param("image_url"), Param("image_name", any_text, False), BLOCK_ID),
        ok=(C("https://x/a.png"), C(None)),
        errors=((C("https://x/a.png", None), TypeError),),
    ),
    *(
        Entry(f"velmora.blocks.rich_text:RickText.{name}", (), ok=(C(),), errors=((C(1), TypeError),))
        for name in ("list", "preformatted", "quote", "strike")
    ),
    # velmora.blocks.rich_text: RichText
    Entry(
        RT + "text",
        (Param("text"), *(Param(f, flags, False) for f in ("bold", "italic", "strike", "code", "underline"))),
        ok=(C("a"), C("a", bold=True, underline=1)),
        errors=((C(""), ValueError), (C(3), TypeError), (C("a", True), TypeError)),
    ),
    Entry(
        RT + "link",
        (
            Param("url"),
            Param("text", any_text | st.none(), False),
            *(Param(f, flags, False) for f in ("bold", "italic", "strike", "code")),
        ),
        ok=(C("https://x", "docs", code=True),),
        errors=((C(""), ValueError), (C("https://x", underline=True), TypeError)),
    ),
    Entry(RT + "emoji", (Param("name"),), ok=(C(":tada:"),), errors=((C("::"), ValueError), (C(None), TypeError))),
    *(
        Entry(RT + name, (Param(param),), ok=(C("X1"),), errors=((C(""), ValueError), (C(1), TypeError)))
        for name, param in (("user", "user_id"), ("channel", "channel_id"), ("usergroup", "usergroup_id"))
    ),
    Entry(
        RT + "broadcast",
        (Param("range", st.sampled_from(["here", "channel", "everyone"]) | any_text),),
        ok=(C("here"),),
        errors=((C("all"), ValueError), (C(b"here"), TypeError)),
    ),
    Entry(
        RT + "date",
        (
            Param("timestamp", st.integers()),
            Param("format"),
            Param("fallback", any_text | st.none(), False),
            Param("url", any_text | st.none(), False),
        ),
        ok=(C(1700000000, "{date}", fallback="Nov 14", url="https://x"),),
        errors=((C(1.5, "{date}"), TypeError), (C(1, ""), ValueError)),
    ),
    Entry(
        RT + "section",
        (Param("element", rich_elements), Param("element_2", rich_elements, False)),
        ok=(C("a", {"type": "emoji", "name": "x"}),),
        errors=((C(), ValueError), (C(3), TypeError)),
    ),
    Entry(
        RT + "list",
        (
            Param("items", st.lists(rich_elements | st.lists(rich_elements, max_size=2), max_size=3)),
            Param("style", st.sampled_from(["bullet", "ordered"]) | any_text, False),
            *(Param(n, st.integers(-1, 9), False) for n in ("indent", "offset", "border")),
        ),
        ok=(C(["a", ["b", {"type": "emoji", "name": "x"}]], style="ordered", indent=1, offset=2, border=1),),
        errors=(
            (C([]), ValueError),
            (C(["a"], style="dashed"), ValueError),
            (C(("a",)), TypeError),
            (C(["a"], indent=9), ValueError),
        ),
    ),
    Entry(
        RT + "quote",
        (Param("element", rich_elements), Param("border", st.integers(-1, 2), False)),
        ok=(C("a", border=1),),
        errors=((C(), ValueError), (C("a", border=True), TypeError)),
    ),
    Entry(
        RT + "preformatted",
        (
            Param("element", rich_elements),
            Param("language", any_text | st.none(), False),
            Param("border", st.integers(-1, 2), False),
        ),
        ok=(C("x = 1", language="python"),),
        errors=((C(), ValueError), (C("a", language=1), TypeError)),
    ),
    Entry(
        RT + "block",
        (Param("part", rich_elements), Param("part_2", rich_elements, False), BLOCK_ID),
        ok=(C("a", {"type": "rich_text_quote", "elements": []}, block_id="b"),),
        errors=((C(), ValueError), (C(["a"]), TypeError), (C("a", block_id="b" * 256), ValueError)),
    ),
    Entry(
        "velmora.blocks.markdown:Markdown.markdown",
        (Param("text"), BLOCK_ID),
        ok=(C("**a**", block_id="m"), C(""), C("a" * 12001)),
        errors=((C("a", block_id="b" * 256), ValueError), (C(None), TypeError)),
    ),
    Entry(
        "velmora.markdown:to_blocks",
        (
            Param("text", markdown_documents),
            Param("breaks", st.booleans(), False),
            Param("slack_entities", st.booleans(), False),
        ),
        ok=(
            C("# Hi\n\n**b** [l](https://x)\n\n- a\n  - b\n\n| a | b |\n|---|--:|\n| 1 | 2 |"),
            C("<@U1> :tada:\nnext", breaks=True, slack_entities=True),
        ),
        errors=((C(b"# x"), TypeError), (C(), TypeError)),
    ),
    Entry(
        "velmora.markdown:from_blocks",
        (
            Param("blocks", preview_messages),
            Param("users", st.none() | st.dictionaries(any_text, any_text), False),
            Param("plain", st.booleans(), False),
        ),
        ok=(
            C([{"type": "section", "text": {"type": "mrkdwn", "text": "*a* <@U1>"}}], users={"U1": "ana"}),
            C({"type": "message", "text": "<!here> _b_"}, plain=True),
        ),
        errors=((C("# x"), TypeError), (C([3]), TypeError), (C([], users=["U1"]), TypeError)),
    ),
    # velmora.blocks.table (pandas)
    Entry(
        "velmora.blocks.table:Table.simple_table",
        (Param("df", st.deferred(_frames)), Param("index", st.booleans() | st.integers(), False), BLOCK_ID),
        make_ok=lambda: (
            C(_frame([["a", 1], ["b", 2.5]], ["name", "value"])),
            C(_frame([[None, True]], ["x", 3]), index=True),
            C(_typed_frame(TYPED, polars=True), max_rows=2, columns=["s", "t", "f"]),
            C(_typed_frame(TYPED), index=True, align={"t": "right"}),
            C(
                _frame([["a", 1.25], ["b", 2.5]], ["name", "v"]),
                formatters={"v": "{:,.2f}"},
                float_format=str,
                columns=["v", "name"],
                align={"name": "center"},
                wrap=["name"],
                max_rows=1,
            ),
        ),
        make_errors=lambda: (
            (C(_frame([], [])), ValueError),
            (C([["a"]]), TypeError),
            (C(_frame([["a"]], ["x"]), formatters={"y": "{}"}), KeyError),
            (Unread(_frame([["a"]], ["x"]), align={"x": "up"}), ValueError),
            (Unread(_frame([["a"]], ["x"]), formatters={"x": 3}), TypeError),
            (Unread(_frame([["a"]], ["x"]), max_rows=1.5), TypeError),
        ),
        extra_kwargs=st.deferred(_table_options),
    ),
    # velmora.blocks.chart (pandas and polars only when the data is theirs)
    *(
        Entry(
            f"velmora.blocks.chart:Chart.{kind}",
            (
                Param("data", st.deferred(_chart_data)),
                Param("x", st.sampled_from([None, "x", "a"]), False),
                Param("y", st.sampled_from([None, "a", ["b", "a"], []]), False),
                Param("title", st.text(min_size=1, max_size=50)),
                Param("x_label", any_text | st.none(), False),
                Param("y_label", any_text | st.none(), False),
                Param("dropna", st.booleans(), False),
                BLOCK_ID,
            ),
            make_ok=lambda: (
                C({"x": ["mon", "tue"], "a": [1, 2.5], "b": [None, 3]}, x="x", title="t", dropna=True),
                C(_chart_frame({"a": [1.5, 2], "b": [3, 4]}), y=["b", "a"], title="t", y_label="n", block_id="c"),
                C(_typed_frame(TYPED, polars=True), x="d", y="i", title="t", dropna=True),
            ),
            errors=(
                (C({"a": [1]}), TypeError),
                (C([1], title="t"), TypeError),
                (C({"a": [1, None]}, title="t"), ValueError),
                (C({"a": [1]}, y="b", title="t"), KeyError),
                (C({"a": [1]}, title="t" * 51), ValueError),
            ),
        )
        for kind in ("line", "bar", "area")
    ),
    Entry(
        "velmora.blocks.chart:Chart.pie",
        (
            Param("data", st.deferred(_pie_data)),
            Param("labels", st.sampled_from([None, "x"]), False),
            Param("values", st.sampled_from([None, "a"]), False),
            Param("title", st.text(min_size=1, max_size=50)),
            BLOCK_ID,
        ),
        make_ok=lambda: (
            C({"web": 3, "ios": 4.5}, title="t"),
            C({"x": ["a", "b"], "a": [1, 2]}, labels="x", title="t"),
            C(_chart_frame({"a": [1, 2]}, polars=True), values="a", title="t", block_id="p"),
        ),
        errors=((C({"a": 0}, title="t"), ValueError), (C({"a": "1"}, title="t"), TypeError), (C({"a": 1}), TypeError)),
    ),
    Entry(
        "velmora.blocks.table:Table.data_table",
        (
            Param("df", st.deferred(_frames)),
            Param("caption", any_text.filter(bool)),
            Param("page_size", st.integers(1, 100) | st.none(), False),
            Param("index", st.booleans(), False),
            BLOCK_ID,
        ),
        make_ok=lambda: (
            C(_frame([["a", 1]], ["name", "n"]), caption="Counts", page_size=5, block_id="t"),
            C(_typed_frame(TYPED, polars=True), caption="t", columns=["s", "t", "f"], na_rep="-"),
            # index=True left to the fuzz: pandas' own bookkeeping of the frames index.to_frame()
            # makes swings by some hundred blocks, more than the soak's margin
            C(_typed_frame(TYPED), caption="t", formatters={"i": "%d"}, float_format="{:.2f}"),
        ),
        make_errors=lambda: (
            (Unread(_frame([["a"]], ["x"])), TypeError),
            (Unread(_frame([["a"]], ["x"]), caption=""), ValueError),
            (Unread(_frame([["a"]], ["x"]), caption="c", page_size=101), ValueError),
            (Unread(_frame([["a"]], ["x"]), caption="c", align={}), TypeError),
        ),
        extra_kwargs=st.deferred(_cell_options),
    ),
    Entry(
        "velmora.blocks.preformatted:Preformatted.text",
        (Param("text"), BLOCK_ID),
        ok=(C("x = 1"),),
        errors=((C(None), TypeError),),
    ),
    Entry(
        "velmora.messages.actions.datepickers:DatePickersMessage",
        (Param("initial_dates", st.lists(dates, max_size=4)),),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("initial_dates",),
        ok=(C(["2024-01-31", "2024-02-01"]),),
        errors=((C(["2024-02-30"]), ValueError), (C(), TypeError)),
    ),
    Entry(
        "velmora.messages.composite.checkboxes:CheckBoxesMessage",
        (
            Param("text"),
            Param("options", option_lists),
            Param("options_description", st.lists(any_text, max_size=3) | st.none(), False),
            ACTION_ID,
        ),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text", "options", "options_description", "action_id"),
        ok=(C("Pick", ["a", "b"], ["first"]), C("Pick", [("A", "a")], action_id="pick")),
        errors=((C(None, ["a"]), TypeError), (C("Pick", []), ValueError), (C("Pick", ["a"], action_id=3), TypeError)),
    ),
    Entry(
        "velmora.messages.composite.radio_buttons:RadioButtonsMessage",
        (Param("text"), Param("options", option_lists), ACTION_ID),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text", "options", "action_id"),
        ok=(C("Pick", ["a", 2]), C("Pick", ["a"], action_id="pick")),
        errors=((C(3, ["a"]), TypeError), (C("Pick", []), ValueError), (C("Pick", ["a"], action_id=""), ValueError)),
    ),
    Entry(
        "velmora.messages.composite.time_picker:TimePickerMessage",
        (Param("text"), Param("initial_time", times)),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text", "initial_time"),
        ok=(C("When?", "09:30"),),
        errors=((C("When?", 930), TypeError), (C("When?", "25:00"), ValueError)),
    ),
    Entry(
        "velmora.messages.composite.dataframe:DataFrameMessage",
        (
            Param("df", st.deferred(_frames)),
            Param("title", any_text | st.none(), False),
            Param("index", st.booleans(), False),
        ),
        message=True,
        extra_kwargs=st.builds(lambda a, b: {**a, **b}, base_kwargs, st.deferred(_table_options)),
        attrs=("df", "title", "index"),
        make_ok=lambda: (
            C(_frame([["a", 1]], ["name", "n"]), "Counts"),
            C(
                _frame([["a```<&>", 1.5]], ["name", "n"]),
                columns=["n", "name"],
                wrap=["name"],
                formatters={"n": "{:.2f}"},
                max_rows=3,
            ),
        ),
        make_errors=lambda: ((C(None), TypeError), (Unread(_frame([["a"]], ["x"]), wrap="x"), TypeError)),
    ),
    Entry(
        "velmora.messages.table.simple_table:SimpleTableMessage",
        (
            Param("df", st.deferred(_frames)),
            Param("text", any_text | st.none(), False),
            Param("index", st.booleans(), False),
        ),
        message=True,
        extra_kwargs=st.builds(lambda a, b: {**a, **b}, base_kwargs, st.deferred(_table_options)),
        attrs=("df", "text", "index"),
        make_ok=lambda: (
            C(_frame([["a", 1]], ["name", "n"]), "Counts"),
            C(_frame([["a", 1.5]] * 120, ["name", "n"]), float_format="{:.1f}", align={"n": "left"}),
        ),
        make_errors=lambda: ((C(), TypeError), (Unread(_frame([["a"]], ["x"]), formatters=["x"]), TypeError)),
    ),
    Entry(
        "velmora.messages.table.data_table:DataTableMessage",
        (
            Param("df", st.deferred(_frames)),
            Param("caption", any_text.filter(bool)),
            Param("page_size", st.integers(1, 100) | st.none(), False),
            Param("index", st.booleans(), False),
            Param("text", any_text | st.none(), False),
        ),
        message=True,
        extra_kwargs=st.builds(lambda a, b: {**a, **b}, base_kwargs, st.deferred(_cell_options)),
        attrs=("df", "caption", "page_size", "index", "text"),
        make_ok=lambda: (
            C(_frame([["a", 1]], ["name", "n"]), caption="Counts", text="*Today*", page_size=5),
            # columns= left to Table.data_table's polars call: a pandas selection adds
            # copy-on-write references to the caller's frame, which pandas prunes in swings
            # of some hundred blocks, more than the soak's margin
            C(_typed_frame(TYPED), caption="t", na_rep="-", float_format="{:.1f}"),
        ),
        make_errors=lambda: (
            (Unread(_frame([["a"]], ["x"])), TypeError),
            (Unread(_frame([["a"]], ["x"]), caption=""), ValueError),
            (Unread(_frame([["a"]], ["x"]), caption="c", index=True, na_rep=1), TypeError),
            (C(None, caption="c"), TypeError),
        ),
    ),
    Entry(
        "velmora.messages.chart.chart:ChartMessage",
        (
            Param("data", st.deferred(_chart_data)),
            Param("kind", st.sampled_from(["line", "bar", "area"]), False),
            Param("x", st.sampled_from([None, "x", "a"]), False),
            Param("y", st.sampled_from([None, "a", ["b", "a"]]), False),
            Param("title", st.text(min_size=1, max_size=50)),
            Param("x_label", any_text | st.none(), False),
            Param("y_label", any_text | st.none(), False),
            Param("text", any_text | st.none(), False),
        ),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("data", "kind", "x", "y", "title", "x_label", "y_label", "text"),
        make_ok=lambda: (
            C({"x": ["mon", "tue"], "a": [1, 2.5]}, x="x", title="t", text="*Today*"),
            C({"web": 3, "ios": 4.5}, "pie", title="t"),
            C(_chart_frame({"l": ["a", "b"], "a": [1.5, 2]}, polars=True), "pie", x="l", y="a", title="t"),
            C(_chart_frame({"a": [1.5, 2], "b": [3, 4]}), "bar", title="t", y_label="n"),
        ),
        make_errors=lambda: (
            (C({"a": [1]}), TypeError),
            (C({"a": [1]}, "scatter", title="t"), ValueError),
            (C([1], title="t"), TypeError),
            (C({"a": 1}, "pie", title="t", x_label="x"), ValueError),
        ),
    ),
    Entry(
        "velmora.messages.composite.message:Message",
        (Param("part", st.lists(st.just({"type": "divider"}), max_size=2) | st.just({"type": "divider"})),),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("parts",),
        make_ok=lambda: (
            C([{"type": "divider"}], {"type": "divider"}),
            C(),
            C(_message("velmora.messages.header.header:HeaderMessage", "Hi"), [{"type": "divider"}]),
        ),
        errors=((C(3), TypeError), (C("text"), TypeError)),
    ),
    Entry(
        "velmora.messages.rich_text.preformatted:PreformattedMessage",
        (Param("text"),),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text",),
        ok=(C("x = 1"),),
        errors=((C(), TypeError),),
    ),
    Entry(
        "velmora.messages.rich_text.rich:RichTextMessage",
        (Param("part", rich_elements),),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("parts",),
        ok=(C("Hello", "world"),),
        errors=((C(text="x"), ValueError),),
    ),
    Entry(
        "velmora.messages.rich_text.markdown:MarkdownMessage",
        (Param("text"), Param("native", st.booleans(), False)),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text", "native"),
        ok=(C("**Deploy** done"), C("# Done\n\n- a\n- b", native=True)),
        errors=((C(3), TypeError), (C(), TypeError)),
    ),
    # velmora._validate
    Entry(
        "velmora._validate:validate",
        (
            Param("blocks", st.lists(st.dictionaries(any_text, any_text, max_size=3), max_size=3)),
            Param("surface", st.sampled_from(["message", "modal", "home"]), False),
        ),
        ok=(
            C([{"type": "section", "text": {"type": "mrkdwn", "text": "hi"}}]),
            C({"type": "modal", "title": {"type": "plain_text", "text": "t"}, "blocks": [{"type": "alert"}]}),
            C([{"type": "alert"}], surface="modal"),
        ),
        errors=(
            (C(3), TypeError),
            (C([], surface="x"), ValueError),
            (C([], surface=1), TypeError),
            (C({"type": "home", "blocks": []}, surface="modal"), ValueError),
        ),
    ),
    # velmora.mrkdwn, and fitting a message to Slack's limits
    Entry(
        "velmora.mrkdwn:escape",
        (Param("text", untrusted),),
        ok=(C("<!channel> & <https://x|y>"), C("plain")),
        errors=((C(None), TypeError), (C(b"<"), TypeError)),
    ),
    *(
        Entry(
            f"velmora.mrkdwn:{name}",
            (Param(param, slack_ids),),
            ok=(C("U0123ABC"),),
            errors=((C("U 1"), ValueError), (C(""), ValueError), (C(7), TypeError)),
        )
        for name, param in (("user", "user_id"), ("channel", "channel_id"), ("usergroup", "usergroup_id"))
    ),
    Entry(
        "velmora.mrkdwn:broadcast",
        (Param("range", st.sampled_from(["here", "channel", "everyone"])),),
        ok=(C("here"), C(range="everyone")),
        errors=((C("all"), ValueError), (C(None), TypeError)),
    ),
    Entry(
        "velmora.mrkdwn:link",
        (Param("url", urls), Param("text", untrusted | st.none(), False)),
        ok=(C("https://example.com", "a <b> & c"), C("mailto:a@b")),
        errors=(
            (C("ftp://x"), ValueError),
            (C("https://a b"), ValueError),
            (C("https://a|b"), ValueError),
            (C(None), TypeError),
        ),
    ),
    Entry(
        "velmora.mrkdwn:date",
        (
            Param("timestamp", st.integers() | st.floats(allow_nan=False, allow_infinity=False)),
            Param("format", date_formats),
            Param("fallback", untrusted.filter(bool)),
        ),
        ok=(C(1700000000, "{date_short}", "Nov 14"), C(1.5, "{time}", "<soon>")),
        errors=(
            (C(1, "{date}", ""), ValueError),
            (C(1, "a|b", "x"), ValueError),
            (C("1", "{date}", "x"), TypeError),
            (C(float("inf"), "{date}", "x"), ValueError),
        ),
    ),
    Entry(
        "velmora.mrkdwn:truncate",
        (
            Param("text", untrusted),
            Param("limit", st.integers(-2, 60) | st.integers()),
            Param("ellipsis", st.sampled_from(["…", "...", ""]), False),
        ),
        ok=(
            C("hello wonderful world", 12),
            C("<https://x|y> z", 5, ellipsis=""),
            C("a", 10**30),
            C("ab 👨‍👩‍👧‍👦🇫🇷 e\u0301", 6, ellipsis=""),
        ),
        errors=(
            (C("abc", 0), ValueError),
            (C("abc", -1, ellipsis=""), ValueError),
            (C("abc", True), TypeError),
            (C("abc", 2, "."), TypeError),
        ),
    ),
    Entry(
        "velmora._fit:fit",
        (Param("message", st.deferred(_blocks_for_fit)), Param("max_blocks", st.integers(1, 50), False)),
        ok=(
            C([{"type": "divider"}] * 51),
            C({"text": "t", "blocks": []}, max_blocks=1),
            C(
                [
                    {"type": "markdown", "text": "```py\n" + "x = 1\n\n" * 2500 + "```"},
                    {
                        "type": "rich_text",
                        "elements": [
                            {
                                "type": "rich_text_list",
                                "style": "ordered",
                                "elements": [
                                    {
                                        "type": "rich_text_section",
                                        "elements": [{"type": "text", "text": "a b\n" * 2000}],
                                    }
                                ]
                                * 3,
                            }
                        ],
                    },
                ]
            ),
        ),
        errors=(
            (C([{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}]), ValueError),
            (C([], max_blocks=0), ValueError),
            (C([], max_blocks=True), TypeError),
            (C("x"), TypeError),
        ),
    ),
    Entry(
        "velmora._fallback:fallback_text",
        (Param("blocks", st.deferred(_blocks_for_fit)),),
        ok=(C([{"type": "section", "text": {"type": "mrkdwn", "text": "*hi* <@U1>"}}]), C({"text": "t"})),
        errors=((C("x"), TypeError), (C(), TypeError)),
    ),
    # velmora.preview (Python): any message, whatever its shape, gives a page
    Entry(
        "velmora.preview:render_html",
        (Param("message", preview_messages), Param("title", any_text | st.none(), False)),
        ok=(
            C([{"type": "section", "text": {"type": "mrkdwn", "text": "*hi* <@U1>"}}]),
            C({"text": "t", "blocks": []}, title="x"),
        ),
        errors=((C(3), TypeError), (C([], title=3), TypeError)),
    ),
    # messages
    Entry(
        "velmora.messages.header.header:HeaderMessage",
        (Param("header"), Param("divider", st.booleans() | st.integers(), False)),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("header", "divider"),
        ok=(C("Nightly"), C("Nightly", False, preview="p", extra=1)),
        errors=((C(None), TypeError), (C("a", 1, 2), TypeError), (C("a", header="b"), TypeError)),
    ),
    Entry(
        "velmora.messages.composite.button:ButtonMessage",
        (Param("text", any_text | st.none(), False),),
        message=True,
        attrs=("text", "buttons"),
        extra_kwargs=numbered_kwargs(
            ("button_",),
            ("_text", "_style", "_value", "_url", "_action_id", "_alt_text", ""),
            any_text | st.sampled_from(["primary", "danger", None]),
        ),
        ok=(
            C("Go", button_1_text="Run"),
            C(button_1_text="a", button_2_text="b", button_2_style="danger"),
            C("Go", button_1_text="Run", button_1_action_id="run"),
        ),
        errors=((C("Go"), ValueError), (C(button_1_url="https://x"), ValueError), (C(3, button_1_text="a"), TypeError)),
    ),
    Entry(
        "velmora.messages.context.context:ContextMessage",
        (),
        message=True,
        attrs=("elements",),
        extra_kwargs=numbered_kwargs(("text_", "image_url_")),
        ok=(C(text_1="a", image_url_2="https://x/a.png"), C()),
        errors=((C("a"), TypeError),),
    ),
    Entry(
        "velmora.messages.image.image_msg:ImageMessage",
        (),
        message=True,
        attrs=("image_url", "image_buffer", "image_name"),
        methods=("build_blocks",),
        extra_kwargs=st.fixed_dictionaries(
            {"slack_bot": st.builds(FakeBot)},
            optional={
                "image_url": any_text | st.none(),
                "image_buffer": st.binary(max_size=8) | st.none(),
                "image_name": any_text | st.none(),
                "preview": any_text,
            },
        ),
        ok=(C(image_url="https://x/a.png"), C(image_buffer=b"png", image_name="a.png", slack_bot=FakeBot())),
        errors=((C(), ValueError),),
    ),
    Entry(
        "velmora.messages.section.static_select:StaticSelectMessage",
        (
            Param("options", option_lists),
            Param("text_before_option", any_text | st.none(), False),
            ACTION_ID,
            PLACEHOLDER,
        ),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("options", "text_before_option", "action_id", "placeholder"),
        ok=(C(["a", "b"], "Pick"), C([("A", "a")], "Pick", action_id="pick", placeholder="Choose")),
        errors=((C(["a"], 3), TypeError), (C([], "Pick"), ValueError), (C(["a"], placeholder=""), ValueError)),
    ),
    Entry(
        "velmora.messages.section.multi_static_select_msg:MultiStaticSelectMessage",
        (Param("text_before_option"), Param("options", option_lists), ACTION_ID, PLACEHOLDER),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("options", "text_before_option", "action_id", "placeholder"),
        ok=(
            C("Pick", ("a", "b")),
            C(
                "Pick",
                [{"text": {"type": "plain_text", "text": "A"}, "value": "a"}],
                action_id="pick",
                placeholder="Choose",
            ),
        ),
        errors=((C(None, ["a"]), TypeError), (C("Pick", ["a"], action_id=b"x"), TypeError)),
    ),
    Entry(
        "velmora.messages.section.overflow:OverflowMessage",
        (Param("text"), Param("options", option_lists), ACTION_ID),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text", "options", "action_id"),
        ok=(C("More", ["a", "b"]), C("More", [("A", "a")], action_id="more")),
        errors=((C("More", ("a", "b")), TypeError), (C("More", ["a"], action_id=""), ValueError)),
    ),
    Entry(
        "velmora.messages.section.date_picker:DatePickerMessage",
        (Param("text"), Param("initial_date", dates)),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text", "initial_date"),
        ok=(C("When?", "2024-01-31"),),
        errors=((C("When?", None), TypeError), (C("When?", "31/01/2024"), ValueError)),
    ),
    Entry(
        "velmora.messages.section.users_select:UsersSelectMessage",
        (Param("text"),),
        message=True,
        extra_kwargs=base_kwargs,
        attrs=("text",),
        ok=(C("Who?"),),
        errors=((C(b"Who?"), TypeError),),
    ),
]


# ---- discovery of what is public ---------------------------------------------------------------

SKIPPED_MODULES = {"velmora.__main__", "velmora._demo"}


def extension_modules() -> list[str]:
    """Dotted names of every velmora extension module (C++), imported."""
    import velmora

    names = []
    for info in pkgutil.walk_packages(velmora.__path__, "velmora."):
        if info.name in SKIPPED_MODULES:
            continue
        spec = importlib.util.find_spec(info.name)
        if spec is not None and isinstance(spec.loader, importlib.machinery.ExtensionFileLoader):
            names.append(info.name)
    return sorted(names)


def public_callables() -> dict[str, object]:
    """path -> callable for every public callable defined by an extension module."""
    from velmora.interface import BaseVelmora

    found: dict[str, object] = {}
    for modname in extension_modules():
        module = _import_optional(modname)
        if module is None:  # an optional dependency missing: its own tests say so
            continue
        for name, value in vars(module).items():
            if name.startswith("_"):
                continue
            if isinstance(value, type) and value.__module__ == modname:
                if issubclass(value, BaseVelmora):
                    found[f"{modname}:{name}"] = value
                    continue
                for attr in vars(value):
                    if not attr.startswith("_") and callable(getattr(value, attr)):
                        found[f"{modname}:{name}.{attr}"] = getattr(value, attr)
            elif callable(value) and getattr(value, "__self__", None) is module:
                found[f"{modname}:{name}"] = value
    return found


def message_classes() -> list[type]:
    """Every message class of the package."""
    return [value for path, value in public_callables().items() if isinstance(value, type)]


def builder_classes() -> list[type]:
    """Every class of builders of the package (Section, Actions, ...)."""
    from velmora.interface import BaseVelmora

    found = {
        id(value.__self__): value.__self__
        for value in public_callables().values()
        if isinstance(getattr(value, "__self__", None), type) and not issubclass(value.__self__, BaseVelmora)
    }
    return list(found.values())


def builders_used_by(message: type) -> list[str]:
    """The names of the builder classes a message's module looks up when it builds."""
    import sys

    module = vars(sys.modules[message.__module__])
    return [name for name, value in module.items() if any(value is cls for cls in builder_classes())]


def _generic(path: str, target: object) -> Entry:
    from velmora.interface import BaseVelmora

    message = isinstance(target, type) and issubclass(target, BaseVelmora)
    params: list[Param] = []
    try:
        signature = inspect.signature(target)
    except (TypeError, ValueError):
        signature = None
    if signature is not None:
        for p in signature.parameters.values():
            if p.kind in (p.VAR_POSITIONAL, p.VAR_KEYWORD):
                continue
            params.append(Param(p.name, any_text, p.default is p.empty))
    return Entry(
        path,
        tuple(params),
        message=message,
        generic=True,
        extra_kwargs=base_kwargs if message else None,
        attrs=tuple(p.name for p in params) if message else (),
    )


def entries() -> list[Entry]:
    """Every entry whose optional dependencies are installed: the table's, then generic ones for
    the public callables it lacks. An entry that names nothing raises LookupError."""
    present = [e for e in REGISTRY if e.resolve() is not None]
    for e in present:
        if e.make_ok is not None:
            e.ok, e.make_ok = e.make_ok(), None
        if e.make_errors is not None:
            e.errors, e.make_errors = e.make_errors(), None
    listed = {e.path for e in present}
    generic = [_generic(path, target) for path, target in public_callables().items() if path not in listed]
    return present + generic
