#include "formats/readers.h"

#include "geometry/error.h"
#include "support/error_of.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

/// The names of the vertices read, in order.
std::vector<std::string> Names(const jd::JdInput& input) {
    std::vector<std::string> names;
    for (const jd::Vertex& v : input.Vertices) {
        names.push_back(v.Name);
    }
    return names;
}

// ---- JD file -------------------------------------------------------------------------------

constexpr const char* kThreeVertices = "Test road,1000\r\n"
                                       "QD\r\n"
                                       "100 200 0 0 0\r\n"
                                       "JD1\r\n"
                                       "300.5 400.25 500 60 70 1500 2000\r\n"
                                       "ZD\r\n"
                                       "500 200 0 0 0\r\n";

TEST(ReadJd, EveryFieldOfEveryVertex) {
    const jd::JdInput in = ReadJdText(kThreeVertices);
    EXPECT_EQ(in.StartStation, 1000.0);
    ASSERT_EQ(Names(in), (std::vector<std::string>{"QD", "JD1", "ZD"}));
    const jd::Vertex& v = in.Vertices[1];
    EXPECT_EQ(v.X, 300.5);
    EXPECT_EQ(v.Y, 400.25);
    EXPECT_EQ(v.Radius, 500.0);
    EXPECT_EQ(v.Spiral1, 60.0);
    EXPECT_EQ(v.Spiral2, 70.0);
    EXPECT_EQ(v.Spiral1OuterRadius, 1500.0);
    EXPECT_EQ(v.Spiral2OuterRadius, 2000.0);
    EXPECT_EQ(in.Vertices[2].X, 500.0);
    EXPECT_EQ(in.Vertices[2].Y, 200.0);
    EXPECT_EQ(in.Vertices[0].Spiral1OuterRadius, 0.0) << "five fields: no outer radii";
    EXPECT_EQ(in.Vertices[0].Spiral2OuterRadius, 0.0);
    for (const jd::Vertex& u : in.Vertices) {
        EXPECT_FALSE(u.Hairpin || u.KeepBack || u.KeepAhead) << u.Name;
    }
}

TEST(ReadJd, HeadSpreadOverLinesAndDifferentLineEnds) {
    const std::string lf = "Test road\n1000\nQD\n100 200 0 0 0\nZD\n500 200 0 0 0";
    const std::string cr = "Test road\r1000\rQD\r100 200 0 0 0\rZD\r500 200 0 0 0\r";
    for (const std::string& text : {lf, cr}) {
        const jd::JdInput in = ReadJdText(text);
        EXPECT_EQ(in.StartStation, 1000.0);
        ASSERT_EQ(Names(in), (std::vector<std::string>{"QD", "ZD"}));
        EXPECT_EQ(in.Vertices[1].X, 500.0);
    }
}

TEST(ReadJd, TabsAndRunsOfBlanksSeparateFields) {
    const jd::JdInput in =
        ReadJdText("t,0\n  QD  \n 1  2\t3 \t 4" + std::string(60, ' ') + "5  \n");
    ASSERT_EQ(Names(in), std::vector<std::string>{"QD"});
    const jd::Vertex& v = in.Vertices[0];
    EXPECT_EQ(v.X, 1.0);
    EXPECT_EQ(v.Y, 2.0);
    EXPECT_EQ(v.Radius, 3.0);
    EXPECT_EQ(v.Spiral1, 4.0);
    EXPECT_EQ(v.Spiral2, 5.0);
}

TEST(ReadJd, CommentsOnlyAtNamePositions) {
    const jd::JdInput in = ReadJdText("t,0\n"
                                      ";; name X Y R Ls1 Ls2\n"
                                      "\n"
                                      "   \t \n"
                                      "QD\n"
                                      "1 2 0 0 0\n"
                                      "  ;;  a comment after blanks\n"
                                      "ZD ;; not a comment: does not start with it\n"
                                      "3 4 0 0 0\n"
                                      "\n");
    ASSERT_EQ(Names(in),
              (std::vector<std::string>{"QD", "ZD ;; not a comment: does not start with it"}));
    EXPECT_EQ(in.Vertices[1].X, 3.0);

    // At a data position ";;" is data, and not a number; an empty data line is not skipped.
    for (const char* text : {"t,0\nQD\n;; 1 2 0 0 0\n1 2 0 0 0\n", "t,0\nQD\n\n1 2 0 0 0\n"}) {
        const std::string message = ErrorOf([&] { ReadJdText(text); });
        EXPECT_TRUE(StartsWith(message, "line 3: ")) << message;
    }
}

