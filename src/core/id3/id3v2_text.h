// Text inside ID3v2 frames: values split at the terminator of their encoding and
// decoded into GB18030. Internal to the codec.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/text/legacy_text.h"

namespace tessarn {

// Encoding bytes: 0 ISO-8859-1 by the standard, GBK in many files (read as the user
// chose, see legacy_text.h); 1 UTF-16 with byte-order mark; 2 UTF-16BE; 3 UTF-8.
// Other values count as 0.
int NormalizedEncoding(unsigned char encodingByte);

// Width of the encoding's terminator: 2 for UTF-16, else 1.
std::size_t TerminatorWidth(int encoding);

// Position of the first terminator at or after from (aligned to the character
// width for UTF-16, counted from `from`), or npos.
std::size_t FindTerminator(int encoding, std::string_view bytes, std::size_t from);

// The values of a text, split at terminators; empty values at the end (trailing
// terminators) are dropped.
std::vector<std::string_view> SplitValues(int encoding, std::string_view bytes);

// One value decoded into GB18030. For encoding 1, a leading byte-order mark sets
// the byte order (and is kept in *bigEndian for the next value without a mark);
// invalid sequences become replacement characters rather than losing the text.
// Encoding 0 is read as `legacy` says.
std::string DecodeValue(int encoding, std::string_view raw, bool* bigEndian = nullptr,
                        LegacyEncoding legacy = LegacyEncoding::kAuto);

}  // namespace tessarn
