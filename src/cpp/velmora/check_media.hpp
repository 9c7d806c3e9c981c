// velmora.validate's checks of the blocks that show media or another service's objects: image,
// video, file and call.
#pragma once

#include "check_objects.hpp"
#include "limits.hpp"

namespace vm::check {

// An image block: its source and "alt_text", a plain-text "title" of at most 2000 characters.
inline bool image_block(Checker& c, PyObject* item) {
  return image_source(c, item) && text_object(c, item, k.title, 2000, true, false);
}

// A video: "alt_text", "title" (plain text under 200), "video_url" and "title_url" (https),
// "thumbnail_url", "description" (under 200), "author_name" (under 50).
inline bool video(Checker& c, PyObject* item) {
  return string(c, item, k.alt_text, 1, PY_SSIZE_T_MAX, true) && plain(c, item, k.title, 199, true) &&
         https_url(c, item, k.video_url, true) && string(c, item, k.thumbnail_url, 1, 3000, true) &&
         https_url(c, item, k.title_url, false) && plain(c, item, k.description, 199) &&
         string(c, item, k.author_name, 1, 49) && string(c, item, k.provider_name, 1, PY_SSIZE_T_MAX) &&
         string(c, item, k.provider_icon_url, 1, 3000);
}

// Slack adds a "file" block itself, to show a remote file: it cannot be posted.
inline bool file_block(Checker& c, PyObject*) {
  auto here = c.at(k.type);
  return c.report("Slack adds \"file\" blocks itself, to show remote files; a message cannot post one.");
}

// A call (Slack's Calls API): its "call_id".
inline bool call(Checker& c, PyObject* item) {
  return identifier(c, item, k.call_id);
}

}  // namespace vm::check