TEST(ReadJd, HairpinMarkAndItsFlags) {
    const jd::JdInput in = ReadJdText("t,0\n"
                                      "QD\n0 0 0 0 0\n"
                                      "JD5HT10\n1 1 30 0 0\n"
                                      "jd6ht00\n2 2 30 0 0\n"
                                      "JD7 Ht01\n3 3 30 0 0\n"
                                      "JD8\n4 4 30 0 0\n"
                                      "ZD\n5 5 0 0 0\n");
    struct Row {
        const char* Name;
        bool Hairpin, KeepBack, KeepAhead;
    };
    const Row expected[] = {
        {"QD", false, false, false},
        {"JD5HT10", true, true, false},  // back leg keeps its direction, ahead leg reversed
        {"jd6ht00", true, false, false}, // lower case: both reversed
        {"JD7 Ht01", true, false, true},
        {"JD8", false, false, false},
        {"ZD", false, false, false},
    };
    ASSERT_EQ(in.Vertices.size(), std::size(expected));
    for (std::size_t i = 0; i < in.Vertices.size(); ++i) {
        const jd::Vertex& v = in.Vertices[i];
        EXPECT_EQ(v.Name, expected[i].Name) << "the name keeps its mark";
        EXPECT_EQ(v.Hairpin, expected[i].Hairpin) << v.Name;
        EXPECT_EQ(v.KeepBack, expected[i].KeepBack) << v.Name;
        EXPECT_EQ(v.KeepAhead, expected[i].KeepAhead) << v.Name;
    }
}

TEST(ParseHairpinMark, FlagsAreCharactersNotBytes) {
    struct Row {
        const char* Name;
        bool Hairpin, KeepBack, KeepAhead;
        const char* Why;
    };
    const Row rows[] = {
        // The last character is a Chinese one: its last byte must not be taken for a flag.
        {"HT1交", true, true, false, "a multi-byte last character"},
        {"交点HT11", true, true, true, "multi-byte characters before the mark"},
        {"HT", true, false, false, "the mark alone"},
        {"JD11", false, false, false, "flags only count with the mark"},
    };
    for (const Row& row : rows) {
        const HairpinMark mark = ParseHairpinMark(row.Name);
        EXPECT_EQ(mark.Hairpin, row.Hairpin) << row.Why;
        EXPECT_EQ(mark.KeepBack, row.KeepBack) << row.Why;
        EXPECT_EQ(mark.KeepAhead, row.KeepAhead) << row.Why;
    }
}

TEST(ReadJd, DataLinesWithOtherThanFiveOrSevenFieldsAreRejected) {
    for (const char* data : {"1 2 3 4", "1 2 3 4 5 6", "1 2 3 4 5 6 7 8", "1"}) {
        const std::string message = ErrorOf([&] { ReadJdText(std::string("t,0\nQD\n") + data); });
        EXPECT_TRUE(StartsWith(message, "line 3: ")) << message;
    }
}

TEST(ReadJd, FieldsMustBeNumbersAsAWhole) {
    EXPECT_EQ(ErrorOf([] {
                  ReadJdText("t,0\nQD\n1 2 0 0 0\nJD1\n3452430.294 5026880.6l5 1200 150 150\n");
              }),
              "line 5: field 2 (Y): \"5026880.6l5\" is not a number");
    for (const char* text :
         {"t,0\nQD\n1,5 2 0 0 0\n", "t,K1+000\nQD\n1 2 0 0 0\n", "t,0\nQD\n1e999 2 0 0 0\n"}) {
        ErrorOf([&] { ReadJdText(text); });
    }
}

TEST(ReadJd, FileEndingAfterANameLine) {
    const std::string message = ErrorOf([] { ReadJdText("t,0\nQD\n1 2 0 0 0\nZD\n"); });
    EXPECT_TRUE(StartsWith(message, "line 4: ")) << message;
    EXPECT_NE(message.find("\"ZD\""), std::string::npos) << message;
}

TEST(ReadJd, HeadOnlyGivesNoVertices) {
    const jd::JdInput in = ReadJdText("t,250\n\n;; nothing yet\n");
    EXPECT_TRUE(in.Vertices.empty());
    EXPECT_EQ(in.StartStation, 250.0);
}

std::string VertexList(int count) {
    std::string text = "t,0\n";
    for (int i = 1; i <= count; ++i) {
        text += "JD" + std::to_string(i) + "\n" + std::to_string(i) + " 0 0 0 0\n";
    }
    return text;
}

