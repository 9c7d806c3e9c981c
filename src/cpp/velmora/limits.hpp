// Slack's limits for a message that velmora.fit meets by splitting, shared with the validator
// that reports them.
#pragma once

#include "ref.hpp"

namespace vm::limit {

constexpr Py_ssize_t blocks = 50;          // blocks in a message
constexpr Py_ssize_t section_text = 3000;  // characters of a section's text
constexpr Py_ssize_t fields = 10;          // fields of a section
constexpr Py_ssize_t actions = 25;         // elements of an actions block
constexpr Py_ssize_t context = 10;         // elements of a context block
constexpr Py_ssize_t table_rows = 100;     // rows of a table, its header row included
constexpr Py_ssize_t tables = 1;           // tables in a message
constexpr Py_ssize_t markdown = 12000;     // characters of all the markdown blocks of a message
// Characters of the text of all the blocks of a message (vm::text_characters), tables aside: a
// guard, not Slack's rule. Slack refuses a message whose blocks hold too much text with
// msg_blocks_too_long, a limit it does not document; it was seen at about 13,200 characters with
// markdown blocks and once at 11,341 with rich text, so fit and validate keep to 12,000.
constexpr Py_ssize_t block_text = 12000;

}  // namespace vm::limit
