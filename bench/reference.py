"""velmora's builders and message classes written in ordinary Python, for the benchmark.

This is what a careful Python developer would write for the same behaviour: class methods
building dict literals, exact type checks with the same messages, `logging` for the one
warning. The benchmark asserts that every result here equals velmora's (key order
included) before it times anything, and compiles this same file with Cython.

Nothing here imports velmora: the message base class is written here too, in Python, as
velmora's own once was (its keywords, `extras`, and the bot made on first read).
"""

from __future__ import annotations

import functools
import logging
import math


class _DefaultBot:
    """`slack_bot` of a message given none: made on first read, then kept in the instance."""

    def __get__(self, obj, owner=None):
        if obj is None:
            return self
        from velmora.bots import default_bot

        bot = obj.__dict__["slack_bot"] = default_bot()
        return bot


class BaseVelmora:
    def __init__(self, *, preview=None, header=None, sub_header=None, slack_bot=None, **extras):
        self.preview = preview
        self.header = header
        self.sub_header = sub_header
        if slack_bot is not None:
            self.slack_bot = slack_bot
        self.extras = extras

    slack_bot = _DefaultBot()


logger = logging.getLogger("velmora.messages.composite.button")


def _wrong_type(name, expected, value):
    return TypeError(f"Argument '{name}' has incorrect type (expected {expected}, got {type(value).__name__})")


def _list_result(result):
    if result is not None and type(result) is not list:
        raise TypeError(f"Expected list, got {type(result).__name__}")
    return result


# ---- validation helpers ----------------------------------------------------------------------


def is_valid_date_fmt(date):
    if not isinstance(date, str):
        raise ValueError(f"Invalid date: expected a str in the format YYYY-MM-DD, got {type(date).__name__}")
    ok = len(date) == 10 and date[4] == "-" and date[7] == "-"
    if ok:
        digits = date[:4] + date[5:7] + date[8:]
        ok = digits.isascii() and digits.isdigit()
    if ok:
        year, month, day = int(date[:4]), int(date[5:7]), int(date[8:])
        leap = (year % 4 == 0 and year % 100 != 0) or year % 400 == 0
        days = (31, 29 if leap else 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31)
        ok = year >= 1 and 1 <= month <= 12 and 1 <= day <= days[month - 1]
    if not ok:
        raise ValueError(f"Invalid date {date!r}: expected a real calendar date in the format YYYY-MM-DD")
    return True


def validate_options(func):
    code = func.__code__
    names = code.co_varnames[: code.co_argcount]
    position = names.index("options") - 1 if "options" in names else -1  # after cls

    @functools.wraps(func)
    def wrapper(cls, *args, **kwargs):
        if 0 <= position < len(args):
            options = args[position]
        elif "options" in kwargs:
            options = kwargs["options"]
        else:
            return func(cls, *args, **kwargs)
        if type(options) is not list and type(options) is not tuple:
            if isinstance(options, str):
                raise TypeError("options must be an iterable of option texts (a list, say), not a single str")
            options = list(options)
            if 0 <= position < len(args):
                args = args[:position] + (options,) + args[position + 1 :]
            else:
                kwargs["options"] = options
        if not options:
            raise ValueError("options must hold at least one option")
        return func(cls, *args, **kwargs)

    return wrapper


def validate_initial_time(func):
    code = func.__code__
    names = code.co_varnames[: code.co_argcount]
    position = names.index("initial_time") - 1

    @functools.wraps(func)
    def wrapper(cls, *args, **kwargs):
        value = args[position] if position < len(args) else kwargs.get("initial_time")
        if type(value) is str:
            ok = len(value) == 5 and value[2] == ":" and (value[:2] + value[3:]).isdigit()
            if not ok or int(value[:2]) > 23 or int(value[3:]) > 59:
                raise ValueError(
                    f"initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got {value!r}"
                )
        return func(cls, *args, **kwargs)

    return wrapper


# ---- blocks ----------------------------------------------------------------------------------


def _accessory_text(text, fallback=None):
    if text is None and fallback is not None:
        return fallback
    if type(text) is not str:
        raise _wrong_type("text", "str", text)
    if not 1 <= len(text) <= 3000:
        raise ValueError(f"text must hold 1 to 3000 characters, got {len(text)}")
    return text


