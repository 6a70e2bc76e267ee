#include "formats/text_file.h"

#include "geometry/error.h"
#include "support/error_of.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iconv.h>
#include <string>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;

// "交点" (intersection point) in UTF-8 and in GBK, written out byte by byte so the test does
// not depend on the encoder under test.
constexpr std::string_view kJiaoDianUtf8 = "\xE4\xBA\xA4\xE7\x82\xB9";
constexpr std::string_view kJiaoDianGbk = "\xBD\xBB\xB5\xE3";

/// Encodes UTF-8 text with the system's iconv (an independent encoder for round trips).
std::string Encode(std::string_view utf8, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(utf8.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::vector<std::string> AllLines(TextFile file) {
    std::vector<std::string> lines;
    while (!file.AtEnd()) {
        lines.push_back(file.ReadLine());
    }
    return lines;
}

TEST(DecodeText, Utf8PassesThroughAndItsMarkIsDropped) {
    const std::string text = "JD1 " + std::string(kJiaoDianUtf8) + "\r\n";
    EXPECT_EQ(DecodeText(text), text);
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF" + text), text);
    EXPECT_EQ(DecodeText(""), "");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF"), "");
}

TEST(DecodeText, GbkAndGb18030AreDecoded) {
    EXPECT_EQ(DecodeText(std::string(kJiaoDianGbk) + "1"), std::string(kJiaoDianUtf8) + "1");
    // Round trip through an independent encoder, with a character outside GBK (four bytes in
    // GB18030) and full-width punctuation common in Chinese files.
    const std::string utf8 = "起点 QD，终点 ZD；𠀀 × －";
    const std::string gb = Encode(utf8, "GB18030");
    ASSERT_FALSE(IsValidUtf8(gb));
    EXPECT_EQ(DecodeText(gb), utf8);
    // "联通" in GBK looks like UTF-8 to a lax check (C1 AA CD A8), but C1 only starts overlong
    // forms, so strict UTF-8 validation hands it to the GBK decoder.
    EXPECT_EQ(DecodeText("\xC1\xAA\xCD\xA8"), "联通");
}

TEST(DecodeText, Utf16WithMarkIsDecoded) {
    const std::string utf8 = "交点法\r\n1,2";
    EXPECT_EQ(DecodeText("\xFF\xFE" + Encode(utf8, "UTF-16LE")), utf8);
    EXPECT_EQ(DecodeText("\xFE\xFF" + Encode(utf8, "UTF-16BE")), utf8);
}

TEST(DecodeText, InvalidBytesAreAFormatErrorNamingTheLine) {
    // 0x81 opens a two-byte GBK character; a blank cannot follow it.
    const std::string bad = "title,0\r\nJD1\r\n\x81 1 2\r\n";
    const std::string message = ErrorOf([&] { DecodeText(bad, "a.jdx"); }, ErrorCode::Format);
    EXPECT_EQ(message.rfind("a.jdx, line 3: ", 0), 0u) << message;
    EXPECT_NE(message.find("0x81"), std::string::npos) << message;

    EXPECT_EQ(ErrorOf([] { DecodeText("x\n\xFF"); }, ErrorCode::Format).rfind("line 2: ", 0), 0u);
    // A lead byte at the very end: the text stops inside a character.
    EXPECT_NE(ErrorOf([] { DecodeText("abc\xB5"); }, ErrorCode::Format).find("ends inside"),
              std::string::npos);
    // A UTF-8 mark promises UTF-8: GBK after it is refused rather than turned into garbage.
    ErrorOf([] { DecodeText("\xEF\xBB\xBF" + std::string(kJiaoDianGbk)); }, ErrorCode::Format);
    // UTF-16 with an odd number of bytes, and an unpaired surrogate.
    ErrorOf([] { DecodeText("\xFF\xFE\x41\x00\x42"); }, ErrorCode::Format);
    ErrorOf([] { DecodeText(std::string("\xFF\xFE\x00\xD8\x41\x00", 6)); }, ErrorCode::Format);
}

TEST(IsValidUtf8, RejectsMalformedSequences) {
    EXPECT_TRUE(IsValidUtf8("abc"));
    EXPECT_TRUE(IsValidUtf8(kJiaoDianUtf8));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));     // U+1F600
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3))); // NUL is a character
    EXPECT_FALSE(IsValidUtf8(kJiaoDianGbk));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xBA"));         // truncated
    EXPECT_FALSE(IsValidUtf8("\x80"));             // lone continuation byte
}

TEST(TextFileLines, AllThreeLineEndsAndAMissingLastEnd) {
    const std::vector<std::string> expected = {"a", "", "b c", "d"};
    EXPECT_EQ(AllLines(TextFile("a\r\n\r\nb c\r\nd\r\n")), expected);
    EXPECT_EQ(AllLines(TextFile("a\n\nb c\nd\n")), expected);
    EXPECT_EQ(AllLines(TextFile("a\r\rb c\rd\r")), expected);
    EXPECT_EQ(AllLines(TextFile("a\r\n\nb c\rd")), expected) << "mixed, no final line end";
    EXPECT_TRUE(AllLines(TextFile("")).empty());
    EXPECT_EQ(AllLines(TextFile("\n")), std::vector<std::string>{""});
}

