// Old text frames made Unicode: a frame whose text sits under encoding byte 0 in
// bytes that are not plain ASCII (GBK from Chinese players, or Latin-1) is
// written again as UTF-16 with a byte-order mark (v2.3) or UTF-8 (v2.4), which
// every player reads the same way. Internal to the codec: the writer applies it to
// the frames it keeps when a write asks for it (Id3v2WriteOptions).
#pragma once

#include <string>

#include "core/text/legacy_text.h"

namespace tessarn {

// Rewrites `frame` (a whole v2.3 or v2.4 frame as the writer keeps it: header and
// plain content) in place when it is a text frame ("T..." and IPLS with one or more
// values, COMM, USLT and USER after their language, WXXX's description; the URL
// itself stays ISO-8859-1) under encoding 0 whose bytes are not plain ASCII; the
// bytes are read as `legacy` says. Frames stored compressed, encrypted or
// unsynchronised, and every other frame, are left as they are. True when the frame
// was rewritten.
bool ConvertLegacyTextFrame(std::string& frame, int major, LegacyEncoding legacy);

}  // namespace tessarn