TEST(ReadJd, AtMostAThousandVertices) {
    const jd::JdInput in = ReadJdText(VertexList(1000));
    ASSERT_EQ(in.Vertices.size(), 1000u);
    EXPECT_EQ(in.Vertices.back().X, 1000.0);
    const std::string message = ErrorOf([] { ReadJdText(VertexList(1001)); });
    EXPECT_TRUE(StartsWith(message, "line 2002: ")) << message;
}

TEST(ReadJd, GbkFileWithChineseNames) {
    // "起点" (start), "交点1", "终点" (end) in GBK; the head title "测试" as well.
    const std::string gbk = "\xB2\xE2\xCA\xD4,12000\r\n"
                            "\xC6\xF0\xB5\xE3\r\n"
                            "3452000 502000 0 0 0\r\n"
                            "\xBD\xBB\xB5\xE3"
                            "1\r\n"
                            "3452430.294 502688.615 1200 150 150\r\n"
                            "\xD6\xD5\xB5\xE3\r\n"
                            "3452548.421 503585.873 0 0 0\r\n";
    const jd::JdInput in = ReadJdText(gbk);
    ASSERT_EQ(Names(in), (std::vector<std::string>{"起点", "交点1", "终点"}));
    EXPECT_EQ(in.Vertices[1].X, 3452430.294);
    EXPECT_EQ(in.StartStation, 12000.0);
}

TEST(ReadJd, Utf8FileWithMark) {
    const jd::JdInput in = ReadJdText("\xEF\xBB\xBF测试,0\n起点\n1 2 0 0 0\n");
    EXPECT_EQ(Names(in), std::vector<std::string>{"起点"});
}

TEST(ReadJd, InvalidBytesAreRejectedCleanly) {
    const std::string message = ErrorOf([] { ReadJdText("t,0\nQD\x81\n1 2 0 0 0\n"); });
    EXPECT_TRUE(StartsWith(message, "line 2: ")) << message;
}

// ---- Element file --------------------------------------------------------------------------

TEST(ReadElements, HeadAndRowsWithTheAzimuthInDegrees) {
    const element::ElementInput in = ReadElementText("0,3452650.000,502930.000,58.0030\r\n"
                                                     "10000 10000 60\r\n"
                                                     "10000  320\t75 extra fields ignored\r\n"
                                                     "-260 -260 84.2\r\n");
    EXPECT_EQ(in.StartStation, 0.0);
    EXPECT_EQ(in.StartX, 3452650.0);
    EXPECT_EQ(in.StartY, 502930.0);
    EXPECT_DOUBLE_EQ(in.StartAzimuth, 58.0 + 30.0 / 3600.0) << "58°00′30″ written as d.mmss";
    ASSERT_EQ(in.Rows.size(), 3u);
    EXPECT_EQ(in.Rows[1].StartRadius, 10000.0);
    EXPECT_EQ(in.Rows[1].EndRadius, 320.0);
    EXPECT_EQ(in.Rows[1].Length, 75.0);
    EXPECT_EQ(in.Rows[2].StartRadius, -260.0);
    EXPECT_EQ(in.Rows[2].Length, 84.2);
}

TEST(ReadElements, HeadOverSeveralLinesAndANegativeAzimuth) {
    const element::ElementInput in =
        ReadElementText("100.5\n3452650 502930\n-12.3045\n10000 10000 60");
    EXPECT_EQ(in.StartStation, 100.5);
    EXPECT_EQ(in.StartX, 3452650.0);
    EXPECT_EQ(in.StartY, 502930.0);
    EXPECT_DOUBLE_EQ(in.StartAzimuth, -(12.0 + 30.0 / 60.0 + 45.0 / 3600.0))
        << "the whole angle is negative, not only the degrees";
    EXPECT_EQ(in.Rows.size(), 1u);
}

TEST(ReadElements, AnEmptyLineEndsTheList) {
    EXPECT_EQ(ReadElementText("0,0,0,0\n10000 10000 60\n  \t \nnot read: 1 2\n10000 10000 5\n")
                  .Rows.size(),
              1u);
}

TEST(ReadElements, AFileWithoutElementLinesIsRefusedLikeAJdFileWithoutVertices) {
    for (const char* text : {"0,0,0,0\n", "0,0,0,0\n\n10000 10000 60\n", "0\n0\n0\n0"}) {
        const std::string message = ErrorOf([&] { ReadElementText(text); });
        EXPECT_NE(message.find("no element lines"), std::string::npos) << message;
    }
}

