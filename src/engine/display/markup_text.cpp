#include "engine/display/markup_text.h"

#include <array>

namespace tarvo {

namespace {

constexpr std::array<MarkupToken, 8> Tokens = {{
    {"Rho", U'\u03C1'},   // rho
    {"OHm", U'\u03A9'},   // capital omega
    {"Etta", U'\u03B7'},  // eta
    {"Phi", U'\u03C6'},   // phi
    {"Sqrt", U'\u221A'},  // square root
    {"w", U'\u03C9'},     // omega
    {"\xB1", U'\u0394'},  // capital delta
    {"_", U'\0'},         // subscript
}};

}  // namespace

std::vector<MarkupSegment> ParseMarkup(std::string_view text) {
  text = text.substr(0, std::min(text.size(), MaxMarkupText));
  std::vector<MarkupSegment> segments;
  int marked = 0;
  while (!text.empty() && marked < MaxMarkupSegments) {
    std::size_t at = std::string_view::npos;
    const MarkupToken* token = nullptr;
    for (const MarkupToken& t : Tokens) {
      const std::size_t found = text.find(t.Token);
      if (found < at) {
        at = found;
        token = &t;
      }
    }
    if (token == nullptr) break;
    if (at > 0) segments.push_back({MarkupKind::Plain, std::string(text.substr(0, at)), 0});
    text.remove_prefix(at + token->Token.size());
    if (token->Symbol != 0) {
      segments.push_back({MarkupKind::Greek, {}, token->Symbol});
    } else {
      const std::size_t space = std::min(text.find(' '), text.size());
      segments.push_back({MarkupKind::Subscript, std::string(text.substr(0, space)), 0});
      text.remove_prefix(space);
    }
    ++marked;
  }
  if (!text.empty()) segments.push_back({MarkupKind::Plain, std::string(text), 0});
  return segments;
}

}  // namespace tarvo