TEST(TextFileLines, LineNumbersAndReadingPastTheEnd) {
    TextFile file("one\ntwo", "f.txt");
    EXPECT_EQ(file.LineNumber(), 0);
    EXPECT_EQ(file.ReadLine(), "one");
    EXPECT_EQ(file.LineNumber(), 1);
    EXPECT_EQ(file.ReadLine(), "two");
    EXPECT_EQ(file.LineNumber(), 2);
    EXPECT_TRUE(file.AtEnd());
    const std::string message = ErrorOf([&] { file.ReadLine(); }, ErrorCode::Format);
    EXPECT_EQ(message.rfind("f.txt, line 2: ", 0), 0u) << message;
}

TEST(TextFileList, HeadOnOneLineWithCommas) {
    TextFile file("Some road, 12000.5\r\nJD0\r\n");
    EXPECT_EQ(file.ReadListText(), "Some road");
    EXPECT_EQ(file.ReadListNumber(), 12000.5);
    EXPECT_EQ(file.ReadLine(), "JD0");
    EXPECT_TRUE(file.AtEnd());
}

TEST(TextFileList, HeadSpreadOverLinesWithBlankLinesBetween) {
    TextFile file("Some road\n\n  12000\n0\t1 , 2,\n\n3\nnext line\n");
    EXPECT_EQ(file.ReadListText(), "Some road");
    EXPECT_EQ(file.ReadListNumber(), 12000.0);
    EXPECT_EQ(file.ReadListNumber(), 0.0);
    EXPECT_EQ(file.LineNumber(), 4);
    EXPECT_EQ(file.ReadListNumber(), 1.0) << "numbers are also separated by blanks and tabs";
    EXPECT_EQ(file.ReadListNumber(), 2.0);
    EXPECT_EQ(file.ReadListNumber(), 3.0) << "a comma before a line end adds no value";
    EXPECT_EQ(file.LineNumber(), 6);
    EXPECT_EQ(file.ReadLine(), "next line");
}

TEST(TextFileList, ReadingContinuesWithTheLineAfterTheLastValue) {
    TextFile file("1, 2, 3\nafter\n");
    EXPECT_EQ(file.ReadListNumber(), 1.0);
    EXPECT_EQ(file.ReadListNumber(), 2.0);
    EXPECT_EQ(file.ListRemainder(), "3");
    EXPECT_EQ(file.ReadLine(), "after") << "the rest of the list line is dropped";
    EXPECT_EQ(file.ListRemainder(), "");
}

TEST(TextFileList, TextValues) {
    TextFile file("\"G15, section 3\" tail, 100\n,7\n  \xE4\xBA\xA4 JD  \n");
    EXPECT_EQ(file.ReadListText(), "G15, section 3") << "a quoted text may hold a comma";
    EXPECT_EQ(file.ReadListNumber(), 100.0);
    EXPECT_EQ(file.ReadListText(), "") << "an empty text before a comma";
    EXPECT_EQ(file.ReadListNumber(), 7.0);
    EXPECT_EQ(file.ReadListText(), "\xE4\xBA\xA4 JD") << "inner blanks kept, outer dropped";
}

TEST(TextFileList, BadOrMissingNumbersAreFormatErrors) {
    {
        TextFile file("title\nK12+000\n", "road.jdx");
        file.ReadListText();
        const std::string message =
            ErrorOf([&] { file.ReadListNumber("the start station"); }, ErrorCode::Format);
        EXPECT_EQ(message, "road.jdx, line 2: the start station: \"K12+000\" is not a number");
    }
    {
        TextFile file("1,,2");
        file.ReadListNumber();
        ErrorOf([&] { file.ReadListNumber(); }, ErrorCode::Format);
    }
    {
        TextFile file("title\n\n");
        file.ReadListText();
        const std::string message =
            ErrorOf([&] { file.ReadListNumber("the start station"); }, ErrorCode::Format);
        EXPECT_NE(message.find("ends where the start station was expected"), std::string::npos);
    }
    ErrorOf([] { TextFile("").ReadListText(); }, ErrorCode::Format);
}

class TextFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("tesk_formats_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const auto path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path m_dir;
};

TEST_F(TextFileOnDisk, OpensAndDecodesAFile) {
    const std::string path = Write("gbk.txt", std::string(kJiaoDianGbk) + ",5\r\nrest");
    TextFile file = OpenTextFile(path);
    EXPECT_EQ(file.SourceName(), path);
    EXPECT_EQ(file.ReadListText(), kJiaoDianUtf8);
    EXPECT_EQ(file.ReadListNumber(), 5.0);
    EXPECT_EQ(file.ReadLine(), "rest");
}

TEST_F(TextFileOnDisk, AChineseFileNameOpens) {
    const std::string path = Write("平面资料.jdx", "a");
    EXPECT_EQ(OpenTextFile(path).ReadLine(), "a");
}

TEST_F(TextFileOnDisk, EmptyPathMissingFileAndFolder) {
    ErrorOf([] { OpenTextFile(""); }, ErrorCode::EmptyPath);
    const std::string missing = (m_dir / "missing.jdx").string();
    const std::string message = ErrorOf([&] { OpenTextFile(missing); }, ErrorCode::FileAccess);
    EXPECT_EQ(message.rfind(missing + ": ", 0), 0u) << message;
    ErrorOf([&] { OpenTextFile(m_dir.string()); }, ErrorCode::FileAccess);
}

TEST_F(TextFileOnDisk, UndecodableFileNamesThePath) {
    const std::string path = Write("bad.txt", "ok\n\x81\x0A");
    const std::string message = ErrorOf([&] { OpenTextFile(path); }, ErrorCode::Format);
    EXPECT_EQ(message.rfind(path + ", line 2: ", 0), 0u) << message;
}

} // namespace
} // namespace tesk::formats
