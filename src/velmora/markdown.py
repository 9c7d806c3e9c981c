"""Markdown as native Block Kit blocks: ``to_blocks(text)``.

Reports and LLM answers arrive as Markdown, which Slack's ``mrkdwn`` does not read (``**bold**``,
``## Summary``, ``[runbook](url)`` and tables show as typed). ``to_blocks`` parses CommonMark with
GitHub's tables and strikethrough through markdown-it-py (the extra ``markdown``:
``pip install 'velmora[markdown]'``) and builds the blocks Slack draws itself:

- paragraphs, lists (a nested list is an indent), block quotes and code -> ``rich_text``;
- bold, italic, strikethrough, inline code, links and autolinks -> styled rich-text elements;
- headings of level 1 and 2 -> ``header`` blocks (a bold section when longer than 150
  characters); lower headings -> bold sections;
- thematic breaks -> ``divider``; images -> ``image`` blocks (links where a block cannot go);
- pipe tables -> ``table`` blocks (bold header row, alignment from the colons; an empty cell
  holds a space, since Slack refuses empty text);
- a soft line break (a paragraph wrapped in the source) -> a space, as CommonMark reads it;
  ``breaks=True`` keeps it as a line break;
- raw HTML stays as text, and so do Slack's own forms (``<@U…>``, ``<#C…>``, ``<!here>``,
  ``<!subteam^S…|@team>``, ``:emoji:``) unless ``slack_entities=True`` makes them mentions and
  emoji; that is off by default, because Markdown from a model or a user is not to be trusted
  with pinging people.

No text is lost: lists nested deeper than Slack's indent of 8 keep their items at indent 8, and
whatever lies deeper than the parser's nesting limit is kept as the text of the deepest level.
A message holds at most 50 blocks, so a longer document is built again with headings as bold
sections and images as links. Every table stays a table block (one longer than Slack allows is
split into tables that each repeat the header row; only one wider than 20 columns is written as
rows of text); a message holds one table, so the result may hold several and is meant to go
through ``velmora.fit`` (``payloads()`` and ``send(fit=True)`` do that), which gives each table
a message of its own. Each message ``fit`` makes passes ``velmora.validate``.

``from_blocks(blocks)`` reads a message back: Markdown (or, with ``plain=True``, plain text)
that ``to_blocks`` turns into the same blocks again.
"""

from __future__ import annotations

from velmora._markdown_read import from_blocks
from velmora._markdown_write import MAX_ALT_TEXT as MAX_ALT_TEXT
from velmora._markdown_write import MAX_BLOCKS as MAX_BLOCKS
from velmora._markdown_write import MAX_HEADER as MAX_HEADER
from velmora._markdown_write import MAX_IMAGE_URL as MAX_IMAGE_URL
from velmora._markdown_write import MAX_INDENT as MAX_INDENT
from velmora._markdown_write import MAX_TABLE_COLUMNS as MAX_TABLE_COLUMNS
from velmora._markdown_write import MAX_TABLE_ROWS as MAX_TABLE_ROWS
from velmora._markdown_write import to_blocks

__all__ = ["to_blocks", "from_blocks"]
