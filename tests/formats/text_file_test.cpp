#include "formats/text_file.h"

#include "geometry/error.h"
#include "support/error_of.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <fstream>
#include <gtest/gtest.h>
#include <iconv.h>
#include <string>
#include <sys/stat.h>

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

TEST(DecodeText, BytesValidBothWaysAreReadAsChineseText) {
    // Short GBK words are often valid UTF-8 as well ("桩" is D7 AE, Hebrew U+05EE as UTF-8);
    // the reading that gives Chinese wins, and UTF-8 Chinese stays UTF-8 in either case.
    struct Row {
        const char* Utf8;
        const char* Why;
    };
    const Row rows[] = {
        {"桩1", "D7 AE: Hebrew as UTF-8"},
        {"注 ZD", "D7 A2: Hebrew as UTF-8"},
        {"墩3", "not UTF-8 as GBK"},
        {"台4", "CC A8: a combining mark as UTF-8"},
        {"交点 JD1", "not UTF-8 as GBK"},
        {"起点", "not UTF-8 as GBK"},
        {"终点", "not UTF-8 as GBK"},
        {"1号桩,2号台", "a line with two words"},
        {"桩1 30°", "a UTF-8 degree sign is GBK 掳 too"},
        {"偏角 12°30′15″ ±0.5", "the survey symbols"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.Utf8) + ": " + row.Why);
        const std::string gbk = Encode(row.Utf8, "GBK");
        EXPECT_EQ(DecodeText(gbk), row.Utf8) << "written as GBK";
        EXPECT_EQ(DecodeText(row.Utf8), row.Utf8) << "written as UTF-8";
        EXPECT_EQ(DecodeText(std::string("\xEF\xBB\xBF") + row.Utf8), row.Utf8) << "UTF-8 with mark";
    }
    // Degrees alone in a UTF-8 file: C2 B0 is a valid GBK ideograph, but the UTF-8 reading is
    // Chinese text already.
    EXPECT_EQ(DecodeText("30\xC2\xB0\n"), "30°\n");
}

TEST(DecodeText, ANulByteIsRefusedNotCarriedIntoMessages) {
    // UTF-16 without its byte-order mark: every other byte is NUL, and the whole file would be
    // valid UTF-8 full of NULs, which cut messages short.
    const std::string utf16 = Encode("t,0\nJD1\n", "UTF-16LE");
    ASSERT_EQ(utf16.substr(0, 2), std::string("t\0", 2));
    const std::string message = ErrorOf([&] { DecodeText(utf16, "a.jdx"); }, ErrorCode::Format);
    EXPECT_EQ(message.rfind("a.jdx, line 1: ", 0), 0u) << message;
    EXPECT_NE(message.find("UTF-16"), std::string::npos) << message;
    const std::string later =
        ErrorOf([] { DecodeText(std::string("ok\nok\nx\0y", 9)); }, ErrorCode::Format);
    EXPECT_EQ(later.rfind("line 3: ", 0), 0u) << later;
    ErrorOf([] { DecodeText(std::string("\xFF\xFE" "a\0\0\0", 6)); }, ErrorCode::Format);
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

TEST_F(TextFileOnDisk, TheSizeLimitHoldsWhileReadingWhateverTheFileIs) {
    struct Row {
        std::string Path;
        const char* Why;
    };
    std::string big(32u * 1024u * 1024u + 1u, '1');
    const Row rows[] = {
        {Write("big.txt", big), "a regular file one byte over"},
        {"/dev/zero", "a device that never ends"},
    };
    big.clear();
    big.shrink_to_fit();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Why);
        if (!std::filesystem::exists(row.Path)) {
            continue;
        }
        const std::string message =
            ErrorOf([&] { OpenTextFile(row.Path); }, ErrorCode::Format);
        EXPECT_EQ(message.rfind(row.Path + ": ", 0), 0u) << message;
        EXPECT_NE(message.find("32 MiB"), std::string::npos) << message;
    }
    // Exactly at the limit still reads.
    const std::string atLimit = Write("limit.txt", std::string(32u * 1024u * 1024u, '1'));
    EXPECT_EQ(OpenTextFile(atLimit).ReadLine().size(), 32u * 1024u * 1024u);
}

TEST_F(TextFileOnDisk, AFifoWithoutWriterFailsInsteadOfWaitingForEver) {
    const std::string fifo = (m_dir / "pipe.jdx").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] {
        return ErrorOf([&] { OpenTextFile(fifo); }, ErrorCode::FileAccess);
    });
    ASSERT_EQ(opened.wait_for(std::chrono::seconds(30)), std::future_status::ready)
        << "still waiting for a writer";
    const std::string message = opened.get();
    EXPECT_EQ(message.rfind(fifo + ": ", 0), 0u) << message;
}

TEST_F(TextFileOnDisk, UndecodableFileNamesThePath) {
    const std::string path = Write("bad.txt", "ok\n\x81\x0A");
    const std::string message = ErrorOf([&] { OpenTextFile(path); }, ErrorCode::Format);
    EXPECT_EQ(message.rfind(path + ", line 2: ", 0), 0u) << message;
}

} // namespace
} // namespace tesk::formats
