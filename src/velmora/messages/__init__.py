"""Message classes: one per use case, each building its blocks from constructor arguments.

Every class is importable from here by name, and from the module it lives in::

    from velmora.messages import HeaderMessage
    from velmora.messages.header.header import HeaderMessage  # the same class

Each class is loaded on first use, so importing this package loads no message module (and
only the table messages import pandas). Every class passes the keyword arguments it does not
take to :class:`velmora.interface.BaseVelmora` and has ``build_blocks()``, ``payload()`` and
``send()``.
"""

from velmora._lazy import lazy_attributes

# class name -> the module it lives in
_WHERE = {
    "HeaderMessage": "velmora.messages.header.header",
    "ButtonMessage": "velmora.messages.composite.button",
    "CheckBoxesMessage": "velmora.messages.composite.checkboxes",
    "RadioButtonsMessage": "velmora.messages.composite.radio_buttons",
    "TimePickerMessage": "velmora.messages.composite.time_picker",
    "DataFrameMessage": "velmora.messages.composite.dataframe",
    "ContextMessage": "velmora.messages.context.context",
    "ImageMessage": "velmora.messages.image.image_msg",
    "StaticSelectMessage": "velmora.messages.section.static_select",
    "MultiStaticSelectMessage": "velmora.messages.section.multi_static_select_msg",
    "OverflowMessage": "velmora.messages.section.overflow",
    "DatePickerMessage": "velmora.messages.section.date_picker",
    "UsersSelectMessage": "velmora.messages.section.users_select",
    "DatePickersMessage": "velmora.messages.actions.datepickers",
    "PreformattedMessage": "velmora.messages.rich_text.preformatted",
    "RichTextMessage": "velmora.messages.rich_text.rich",
    "MarkdownMessage": "velmora.messages.rich_text.markdown",
    "SimpleTableMessage": "velmora.messages.table.simple_table",
    "DataTableMessage": "velmora.messages.table.data_table",
    "ChartMessage": "velmora.messages.chart.chart",
    "Message": "velmora.messages.composite.message",
}

__all__ = [
    "ButtonMessage",
    "ChartMessage",
    "CheckBoxesMessage",
    "ContextMessage",
    "DataFrameMessage",
    "DataTableMessage",
    "DatePickerMessage",
    "DatePickersMessage",
    "HeaderMessage",
    "ImageMessage",
    "MarkdownMessage",
    "Message",
    "MultiStaticSelectMessage",
    "OverflowMessage",
    "PreformattedMessage",
    "RadioButtonsMessage",
    "RichTextMessage",
    "SimpleTableMessage",
    "StaticSelectMessage",
    "TimePickerMessage",
    "UsersSelectMessage",
]

TYPE_CHECKING = False
if TYPE_CHECKING:
    from velmora.messages.actions.datepickers import DatePickersMessage as DatePickersMessage
    from velmora.messages.chart.chart import ChartMessage as ChartMessage
    from velmora.messages.composite.button import ButtonMessage as ButtonMessage
    from velmora.messages.composite.checkboxes import CheckBoxesMessage as CheckBoxesMessage
    from velmora.messages.composite.dataframe import DataFrameMessage as DataFrameMessage
    from velmora.messages.composite.message import Message as Message
    from velmora.messages.composite.radio_buttons import RadioButtonsMessage as RadioButtonsMessage
    from velmora.messages.composite.time_picker import TimePickerMessage as TimePickerMessage
    from velmora.messages.context.context import ContextMessage as ContextMessage
    from velmora.messages.header.header import HeaderMessage as HeaderMessage
    from velmora.messages.image.image_msg import ImageMessage as ImageMessage
    from velmora.messages.rich_text.markdown import MarkdownMessage as MarkdownMessage
    from velmora.messages.rich_text.preformatted import PreformattedMessage as PreformattedMessage
    from velmora.messages.rich_text.rich import RichTextMessage as RichTextMessage
    from velmora.messages.section.date_picker import DatePickerMessage as DatePickerMessage
    from velmora.messages.section.multi_static_select_msg import (
        MultiStaticSelectMessage as MultiStaticSelectMessage,
    )
    from velmora.messages.section.overflow import OverflowMessage as OverflowMessage
    from velmora.messages.section.static_select import StaticSelectMessage as StaticSelectMessage
    from velmora.messages.section.users_select import UsersSelectMessage as UsersSelectMessage
    from velmora.messages.table.data_table import DataTableMessage as DataTableMessage
    from velmora.messages.table.simple_table import SimpleTableMessage as SimpleTableMessage


__getattr__, __dir__ = lazy_attributes(__name__, _WHERE)
