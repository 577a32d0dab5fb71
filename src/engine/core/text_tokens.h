#pragma once

#include <optional>
#include <string_view>

// Tokenising of the text formats. Fields are separated by blanks, tabs and
// commas; leading semicolons are skipped as well. Numbers always use "." as the
// decimal separator.
namespace tarvo {

// Takes the next token off `line`: leading blanks, tabs, commas and semicolons
// are skipped; the token ends before the next blank, tab or comma (a semicolon
// inside a token does not end it); the token and the one separator that ended
// it are removed from `line`. Returns an empty view when the line has no more
// tokens.
std::string_view NextToken(std::string_view& line);

// Parses a whole token as a decimal number ("." separator, optional sign and
// exponent). Returns nothing when the token is not a complete finite number,
// or when its magnitude is beyond the 32-bit float range: every number of the
// files ends up in one, and an infinity there is no value. This is the one
// check of the text readers: a coordinate, spacing, factor or value written
// as "nan", "inf" or 1e308 is refused as any token that is not a number.
std::optional<double> ParseNumber(std::string_view token);

// Reads the plain decimal [-]digits[.digits] of at most 15 digits that
// starts at `c`, giving the value ParseNumber gives for it, and moves `c`
// past it; false, with `c` where it was, when the text there does not start
// with one. Whatever follows is the caller's to check: it is a number of its
// own only when a separator or the end of the field comes next.
bool ParsePlainNumber(const char*& c, const char* end, double& value);

// Parses a whole token as a decimal integer (optional sign). Nothing when the
// token is not a complete integer or does not fit an int.
std::optional<int> ParseInteger(std::string_view token);

// NextToken followed by ParseNumber; nothing when the token is missing or not
// a number.
std::optional<double> NextNumber(std::string_view& line);

// NextNumber as the 32-bit float it is kept in.
std::optional<float> NextFloat(std::string_view& line);

}  // namespace tarvo