def _options(options, kind, element, max_count):
    options = list(options)
    if not 1 <= len(options) <= max_count:
        raise ValueError(f"{element} takes 1 to {max_count} options, got {len(options)}")
    out = []
    for i, option in enumerate(options):
        text = str(option)
        if not 1 <= len(text) <= 75:
            raise ValueError(f"{element} option {i} has {len(text)} characters; an option text holds 1 to 75")
        if kind == "plain_text":
            text_object = {"type": "plain_text", "text": text, "emoji": True}
        else:
            text_object = {"type": "mrkdwn", "text": text}
        out.append({"text": text_object, "value": f"value-{i}"})
    return out


def _section(text, accessory):
    return [{"type": "section", "text": {"type": "mrkdwn", "text": text}, "accessory": accessory}]


def _source(value, name):
    if type(value) is not str:
        raise _wrong_type(name, "str", value)
    if not 1 <= len(value) <= 3000:
        raise ValueError(f"{name} must hold 1 to 3000 characters, got {len(value)}")
    return value


class Section:
    @classmethod
    def plain_text(cls, text):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if not text:
            return []
        return [{"type": "section", "text": {"type": "plain_text", "text": text, "emoji": True}}]

    @classmethod
    def mrkdwn(cls, text=None):
        if text is not None and type(text) is not str:
            raise _wrong_type("text", "str", text)
        if not text:
            return []
        return [{"type": "section", "text": {"type": "mrkdwn", "text": text}}]

    @classmethod
    def text_fields(cls, texts):
        if type(texts) is not list:
            raise _wrong_type("texts", "list", texts)
        if not texts:
            raise ValueError("texts must be a list with at least one element")
        return [{"type": "section", "fields": [{"type": "mrkdwn", "text": t} for t in texts]}]

    @classmethod
    def users_select(cls, text=None):
        text = _accessory_text(text, "Please select a user")
        return _section(
            text,
            {
                "type": "users_select",
                "placeholder": {"type": "plain_text", "text": "Select a user", "emoji": True},
                "action_id": "users_select_action",
            },
        )

    @classmethod
    @validate_options
    def static_select(cls, options, text=None):
        text = _accessory_text(text, "Please select a option")
        return _section(
            text,
            {
                "type": "static_select",
                "placeholder": {"type": "plain_text", "text": "Select a item", "emoji": True},
                "options": _options(options, "plain_text", "static_select", 100),
                "action_id": "static_select-action",
            },
        )

    @classmethod
    @validate_options
    def multi_static_select(cls, text, options):
        text = _accessory_text(text)
        return _section(
            text,
            {
                "type": "multi_static_select",
                "placeholder": {"type": "plain_text", "text": "Select options", "emoji": True},
                "options": _options(options, "plain_text", "multi_static_select", 100),
                "action_id": "multi_static_select-action",
            },
        )

    @classmethod
    @validate_options
    def overflow(cls, text, options):
        text = _accessory_text(text)
        return _section(
            text,
            {
                "type": "overflow",
                "options": _options(options, "plain_text", "overflow", 5),
                "action_id": "overflow-action",
            },
        )

    @classmethod
    def button(cls, text, button):
        text = _accessory_text(text)
        element = {
            "type": "button",
            "text": {"type": "plain_text", "text": button["text"]},
            "action_id": "action-button-0",
        }
        style = button.get("style")
        if style:
            if style not in ("primary", "danger"):
                raise ValueError(f"button style must be 'primary' or 'danger', got {style!r}")
            element["style"] = style
        value = button.get("value", "button_value-0")
        if value is not None and value != "":
            element["value"] = value
        url = button.get("url")
        if url:
            element["url"] = url
        return _section(text, element)

    @classmethod
    def image(cls, text, image_url, alt_text="image"):
        text = _accessory_text(text)
        _source(image_url, "image_url")
        if type(alt_text) is not str:
            raise _wrong_type("alt_text", "str", alt_text)
        return _section(text, {"type": "image", "image_url": image_url, "alt_text": alt_text})

    @classmethod
    def slack_image(cls, text, slack_file, alt_text="image"):
        text = _accessory_text(text)
        _source(slack_file, "slack_file")
        if type(alt_text) is not str:
            raise _wrong_type("alt_text", "str", alt_text)
        if slack_file.startswith(("https://", "http://")):
            source = {"url": slack_file}
        else:
            source = {"id": slack_file}
        return _section(text, {"type": "image", "slack_file": source, "alt_text": alt_text})

    @classmethod
    @validate_initial_time
    def time_picker(cls, text, initial_time):
        text = _accessory_text(text)
        if type(initial_time) is not str:
            raise _wrong_type("initial_time", "str", initial_time)
        return _section(
            text,
            {
                "type": "timepicker",
                "initial_time": initial_time,
                "placeholder": {"type": "plain_text", "text": "Select time", "emoji": True},
                "action_id": "timepicker-section",
            },
        )

    @classmethod
    @validate_options
    def radio_buttons(cls, text, options):
        text = _accessory_text(text)
        return _section(
            text,
            {
                "type": "radio_buttons",
                "options": _options(options, "mrkdwn", "radio_buttons", 10),
                "action_id": "radio_buttons-action",
            },
        )

    @classmethod
    @validate_options
    def checkboxes(cls, options, text=None, options_description=None):
        text = _accessory_text(text, "All check boxes are selectable")
        option_list = _options(options, "mrkdwn", "checkboxes", 10)
        if options_description:
            for i, description in enumerate(options_description):
                if i >= len(option_list):
                    raise IndexError("more option descriptions than options")
                option_list[i]["description"] = {"type": "mrkdwn", "text": description}
        return _section(
            text,
            {
                "type": "checkboxes",
                "options": option_list,
                "action_id": "checkboxes-action",
            },
        )

    @classmethod
    def datepicker(cls, text, initial_date):
        text = _accessory_text(text)
        if type(initial_date) is not str:
            raise _wrong_type("initial_date", "str", initial_date)
        is_valid_date_fmt(initial_date)
        return [
            {
                "type": "section",
                "text": {"type": "mrkdwn", "text": text},
                "accessory": {
                    "type": "datepicker",
                    "initial_date": initial_date,
                    "placeholder": {"type": "plain_text", "text": "Select a date", "emoji": True},
                    "action_id": "datepicker-action",
                },
            }
        ]


