// Full-width ⇄ half-width letters, digits and punctuation: ＡＢＣ１２３（第一集） ⇄
// ABC123(第一集).
//
// Full to half converts the full-width forms of ASCII (U+FF01-U+FF5E) and the
// ideographic space. The marks that Chinese writing uses as its own punctuation stay:
// ，！？：； (in GB text the Chinese comma is the full-width comma itself) and 。、,
// which have no ASCII form anyway. Half to full converts every printable ASCII
// character and the space.
#pragma once

#include <string>
#include <string_view>

namespace tessarn {

enum class WidthConversion { kNone, kToHalf, kToFull };

// On code points.
std::u32string ToHalfWidth(std::u32string_view text);
std::u32string ToFullWidth(std::u32string_view text);

// On the program's GB18030 text; text without a change comes back with its bytes.
std::string ConvertWidth(WidthConversion conversion, std::string_view gb);

}  // namespace tessarn
