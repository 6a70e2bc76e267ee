#include "cad/dxf_writer.h"

#include "geometry/error.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <charconv>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace tesk::cad {
namespace {

namespace fs = std::filesystem;
using geometry::ErrorCode;
using geometry::RuntimeError;

/// The DXF as (group code, value) pairs.
std::vector<std::pair<int, std::string>> Groups(const std::string& dxf) {
    std::vector<std::pair<int, std::string>> groups;
    std::istringstream in(dxf);
    std::string code;
    std::string value;
    while (std::getline(in, code) && std::getline(in, value)) {
        groups.emplace_back(std::stoi(code), value);
    }
    return groups;
}

double ParseDouble(const std::string& text) {
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(result.ec, std::errc()) << text;
    return value;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using TempFolder = testing::ScratchFolder;

/// A drawing of 200 lines on the layer "中心线", some 30 kB of DXF.
class SmallDrawing {
public:
    SmallDrawing() {
        m_doc.SetActiveLayer(m_doc.AddLayer("中心线"));
        for (int i = 0; i < 200; ++i) {
            m_doc.AddLine({i * 1.0, 0, 0}, {i + 1.0, 0.5, 0}).SetColor(kBlue);
        }
    }
    operator const DrawingDocument&() const { return m_doc; }

private:
    DrawingDocument m_doc;
};

void ExpectFileAccessError(const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "the write did not fail";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Code(), ErrorCode::FileAccess) << error.what();
    }
}

TEST(CadDxfStrings, ChineseIsWrittenInGbk) {
    // GBK codes of 中 D6D0, 心 D0C4, 线 CFDF.
    EXPECT_EQ(EncodeDxfString("中心线"), "\xD6\xD0\xD0\xC4\xCF\xDF");
    EXPECT_EQ(EncodeDxfString("QD K0+000.000"), "QD K0+000.000");
    EXPECT_EQ(EncodeDxfString("输入插入点:").size(), 11u); // five double-byte characters and ':'
}

TEST(CadDxfStrings, WhatGbkCannotHoldIsEscapedNotLost) {
    EXPECT_EQ(EncodeDxfString("한"), "\\U+D55C");          // Hangul is not in GBK
    EXPECT_EQ(EncodeDxfString("x😀"), "x\\U+D83D\\U+DE00"); // as a UTF-16 surrogate pair
    EXPECT_EQ(EncodeDxfString("a\xFF"
                              "b"),
              "a?b"); // not UTF-8
    // A line break inside a value would end it and break the file.
    EXPECT_EQ(EncodeDxfString("a\nb\r\tc"), "a b  c");
}

TEST(CadDxfRender, HeaderDeclaresTheChineseCodePage) {
    const auto groups = Groups(RenderDxf(SmallDrawing()));
    bool codePage = false;
    bool version = false;
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        if (groups[i] == std::pair<int, std::string>{9, "$DWGCODEPAGE"}) {
            codePage = groups[i + 1] == std::pair<int, std::string>{3, "ANSI_936"};
        }
        if (groups[i] == std::pair<int, std::string>{9, "$ACADVER"}) {
            version = groups[i + 1] == std::pair<int, std::string>{1, "AC1015"};
        }
    }
    EXPECT_TRUE(codePage);
    EXPECT_TRUE(version);
    EXPECT_EQ(groups.back(), (std::pair<int, std::string>{0, "EOF"}));
}

TEST(CadDxfRender, CoordinatesReadBackToTheLastBit) {
    DrawingDocument doc;
    const Point p{512345.67891234567, 3385123.4567890123, 0};
    doc.AddPoint(p);
    const auto groups = Groups(RenderDxf(doc));
    std::size_t i = 0;
    while (i < groups.size() && groups[i] != std::pair<int, std::string>{0, "POINT"}) {
        ++i;
    }
    ASSERT_LT(i, groups.size());
    double x = 0;
    double y = 0;
    for (++i; i < groups.size() && groups[i].first != 0; ++i) {
        if (groups[i].first == 10) {
            x = ParseDouble(groups[i].second);
        } else if (groups[i].first == 20) {
            y = ParseDouble(groups[i].second);
        }
    }
    EXPECT_EQ(x, p.X);
    EXPECT_EQ(y, p.Y);
}

