#pragma once

// Text for the files Chinese CAD programs and survey software read: UTF-8 decoded one character
// at a time and encoded in GBK, the Simplified Chinese code page.

#include <optional>
#include <string>
#include <string_view>

namespace tesk::formats {

/// Decodes the UTF-8 sequence at `text[i]`; returns the code point and advances i past it, or
/// returns nothing (advancing past one byte) when the bytes there are not UTF-8 (overlong forms,
/// surrogates and values beyond U+10FFFF included).
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& i);

/// UTF-8 to GBK one character at a time, so that a character GBK lacks costs only itself and the
/// caller decides what stands in for it.
class GbkEncoder {
public:
    GbkEncoder();
    ~GbkEncoder();
    GbkEncoder(const GbkEncoder&) = delete;
    GbkEncoder& operator=(const GbkEncoder&) = delete;

    /// Whether this system can convert to GBK at all (iconv knows it).
    bool Available() const;

    /// Appends the GBK bytes of one character given as its 1 to 4 bytes of UTF-8; returns false,
    /// appending nothing, when GBK has no such character or the system cannot convert.
    bool Append(std::string_view character, std::string& out);

private:
    void* m_cd; ///< the iconv descriptor, (void*)-1 when unavailable
};

} // namespace tesk::formats