class Actions:
    @classmethod
    def init_blocks(cls):
        return [{"type": "actions", "elements": []}]

    @classmethod
    def buttons(cls, buttons):
        if type(buttons) is not list:
            raise _wrong_type("buttons", "list", buttons)
        payload = cls.init_blocks()
        elements = payload[0]["elements"]
        for i, button in enumerate(buttons):
            element = {
                "type": "button",
                "text": {"type": "plain_text", "text": button["text"]},
                "action_id": f"action-button-{i}",
            }
            style = button.get("style")
            if style:
                element["style"] = style
            element["value"] = button.get("value", f"button_value-{i}")
            url = button.get("url")
            if url:
                element["url"] = url
            elements.append(element)
        return payload

    @classmethod
    def datepickers(cls, initial_dates):
        payload = cls.init_blocks()
        elements = payload[0]["elements"]
        for i, date in enumerate(initial_dates):
            is_valid_date_fmt(date)
            elements.append(
                {
                    "type": "datepicker",
                    "initial_date": date,
                    "placeholder": {"type": "plain_text", "text": "Select a date", "emoji": True},
                    "action_id": f"action-datepickers-{i}",
                }
            )
        return payload

    @classmethod
    @validate_initial_time
    def time_picker(cls, initial_time):
        if type(initial_time) is not str:
            raise _wrong_type("initial_time", "str", initial_time)
        payload = cls.init_blocks()
        payload[0]["elements"].append(
            {
                "type": "timepicker",
                "initial_time": initial_time,
                "placeholder": {"type": "plain_text", "text": "Select time", "emoji": True},
                "action_id": "timepicker-action",
            }
        )
        return payload

    @classmethod
    @validate_options
    def radio_buttons(cls, options):
        payload = cls.init_blocks()
        option_list = [
            {"text": {"type": "mrkdwn", "text": str(option)}, "value": f"value-{i}"} for i, option in enumerate(options)
        ]
        payload[0]["elements"].append({"type": "radio_buttons", "options": option_list})
        return payload

    @classmethod
    @validate_options
    def checkboxes(cls, options, options_description):
        payload = cls.init_blocks()
        option_list = [
            {"text": {"type": "mrkdwn", "text": str(option)}, "value": f"value-{i}"} for i, option in enumerate(options)
        ]
        if options_description:
            for i, description in enumerate(options_description):
                option_list[i]["description"] = {"type": "mrkdwn", "text": description}
        payload[0]["elements"].append({"type": "checkboxes", "options": option_list})
        return payload


