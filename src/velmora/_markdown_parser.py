"""The markdown-it-py parser ``to_blocks`` reads with: CommonMark with GitHub's tables and
strikethrough, plus rules of its own, so that no text is skipped past the nesting limit and
Slack's mention forms are read as Slack writes them."""

from __future__ import annotations

import re
from typing import Any

Block = dict[str, Any]

# How deep blocks nest before the rest of a container is read as its plain lines. markdown-it-py
# skips whatever lies past its own limit, which is set two levels deeper, so that it never comes.
MAX_NESTING = 20

_parser: Any = None


def markdown_it() -> Any:
    """The shared parser, made on first use (markdown-it-py is imported only then)."""
    global _parser
    if _parser is None:
        try:
            from markdown_it import MarkdownIt
            from markdown_it.rules_block import html_block
        except ImportError as error:
            raise ImportError(
                "velmora.markdown needs markdown-it-py: pip install 'velmora[markdown]'", name="markdown_it"
            ) from error
        parser = MarkdownIt("commonmark", {"maxNesting": MAX_NESTING + 2}).enable(["table", "strikethrough"])
        block = parser.block.ruler
        block.before(block.get_all_rules()[0], "velmora_deep", _deep_block)

        def html_unless_slack(state: Any, line: int, end: int, silent: bool) -> bool:
            start = state.bMarks[line] + state.tShift[line]
            if _SLACK_BLOCK_START.match(state.src, start, state.eMarks[line]):
                return False
            return bool(html_block(state, line, end, silent))

        block.at("html_block", html_unless_slack, {"alt": ["paragraph", "reference", "blockquote"]})
        parser.inline.ruler.before("autolink", "velmora_slack", _slack_inline)
        _parser = parser
    return _parser


# ---- parser rules ----------------------------------------------------------------------------

# Slack's mention forms, with or without a label after "|".
_SLACK_FORM = re.compile(
    r"<(?:@([UW][A-Z0-9]+)|#([CG][A-Z0-9]+)|!(here|channel|everyone)|!subteam\^(S[A-Z0-9]+))"
    r"(?:\|[^<>\n]*)?>"
)
# A line that starts so is a paragraph, not an HTML declaration (which would keep it raw).
_SLACK_BLOCK_START = re.compile(r"<!(?:here|channel|everyone|subteam\^|date\^)")
_EMOJI = re.compile(r":([a-z0-9_+'-]*[a-z][a-z0-9_+'-]*|[+-]1):")
_QUOTE_MARKS = re.compile(r"^[ \t]*(?:>[ \t]?)*")


def _slack_inline(state: Any, silent: bool) -> bool:
    """Slack's mentions, and with slack_entities its emoji, as one token each. Without
    slack_entities a mention is plain text, so that ``<!subteam^S1|@team>`` is not read as an
    e-mail autolink (nor ``<!here>`` as HTML)."""
    src, pos = state.src, state.pos
    entities = state.env.get("slack_entities", False)
    char = src[pos]
    if char == "<":
        found = _SLACK_FORM.match(src, pos, state.posMax)
        if found is None:
            return False
        user, channel, broadcast, group = found.groups()
        if not entities:
            if not silent:
                state.pending += found.group()
            state.pos = found.end()
            return True
        if user:
            element: Block = {"type": "user", "user_id": user}
        elif channel:
            element = {"type": "channel", "channel_id": channel}
        elif broadcast:
            element = {"type": "broadcast", "range": broadcast}
        else:
            element = {"type": "usergroup", "usergroup_id": group}
    elif char == ":" and entities and not (pos and src[pos - 1].isalnum()):
        found = _EMOJI.match(src, pos, state.posMax)
        if found is None:
            return False
        element = {"type": "emoji", "name": found.group(1)}
    else:
        return False
    if not silent:
        token = state.push("slack_entity", "", 0)
        token.content, token.meta = found.group(), element
    state.pos = found.end()
    return True


def _deep_block(state: Any, start: int, end: int, silent: bool) -> bool:
    """Past MAX_NESTING, the rest of the container as one paragraph of its lines (without their
    quote markers), where markdown-it-py would skip it."""
    if state.level < MAX_NESTING or silent:
        return False
    line = last = start
    while line < end:
        if not state.isEmpty(line):
            if state.sCount[line] < state.blkIndent:
                break
            last = line + 1
        line += 1
    lines = (_QUOTE_MARKS.sub("", each) for each in state.getLines(start, last, state.blkIndent, False).split("\n"))
    content = "\n".join(each for each in lines if each.strip())
    state.line = last
    if content:
        state.push("paragraph_open", "p", 1).meta = {"deep": True}
        inline = state.push("inline", "", 0)
        inline.content, inline.map, inline.children = content, [start, last], []
        state.push("paragraph_close", "p", -1)
    return True
