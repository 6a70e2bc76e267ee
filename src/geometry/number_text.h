#pragma once

// Locale-independent text primitives every layer uses: line cleaning, the numeric value of a
// text, strict number fields, and the fixed number patterns of the program's output.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::geometry {

/// Cleans one line of an input file: drops a trailing CR, trims blanks, turns every tab into a
/// blank, collapses every run of blanks into one and trims again.
std::string CleanLine(std::string_view line);

/// Splits a cleaned line at its single blanks into fields (none for an empty line).
std::vector<std::string> SplitFields(std::string_view cleanedLine);

/// CleanLine followed by SplitFields.
std::vector<std::string> CleanAndSplit(std::string_view line);

/// The numeric value of a text: blanks and tabs are ignored wherever they stand, then the
/// leading number (optional sign, digits, at most one decimal point, optional exponent "e3",
/// "E-2") is taken and anything after it is ignored. A text that does not start with a number
/// is 0. A number beyond a double reads as infinite (or 0 when it is too small).
double NumericValue(std::string_view text);

/// A field that must be a number as a whole: optional sign, digits with at most one decimal
/// point, optional exponent. Returns nothing for anything else (letters, "inf", "nan", "").
std::optional<double> ParseNumber(std::string_view field);

/// `value` with exactly `decimals` decimals (0..15), correctly rounded from the double's exact
/// binary value; a value that rounds to zero prints without a sign ("0.000", never "-0.000").
/// FormatFixed appended to `out`, without a string of its own: for tables of many rows.
void AppendFixed(std::string& out, double value, int decimals);

std::string FormatFixed(double value, int decimals);

/// The shortest plain decimal text that reads back as `value` (no exponent, no trailing zeros,
/// no thousands separators): 1000 -> "1000", 1100.25 -> "1100.25".
std::string FormatShortest(double value);

/// Most characters of a file's field that a message quotes (QuoteForMessage).
inline constexpr std::size_t kMaxQuotedChars = 40;

/// A field of a file as a message quotes it: in double quotes, cut after kMaxQuotedChars
/// characters (UTF-8 characters, not bytes) with "…" when longer, and a NUL byte written as
/// "\0" so that it cannot end the message early. "12a" -> "\"12a\"".
std::string QuoteForMessage(std::string_view field);

/// A number as a message shows it: FormatShortest when that has at most kMaxQuotedChars
/// characters, otherwise the shortest scientific form ("1e+300"), so that a huge value from a
/// file is not echoed with hundreds of digits. Infinities and NaN as "inf", "-inf", "nan".
std::string NumberForMessage(double value);

/// Removes leading and trailing blanks (spaces and tabs).
std::string_view Trim(std::string_view text);

/// `text` (UTF-8) with every control character made visible, for a terminal or a file that must
/// not receive them raw: the C0 controls U+0000..U+001F (tab and line ends included) and DEL
/// become "\x" and two lowercase hex digits ("\x1b"), the C1 controls U+0080..U+009F (encoded
/// C2 80..C2 9F) become "\u0080".."\u009f". Everything else, bytes that are not UTF-8 included,
/// is kept as it is. Never throws except std::bad_alloc.
std::string EscapeControlCharacters(std::string_view text);

} // namespace tesk::geometry