TEST(ReadAlignmentFiles, ValuesBeyondSaneBoundsAreRefusedNamingTheLine) {
    struct Row {
        const char* Text;
        const char* Start; ///< how the message starts
        const char* Why;
    };
    const Row rows[] = {
        {"t,1e16\nJD0\n0 0 0 0 0\n", "line 1: the start station", "a station a double cannot hold"},
        {"t,0\nJD0\n1e9 0 0 0 0\n", "line 3: field 1 (X)", "a coordinate beyond 1e8"},
        {"t,0\nJD0\n0 0 0 0 0\nJD1\n5 5 500 1e-320 0\n", "line 5: field 4 (Ls1)",
         "a spiral of 1e-320 m passes some formulas and fails others"},
        {"t,0\nJD0\n0 0 0 0 0\nJD1\n5 5 1e12 0 0\n", "line 5: field 3 (R)", "a huge radius"},
        {"t,0\nJD0\n0 0 0 0 0\nJD1\n5 5 500 0 0 0 -2e8\n", "line 5: field 7 (R2)",
         "a huge outer radius"},
        {"-2e9,0,0,0\n10000 10000 5\n", "line 1: the start station", "element start station"},
        {"0,0,3e8,0\n10000 10000 5\n", "line 1: the start Y", "element start Y"},
        {"0,0,0,400\n10000 10000 5\n", "line 1: the start azimuth", "an azimuth beyond 360"},
        {"0,0,0,0\n10000 10000 1e12\n", "line 2: field 3 (length)", "a length of 1e12 m"},
        {"0,0,0,0\n10000 1e-9 5\n", "line 2: field 2 (end radius)", "a radius of 1e-9 m"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Why);
        const bool jd = std::string_view(row.Text).starts_with("t,");
        const std::string message =
            ErrorOf([&] { jd ? (void)ReadJdText(row.Text) : (void)ReadElementText(row.Text); });
        EXPECT_TRUE(StartsWith(message, row.Start)) << message;
    }
    const std::string breaks = ErrorOf([] { ReadChainBreakText("100 200\n5e9 6e9\n"); });
    EXPECT_TRUE(StartsWith(breaks, "line 2: field 1 (back station)")) << breaks;
    // The bounds themselves and lengths of 0 still read.
    EXPECT_EQ(ReadJdText("t,-1e9\nJD0\n1e8 -1e8 0 0 0\n").StartStation, -1e9);
    EXPECT_EQ(ReadElementText("1e9,0,0,-360\n10000 10000 0\n-10000 -1e8 1e8\n").Rows.size(), 2u);
}

TEST(ReadAlignmentFiles, QuotedFieldsAreCutAndHugeNumbersShortened) {
    const std::string longField(5000, '7');
    const std::string message =
        ErrorOf([&] { ReadElementText("0,0,0,0\n10000 10000 " + longField + "x\n"); });
    EXPECT_LT(message.size(), 120u) << message;
    EXPECT_NE(message.find(std::string(40, '7') + "…\""), std::string::npos) << message;
    const std::string huge = ErrorOf([] { ReadJdText("t," + std::string(300, '9') + "\n"); });
    EXPECT_LT(huge.size(), 120u) << huge;
}

TEST(ReadElements, BadLinesAndLimits) {
    EXPECT_EQ(ErrorOf([] { ReadElementText("0,0,0,0\n10000 10000 60\n320 320\n"); }),
              "line 3: an element line needs 3 fields (start radius, end radius, length), this "
              "one has 2");
    EXPECT_EQ(ErrorOf([] { ReadElementText("0,0,0,0\n10000 1OOOO 60\n"); }),
              "line 2: field 2 (end radius): \"1OOOO\" is not a number");
    for (const char* text : {
             "0,0,0\n",                               // the head needs four numbers
             "0,0,0,0\n;; R1 R2 L\n10000 10000 60\n", // ";;" is no comment in an element list
             "0,0,0,1e999\n",                         // an azimuth beyond a double
         }) {
        ErrorOf([&] { ReadElementText(text); });
    }

    std::string rows = "0,0,0,0\n";
    for (int i = 1; i <= 1000; ++i) {
        rows += "10000 10000 " + std::to_string(i) + "\n";
    }
    const element::ElementInput in = ReadElementText(rows);
    ASSERT_EQ(in.Rows.size(), 1000u);
    EXPECT_EQ(in.Rows.back().Length, 1000.0);
    EXPECT_EQ(ErrorOf([&] { ReadElementText(rows + "10000 10000 1\n"); }),
              "line 1002: more than 1000 elements");
}

// ---- Chain-break file ----------------------------------------------------------------------