class Image:
    @classmethod
    def image(cls, image_url, image_name="image"):
        if type(image_name) is not str:
            raise _wrong_type("image_name", "str", image_name)
        if not image_url:
            return []
        return [
            {
                "type": "image",
                "block_id": "image_block",
                "image_url": image_url,
                "alt_text": image_name,
            }
        ]


class Context:
    @classmethod
    def mrkdwn(cls, value):
        return {"type": "mrkdwn", "text": value}

    @classmethod
    def image_url(cls, value):
        return {"type": "image", "image_url": value, "alt_text": "image"}


class Header:
    @classmethod
    def plain_text(cls, text):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if not text:
            return []
        return [{"type": "header", "text": {"type": "plain_text", "text": text, "emoji": True}}]


class Divider:
    @classmethod
    def divider(cls):
        return [{"type": "divider"}]


class RichText:
    @staticmethod
    def _style(element, bold, italic, strike, code, underline=False):
        flags = {"bold": bold, "italic": italic, "strike": strike, "code": code, "underline": underline}
        style = {key: True for key, on in flags.items() if on}
        if style:
            element["style"] = style
        return element

    @staticmethod
    def _element(item, name):
        if type(item) is str:
            if not item:
                raise ValueError("text must not be empty: Slack shows no empty rich-text element")
            return {"type": "text", "text": item}
        if type(item) is dict:
            return item
        raise _wrong_type(name, "str or dict", item)

    @classmethod
    def text(cls, text, *, bold=False, italic=False, strike=False, code=False, underline=False):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if not text:
            raise ValueError("text must not be empty: Slack shows no empty rich-text element")
        return cls._style({"type": "text", "text": text}, bold, italic, strike, code, underline)

    @classmethod
    def link(cls, url, text=None, *, bold=False, italic=False, strike=False, code=False):
        if type(url) is not str:
            raise _wrong_type("url", "str", url)
        if not url:
            raise ValueError("url must not be empty")
        if text is not None and type(text) is not str:
            raise _wrong_type("text", "str", text)
        element = {"type": "link", "url": url}
        if text:
            element["text"] = text
        return cls._style(element, bold, italic, strike, code)

    @classmethod
    def emoji(cls, name):
        if type(name) is not str:
            raise _wrong_type("name", "str", name)
        name = name[1:] if name.startswith(":") else name
        name = name[:-1] if name.endswith(":") else name
        if not name:
            raise ValueError('name must hold an emoji\'s name, such as "tada" or ":tada:"')
        return {"type": "emoji", "name": name}

    @classmethod
    def user(cls, user_id):
        if type(user_id) is not str:
            raise _wrong_type("user_id", "str", user_id)
        if not user_id:
            raise ValueError("user_id must not be empty")
        return {"type": "user", "user_id": user_id}

    @classmethod
    def date(cls, timestamp, format, *, fallback=None, url=None):
        if type(timestamp) is not int:
            raise _wrong_type("timestamp", "int", timestamp)
        if type(format) is not str:
            raise _wrong_type("format", "str", format)
        if not format:
            raise ValueError("format must not be empty")
        element = {"type": "date", "timestamp": timestamp, "format": format}
        for key, value in (("url", url), ("fallback", fallback)):
            if value is not None and type(value) is not str:
                raise _wrong_type(key, "str", value)
            if value:
                element[key] = value
        return element

    @classmethod
    def section(cls, *elements):
        if not elements:
            raise ValueError("a rich-text section needs at least one element")
        return {"type": "rich_text_section", "elements": [cls._element(e, "elements") for e in elements]}

    @classmethod
    def list(cls, items, *, style="bullet", indent=0, offset=0, border=0):
        if type(items) is not list:
            raise _wrong_type("items", "list", items)
        if not items:
            raise ValueError("items must be a list with at least one item")
        if style not in ("bullet", "ordered"):
            raise ValueError(f'style must be "bullet" or "ordered", got {style!r}')
        sections = []
        for item in items:
            if type(item) is str:
                sections.append({"type": "rich_text_section", "elements": [cls._element(item, "items")]})
            elif type(item) is list:
                sections.append({"type": "rich_text_section", "elements": [cls._element(e, "elements") for e in item]})
            else:
                sections.append(item)
        out = {"type": "rich_text_list", "style": style, "elements": sections}
        for key, value in (("indent", indent), ("offset", offset), ("border", border)):
            if value:
                out[key] = value
        return out

    @classmethod
    def quote(cls, *elements, border=0):
        if not elements:
            raise ValueError("a rich-text quote needs at least one element")
        out = {"type": "rich_text_quote", "elements": [cls._element(e, "elements") for e in elements]}
        if border:
            out["border"] = border
        return out

    @classmethod
    def preformatted(cls, *elements, language=None, border=0):
        if not elements:
            raise ValueError("preformatted text needs at least one element")
        out = {"type": "rich_text_preformatted", "elements": [cls._element(e, "elements") for e in elements]}
        if language:
            out["language"] = language
        if border:
            out["border"] = border
        return out

    @classmethod
    def block(cls, *parts, block_id=None):
        if not parts:
            raise ValueError("a rich-text block needs at least one part")
        elements = [
            {"type": "rich_text_section", "elements": [cls._element(p, "parts")]}
            if type(p) is str
            else cls._element(p, "parts")
            for p in parts
        ]
        out = {"type": "rich_text", "elements": elements}
        if block_id:
            out["block_id"] = block_id
        return [out]


