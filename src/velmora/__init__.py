"""velmora: Slack Block Kit builders and message classes, written in C++.

Builders live in :mod:`velmora.blocks`, one message class per use case in
:mod:`velmora.messages`. Importing this package loads nothing else.
"""

__version__ = "0.1.0"