/// 70 000 points: more handles than the usual fixed seed FFFF, and several megabytes of DXF.
class LargeDrawing {
public:
    LargeDrawing() {
        for (int i = 0; i < 70000; ++i) {
            m_doc.AddPoint({i * 1.0, 0, 0});
        }
    }
    operator const DrawingDocument&() const { return m_doc; }

private:
    DrawingDocument m_doc;
};

TEST(CadDxfRender, HandleSeedLiesAboveEveryHandleOfALargeDrawing) {
    const auto groups = Groups(RenderDxf(LargeDrawing()));
    unsigned long seed = 0;
    unsigned long largest = 0;
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        if (groups[i] == std::pair<int, std::string>{9, "$HANDSEED"}) {
            seed = std::stoul(groups[i + 1].second, nullptr, 16);
            ++i; // the seed is not a handle
        } else if (groups[i].first == 5 || groups[i].first == 105) {
            largest = std::max(largest, std::stoul(groups[i].second, nullptr, 16));
        }
    }
    EXPECT_GT(largest, 70000ul);
    EXPECT_GT(seed, largest);
}

TEST(CadDxfWrite, ALargeDrawingIsStreamedInPiecesThatMakeTheWholeFile) {
    // The seed in the header comes from a first pass over the drawing: the streamed file must
    // be the very bytes of the rendered one.
    TempFolder folder;
    const LargeDrawing doc;
    std::vector<std::size_t> pieces;
    std::string joined;
    StreamDxf(doc, [&](std::string_view piece) {
        pieces.push_back(piece.size());
        joined += piece;
    });
    ASSERT_GT(pieces.size(), 2u);
    for (const std::size_t size : pieces) {
        EXPECT_LT(size, (1u << 20) + 4096u);
    }
    WriteDxf(doc, folder.Path() / "a.dxf");
    EXPECT_EQ(ReadFile(folder.Path() / "a.dxf"), joined);
    EXPECT_EQ(RenderDxf(doc), joined);
}

TEST(CadDxfWrite, ReplacesAnOlderFileAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const fs::path path = folder.Path() / "设计线.dxf";
    std::ofstream(path) << "older drawing";
    WriteDxf(SmallDrawing(), path);
    EXPECT_EQ(ReadFile(path), RenderDxf(SmallDrawing()));
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"设计线.dxf"});
}

TEST(CadDxfWrite, MissingFolderFailsCleanly) {
    TempFolder folder;
    ExpectFileAccessError([&] { WriteDxf(SmallDrawing(), folder.Path() / "missing" / "a.dxf"); });
    ExpectFileAccessError([&] { WriteDxf(SmallDrawing(), fs::path()); });
    EXPECT_TRUE(folder.Files().empty());
}

TEST(CadDxfWrite, AFolderInTheWayFailsAndStaysAsItWas) {
    TempFolder folder;
    fs::create_directories(folder.Path() / "a.dxf" / "inside");
    ExpectFileAccessError([&] { WriteDxf(SmallDrawing(), folder.Path() / "a.dxf"); });
    EXPECT_TRUE(fs::is_directory(folder.Path() / "a.dxf" / "inside"));
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"a.dxf"});
}

TEST(CadDxfWrite, ReadOnlyFolderKeepsTheOlderFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the super-user";
    }
    TempFolder folder;
    const fs::path path = folder.Path() / "a.dxf";
    std::ofstream(path) << "older drawing";
    fs::permissions(folder.Path(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ExpectFileAccessError([&] { WriteDxf(SmallDrawing(), path); });
    EXPECT_EQ(ReadFile(path), "older drawing");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"a.dxf"});
}

TEST(CadDxfWrite, AWriteThatFailsHalfwayKeepsTheOlderFile) {
    // A file-size limit makes the write fail part of the way through, as a full disk would.
    TempFolder folder;
    const fs::path path = folder.Path() / "a.dxf";
    std::ofstream(path) << "older drawing";
    const SmallDrawing doc;
    ASSERT_GT(RenderDxf(doc).size(), 8192u);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool failed = false;
    try {
        WriteDxf(doc, path);
    } catch (const RuntimeError& error) {
        failed = error.Code() == ErrorCode::FileAccess;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadFile(path), "older drawing");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"a.dxf"});
}

} // namespace
} // namespace tesk::cad