class Markdown:
    @classmethod
    def markdown(cls, text, *, block_id=None):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if not text:
            return []
        if len(text) > 12000:
            raise ValueError(
                f"text has {len(text)} characters; Slack takes at most 12,000 in the markdown blocks of a message"
            )
        out = {"type": "markdown", "text": text}
        if block_id:
            out["block_id"] = block_id
        return [out]


# ---- messages --------------------------------------------------------------------------------


class HeaderMessage(BaseVelmora):
    def __init__(self, header, divider=True, **kwargs):
        if type(header) is not str:
            raise _wrong_type("header", "str", header)
        super().__init__(**kwargs)
        self.header = header
        self.divider = divider

    def build_blocks(self):
        blocks = Header.plain_text(self.header)
        if self.divider:
            blocks.extend(Divider.divider())
        return _list_result(blocks)


def _button_order(number):
    if number.isascii() and number.isdigit():
        return (0, int(number), number)
    return (1, 0, number)


class ButtonMessage(BaseVelmora):
    def __init__(self, text=None, **kwargs):
        if text is not None and type(text) is not str:
            raise _wrong_type("text", "str", text)
        self.text = text
        button_params = {}
        for name in list(kwargs):
            if name.startswith("button_"):
                button_params[name] = kwargs.pop(name)
        numbers = set()
        for name in button_params:
            parts = name.split("_")
            if len(parts) == 3 and parts[0] == "button":
                numbers.add(parts[1])
        if not numbers:
            raise ValueError("At least one button must be provided (use button_1_text and related parameters)")
        self.buttons = []
        # natural order: digit-only numbers by value first ("2" before "10"), then the rest
        for number in sorted(numbers, key=_button_order):
            text_key = f"button_{number}_text"
            if text_key not in button_params:
                raise ValueError(f"Button {number} is missing required 'text' (use {text_key})")
            button = {"text": button_params[text_key]}
            style = button_params.get(f"button_{number}_style")
            if style and style in ("primary", "danger"):
                button["style"] = style
            value = button_params.get(f"button_{number}_value")
            if value:
                button["value"] = value
            url = button_params.get(f"button_{number}_url")
            if url:
                button["url"] = url
            self.buttons.append(button)
        super().__init__(**kwargs)

    def build_blocks(self):
        if self.text is not None and len(self.buttons) == 1:
            return _list_result(Section.button(text=self.text, button=self.buttons[0]))
        if self.text is not None:
            logger.warning(
                f"Multiple buttons detected (count: {len(self.buttons)}). When using multiple "
                "buttons, Actions.buttons() method will be used. The top-level 'text' parameter "
                "will be ignored as it's not supported for multi-button layouts."
            )
        return _list_result(Actions.buttons(buttons=self.buttons))


