// Tags read back out of file names: the MP3 page's naming template used in
// reverse. "#1" to "#6" are the fields the template would have put into the name;
// everything else is literal text that must appear in the main name (the name
// without its extension) as it stands. Texts are GB18030.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/rules/tag_template_rule.h"
#include "core/tagedit/tag_edits.h"

namespace tessarn {

// The fields a main name gives through the template, or nullopt when the name does
// not fit it. The fields are matched in order: each takes the shortest text up to
// the next literal piece (at least one character when two fields touch), the last
// takes the rest up to the template's closing text; surrounding spaces are
// trimmed. A field must not be empty after trimming; "#4" (track) takes digits
// with an optional "/total", "#5" (year) exactly four digits. When a shortest
// piece gives a field a value it cannot take, the next longer one is tried. A
// placeholder used twice must find the same text both times. A template without
// placeholders gives no fields and so matches nothing.
std::optional<TagEdits> FieldsFromName(const ParsedTemplate& parsed, std::string_view mainName);

// The name without its extension (the text before the last "."; the whole name
// when it has none).
std::string_view MainNameOf(std::string_view name);

// The preview of what a name gives, in placeholder order, as the tag-status column
// shows it: "艺术家=邓丽君 歌曲名=月亮代表我的心".
std::string NameFieldsPreview(const TagEdits& fields);

// The status of a name the template does not fit: "不匹配".
const std::string& NoMatchStatusText();

}  // namespace tessarn
