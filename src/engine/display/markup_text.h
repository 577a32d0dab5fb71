#pragma once

#include <string>
#include <string_view>
#include <vector>

// The markup of titles and scale captions: "Rho", "OHm", "Etta", "Phi",
// "Sqrt", "w" and "\xB1" (single-byte code 177) stand for Greek letters and
// signs, "_" starts a subscript that runs to the next space. Text is
// single-byte, as the settings file keeps it.
namespace tarvo {

enum class MarkupKind { Plain, Greek, Subscript };

struct MarkupSegment {
  MarkupKind Kind = MarkupKind::Plain;
  std::string Text;     // the characters of a plain or subscript segment
  char32_t Symbol = 0;  // a Greek segment: its Unicode character
};

// Token and the character it is drawn as.
struct MarkupToken {
  std::string_view Token;
  char32_t Symbol;  // U+0000 for "_"
};

// Greek letters are drawn this many points larger than the text and raised by
// a fifth of their height; subscripts at three quarters of the text height,
// lowered by a third of theirs; plain text is not shifted.
inline constexpr int GreekExtraPoints = 2;
inline constexpr double GreekRise = 1.0 / 5;
inline constexpr double SubscriptScale = 3.0 / 4;
inline constexpr double SubscriptDrop = 1.0 / 3;

// At most this many segments come from tokens; the rest of the text is one
// plain segment.
inline constexpr int MaxMarkupSegments = 20;
// Texts longer than this are cut before they are split.
inline constexpr std::size_t MaxMarkupText = 255;

// Splits `text` at the earliest token (case-sensitive) again and again: the
// text before a token is a plain segment; a Greek token is one Greek
// segment; "_" makes the characters up to the next space (or the end) a
// subscript, the space staying with the text that follows.
std::vector<MarkupSegment> ParseMarkup(std::string_view text);

}  // namespace tarvo