class ContextMessage(BaseVelmora):
    def __init__(self, **kwargs):
        elements = []
        for name, value in kwargs.items():
            if name.startswith("text_"):
                elements.append((value, "text"))
            elif name.startswith("image_url_"):
                elements.append((value, "image_url"))
        self.elements = elements
        for i, (_, value_type) in enumerate(elements):
            del kwargs[f"{value_type}_{i + 1}"]
        super().__init__(**kwargs)

    def build_blocks(self):
        block = {"type": "context", "elements": []}
        for value, value_type in self.elements:
            if value_type == "text":
                block["elements"].append(Context.mrkdwn(value))
            elif value_type == "image_url":
                block["elements"].append(Context.image_url(value))
            else:
                raise ValueError("parameter value_type must be 'text' or 'image_url'")
        return [block]


class ImageMessage(BaseVelmora):
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.image_url = kwargs.get("image_url")
        self.image_buffer = kwargs.get("image_buffer")
        self.image_name = kwargs.get("image_name")
        self.preview = self.preview or self.header or self.sub_header or self.image_name or "You got a new message"

    def upload_image_buffer(self):
        return self.slack_bot.image_upload(buffer=self.image_buffer, file_name=self.image_name)

    def build_blocks(self):
        if not self.image_url and not self.image_buffer:
            raise ValueError("No image url or image buffer provided")
        if self.image_buffer is not None:
            url = self.upload_image_buffer()
        else:
            url = self.image_url
        return _list_result(Image.image(url, self.image_name))


