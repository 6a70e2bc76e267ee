#include "formats/gbk.h"

#include <iconv.h>

#include <cstring>

namespace tesk::formats {

namespace {

const auto kNoDescriptor = reinterpret_cast<void*>(-1);

} // namespace

std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++i;
        return std::nullopt;
    }
    if (i + length > text.size()) {
        ++i;
        return std::nullopt;
    }
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return std::nullopt;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return std::nullopt;
    }
    i += length;
    return cp;
}

GbkEncoder::GbkEncoder() : m_cd(reinterpret_cast<void*>(iconv_open("GBK", "UTF-8"))) {}

GbkEncoder::~GbkEncoder() {
    if (m_cd != kNoDescriptor) {
        iconv_close(reinterpret_cast<iconv_t>(m_cd));
    }
}

bool GbkEncoder::Available() const {
    return m_cd != kNoDescriptor;
}

bool GbkEncoder::Append(std::string_view character, std::string& out) {
    if (m_cd == kNoDescriptor || character.empty() || character.size() > 4) {
        return false;
    }
    const auto cd = reinterpret_cast<iconv_t>(m_cd);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // reset the conversion state
    char input[4];
    std::memcpy(input, character.data(), character.size());
    char output[8];
    char* in = input;
    std::size_t inLeft = character.size();
    char* outPtr = output;
    std::size_t outLeft = sizeof output;
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
        return false;
    }
    out.append(output, static_cast<std::size_t>(outPtr - output));
    return true;
}

} // namespace tesk::formats
