"""Message classes: one per use case, each building its blocks from constructor arguments.

Each class lives in a module of its own (nothing is re-exported here, so that only the
table messages import pandas)::

    from velmora.messages.header.header import HeaderMessage
    from velmora.messages.composite.button import ButtonMessage
    from velmora.messages.section.static_select import StaticSelectMessage
    from velmora.messages.section.multi_static_select_msg import MultiStaticSelectMessage
    from velmora.messages.section.overflow import OverflowMessage
    from velmora.messages.section.date_picker import DatePickerMessage
    from velmora.messages.section.users_select import UsersSelectMessage
    from velmora.messages.context.context import ContextMessage
    from velmora.messages.image.image_msg import ImageMessage
    from velmora.messages.table.simple_table import SimpleTableMessage
    from velmora.messages.composite.dataframe import DataFrameMessage
    from velmora.messages.composite.checkboxes import CheckBoxesMessage
    from velmora.messages.composite.radio_buttons import RadioButtonsMessage
    from velmora.messages.composite.time_picker import TimePickerMessage
    from velmora.messages.actions.datepickers import DatePickersMessage
    from velmora.messages.rich_text.preformatted import PreformattedMessage

Every class passes the keyword arguments it does not take to
:class:`velmora.interface.BaseVelmora` and has ``build_blocks()``, ``payload()`` and
``send()``.
"""