class DatePickerMessage(BaseVelmora):
    def __init__(self, text, initial_date, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if type(initial_date) is not str:
            raise _wrong_type("initial_date", "str", initial_date)
        super().__init__(**kwargs)
        self.text = text
        self.initial_date = initial_date

    def build_blocks(self):
        return Section.datepicker(text=self.text, initial_date=self.initial_date)


class StaticSelectMessage(BaseVelmora):
    def __init__(self, options, text_before_option=None, **kwargs):
        if text_before_option is not None and type(text_before_option) is not str:
            raise _wrong_type("text_before_option", "str", text_before_option)
        super().__init__(**kwargs)
        self.text_before_option = text_before_option
        self.options = options

    def build_blocks(self):
        return _list_result(Section.static_select(options=self.options, text=self.text_before_option))


class MultiStaticSelectMessage(BaseVelmora):
    def __init__(self, text_before_option, options, **kwargs):
        if type(text_before_option) is not str:
            raise _wrong_type("text_before_option", "str", text_before_option)
        super().__init__(**kwargs)
        self.text_before_option = text_before_option
        self.options = options

    def build_blocks(self):
        return _list_result(Section.multi_static_select(text=self.text_before_option, options=self.options))


class OverflowMessage(BaseVelmora):
    def __init__(self, text, options, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if type(options) is not list:
            raise _wrong_type("options", "list", options)
        super().__init__(**kwargs)
        self.text = text
        self.options = options

    def build_blocks(self):
        return Section.overflow(text=self.text, options=self.options)


class UsersSelectMessage(BaseVelmora):
    def __init__(self, text, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        super().__init__(**kwargs)
        self.text = text

    def build_blocks(self):
        return _list_result(Section.users_select(self.text))


class CheckBoxesMessage(BaseVelmora):
    def __init__(self, text, options, options_description=None, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        super().__init__(**kwargs)
        self.text = text
        self.options = options
        self.options_description = options_description

    def build_blocks(self):
        return Section.mrkdwn(self.text) + Actions.checkboxes(
            options=self.options, options_description=self.options_description
        )


class RadioButtonsMessage(BaseVelmora):
    def __init__(self, text, options, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        super().__init__(**kwargs)
        self.text = text
        self.options = options

    def build_blocks(self):
        return Section.mrkdwn(self.text) + Actions.radio_buttons(options=self.options)


class TimePickerMessage(BaseVelmora):
    def __init__(self, text, initial_time, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        if type(initial_time) is not str:
            raise _wrong_type("initial_time", "str", initial_time)
        super().__init__(**kwargs)
        self.text = text
        self.initial_time = initial_time

    def build_blocks(self):
        return Section.mrkdwn(self.text) + Actions.time_picker(initial_time=self.initial_time)


class DatePickersMessage(BaseVelmora):
    def __init__(self, initial_dates, **kwargs):
        super().__init__(**kwargs)
        self.initial_dates = initial_dates

    def build_blocks(self):
        return _list_result(Actions.datepickers(initial_dates=self.initial_dates))


# ---- tables: the plain-Python per-cell loop ----------------------------------------------------


def _cell_text(value):
    if type(value) is str:
        return value
    if value is None or value is _pd().NaT or value is _pd().NA:
        return ""
    if isinstance(value, float):
        if math.isnan(value):
            return ""
        text = f"{value:.15g}"
        if math.isfinite(value) and "." not in text and "e" not in text:
            text += ".0"
        return text
    return str(value)


def _rich_cell(text, bold=False):
    element = {"type": "text", "text": text}
    if bold:
        element["style"] = {"bold": True}
    return {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [element]}]}


def _pd():
    import pandas

    return pandas


def _float_column(values):
    """The texts pandas shows for a column of floats (display.precision, zeros trimmed)."""
    digits = _pd().get_option("display.precision")
    numbers = [v for v in values if not math.isnan(v)]
    large = any(abs(v) > 1e6 for v in numbers)
    small = any(0 < abs(v) < 10**-digits for v in numbers)
    texts = [f"{v:.{digits}f}" for v in numbers]
    while texts and all(t.endswith("0") for t in texts if "." in t):
        texts = [t[:-1] if "." in t else t for t in texts]
    texts = [t + "0" if t.endswith(".") else t for t in texts]
    longest = max([len(t) + (not t.startswith("-")) for t in texts] + [3])
    if small or (large and longest > digits + 6):
        texts = [f"{v:.{digits}e}" for v in numbers]
    shown = iter(texts)
    return ["" if math.isnan(v) else next(shown) for v in values]


def _column_texts(series):
    kind = series.dtype.kind
    if kind == "f":
        return _float_column(series.tolist())
    if kind == "M":
        values = series.tolist()
        dates = all(v is _pd().NaT or v == v.normalize() for v in values)
        return [_cell_text(v) if v is _pd().NaT else (v.strftime("%Y-%m-%d") if dates else str(v)) for v in values]
    return [_cell_text(v) for v in series.tolist()]


class Table:
    @classmethod
    def simple_table(cls, df, index=False):
        if not isinstance(df, _pd().DataFrame):
            if not hasattr(df, "to_pandas"):
                raise _wrong_type("df", "DataFrame", df)
            df = df.to_pandas()
        rows, columns = df.shape
        if columns == 0:
            raise ValueError("DataFrame has no columns: a table needs at least one column")
        if columns + bool(index) > 20:
            raise ValueError("Table too wide for Slack (at most 20 columns)")
        dtypes = ([df.index.dtype] if index else []) + list(df.dtypes)
        settings = [{"align": "right" if d.kind in "iufc" else "left"} for d in dtypes]
        names = ([df.index.name] if index else []) + list(df.columns)
        shown = ([_column_texts(df.index.to_series())] if index else []) + [_column_texts(df[c]) for c in df.columns]
        out = [[_rich_cell(_cell_text(name), True) for name in names]]
        for i in range(rows):
            out.append([_rich_cell(column[i]) for column in shown])
        return [{"type": "table", "column_settings": settings, "rows": out}]

    @classmethod
    def data_table(cls, df, *, caption, page_size=None, index=False):
        if type(caption) is not str:
            raise _wrong_type("caption", "str", caption)
        if not isinstance(df, _pd().DataFrame):
            if not hasattr(df, "to_pandas"):
                raise _wrong_type("df", "DataFrame", df)
            df = df.to_pandas()
        rows, columns = df.shape
        if columns + bool(index) > 20:
            raise ValueError("Table too wide for Slack (at most 20 columns)")
        series = ([df.index.to_series()] if index else []) + [df[c] for c in df.columns]
        names = ([df.index.name] if index else []) + list(df.columns)
        shown = [_column_texts(s) for s in series]
        numbers = [s.tolist() if s.dtype.kind in "iuf" else None for s in series]
        out = [[{"type": "raw_text", "text": _cell_text(name) or " "} for name in names]]
        for i in range(rows):
            row = []
            for texts, values in zip(shown, numbers):
                text = texts[i] or " "
                value = values[i] if values is not None else None
                if value is not None and math.isfinite(value):
                    row.append({"type": "raw_number", "value": value, "text": text})
                else:
                    row.append({"type": "raw_text", "text": text})
            out.append(row)
        block = {"type": "data_table", "caption": caption, "rows": out}
        if page_size is not None:
            block["page_size"] = page_size
        return [block]


def _chart_label(text, limit=20):
    text = text or " "
    return text if len(text) <= limit else text[: limit - 1] + "\u2026"


class Chart:
    @classmethod
    def line(cls, data, *, x=None, y=None, title, x_label=None, y_label=None, dropna=False, block_id=None):
        if type(title) is not str:
            raise _wrong_type("title", "str", title)
        if not 1 <= len(title) <= 50:
            raise ValueError(f"title must hold 1 to 50 characters, got {len(title)}")
        df = data
        labels = df.index.to_series() if x is None else df[x]
        categories = _column_texts(labels)
        if y is None:
            y = [c for c in df.columns if c != x and df[c].dtype.kind in "iuf"]
        elif not isinstance(y, list):
            y = [y]
        if not y:
            raise ValueError("The data has no column of numbers to plot")
        if len(y) > 12:
            raise ValueError("A chart shows at most 12 series")
        columns = [df[c].tolist() for c in y]
        kept = [i for i in range(len(categories)) if not any(v != v or v is None for v in (c[i] for c in columns))]
        if len(kept) != len(categories) and not dropna:
            raise ValueError("a missing value")
        if len(kept) > 20:
            raise ValueError("A chart shows at most 20 categories")
        shown = [_chart_label(categories[i]) for i in kept]
        series = [
            {
                "name": _chart_label(_cell_text(name)),
                "data": [{"label": shown[n], "value": column[i]} for n, i in enumerate(kept)],
            }
            for name, column in zip(y, columns)
        ]
        axis = {"categories": shown}
        name = labels.name if x_label is None else x_label
        if name:
            axis["x_label"] = _chart_label(_cell_text(name), 50)
        if y_label:
            axis["y_label"] = y_label
        block = {
            "type": "data_visualization",
            "title": title,
            "chart": {"type": "line", "series": series, "axis_config": axis},
        }
        if block_id:
            block["block_id"] = block_id
        return [block]


class SimpleTableMessage(BaseVelmora):
    def __init__(self, df, text=None, index=False, **kwargs):
        if text is not None and type(text) is not str:
            raise _wrong_type("text", "str", text)
        super().__init__(**kwargs)
        self.df = df
        self.text = text
        self.index = index

    def build_blocks(self):
        return Section.mrkdwn(self.text) + Table.simple_table(self.df, index=self.index)


class DataTableMessage(BaseVelmora):
    def __init__(self, df, *, caption, page_size=None, index=False, text=None, **kwargs):
        if type(caption) is not str:
            raise _wrong_type("caption", "str", caption)
        if text is not None and type(text) is not str:
            raise _wrong_type("text", "str", text)
        super().__init__(**kwargs)
        self.df = df
        self.caption = caption
        self.page_size = page_size
        self.index = index
        self.text = text

    def build_blocks(self):
        table = Table.data_table(self.df, caption=self.caption, page_size=self.page_size, index=self.index)
        return Section.mrkdwn(self.text) + table


class RichTextMessage(BaseVelmora):
    def __init__(self, *parts, **kwargs):
        super().__init__(**kwargs)
        self.parts = parts

    def build_blocks(self):
        return _list_result(RichText.block(*self.parts))


class MarkdownMessage(BaseVelmora):
    def __init__(self, text, native=False, **kwargs):
        if type(text) is not str:
            raise _wrong_type("text", "str", text)
        super().__init__(**kwargs)
        self.text = text
        self.native = native

    def build_blocks(self):
        if self.native:
            from velmora.markdown import to_blocks

            return [*to_blocks(self.text)]
        return [*Markdown.markdown(self.text)]