/// The breaks as "back>ahead" texts, for comparing lists at once.
std::vector<std::string> BreakTexts(const std::vector<stationing::ChainBreak>& breaks) {
    std::vector<std::string> texts;
    for (const stationing::ChainBreak& b : breaks) {
        texts.push_back(std::to_string(b.Back) + ">" + std::to_string(b.Ahead));
    }
    return texts;
}

TEST(ReadChainBreaks, RowsInOrder) {
    const auto breaks = ReadChainBreakText("14862.415  14900\r\n19350\t19310.5 extra\r\n");
    ASSERT_EQ(breaks.size(), 2u);
    EXPECT_EQ(breaks[0].Back, 14862.415);
    EXPECT_EQ(breaks[0].Ahead, 14900.0);
    EXPECT_EQ(breaks[1].Back, 19350.0);
    EXPECT_EQ(breaks[1].Ahead, 19310.5);
}

TEST(ReadChainBreaks, MinusOneFirstMeansNoneAndEmptyLinesEnd) {
    struct Row {
        const char* Text;
        std::vector<std::string> Breaks;
        const char* Why;
    };
    const Row rows[] = {
        {"-1 0\r\n", {}, "-1 first: no chain breaks"},
        {"-1 0\n100 110\nrubbish\n", {}, "whatever follows the -1 row is not read"},
        {"100 110\n-1 0\n",
         {"100.000000>110.000000", "-1.000000>0.000000"},
         "-1 at a later row is an ordinary (if odd) back station"},
        {"100 110\n\n200 210\n", {"100.000000>110.000000"}, "an empty line ends the list"},
        {"", {}, "an empty file has none"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BreakTexts(ReadChainBreakText(row.Text)), row.Breaks) << row.Why;
    }
}

TEST(ReadChainBreaks, BadLinesAndLimits) {
    EXPECT_EQ(ErrorOf([] { ReadChainBreakText("100 110\n200\n"); }),
              "line 2: a chain-break line needs 2 fields (back station, ahead station), this one "
              "has 1");
    for (const char* text :
         {"-1\n" /* too few fields, even for the "none" row */, "K1+100 1110\n"}) {
        ErrorOf([&] { ReadChainBreakText(text); });
    }

    std::string rows;
    for (int i = 1; i <= stationing::kMaxBreaks; ++i) {
        rows += std::to_string(i * 1000) + " " + std::to_string(i * 1000 + 10) + "\n";
    }
    const auto breaks = ReadChainBreakText(rows);
    ASSERT_EQ(breaks.size(), 19u);
    EXPECT_EQ(breaks.back().Ahead, 19010.0);
    EXPECT_EQ(ErrorOf([&] { ReadChainBreakText(rows + "20000 20010\n"); }),
              "line 20: more than 19 chain breaks");
}

// ---- Reading from paths --------------------------------------------------------------------

TEST(ReadFromPath, EmptyPathMissingFileAndTheLocationOfAnError) {
    ErrorOf([] { ReadJdFile(""); }, ErrorCode::EmptyPath);
    ErrorOf([] { ReadElementFile(""); }, ErrorCode::EmptyPath);
    ErrorOf([] { ReadChainBreakFile(""); }, ErrorCode::EmptyPath);
    const std::string missing =
        (std::filesystem::temp_directory_path() / "tesk_no_such_dir" / "x.dl").string();
    ErrorOf([&] { ReadChainBreakFile(missing); }, ErrorCode::FileAccess);

    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("tesk_formats_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "_breaks.dl"))
            .string();
    std::ofstream(path, std::ios::binary) << "100 110\r\n200 2l0\r\n";
    const std::string message = ErrorOf([&] { ReadChainBreakFile(path); });
    std::filesystem::remove(path);
    EXPECT_EQ(message, path + ", line 2: field 2 (ahead station): \"2l0\" is not a number");
}

TEST(ReadFromPath, TheSampleFilesRead) {
    const std::filesystem::path samples = std::filesystem::path(TESK_SOURCE_DIR) / "samples";
    if (!std::filesystem::exists(samples / "main_line.jdx")) {
        GTEST_SKIP() << "no sample files";
    }
    const jd::JdInput line = ReadJdFile((samples / "main_line.jdx").string());
    EXPECT_GE(line.Vertices.size(), 2u);
    for (const jd::Vertex& v : line.Vertices) {
        EXPECT_FALSE(v.Name.empty());
    }
    EXPECT_EQ(ReadChainBreakFile((samples / "main_line.dl").string()).size(), 2u);
    EXPECT_GE(ReadElementFile((samples / "ramp.jdx").string()).Rows.size(), 1u);
}

} // namespace
} // namespace tesk::formats
