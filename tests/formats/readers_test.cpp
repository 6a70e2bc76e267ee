#include "formats/readers.h"

#include "geometry/error.h"
#include "support/error_of.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using state::SharedState;
using testing::ErrorOf;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// ---- JD file -------------------------------------------------------------------------------

constexpr const char* kThreeVertices = "Test road,1000\r\n"
                                       "QD\r\n"
                                       "100 200 0 0 0\r\n"
                                       "JD1\r\n"
                                       "300.5 400.25 500 60 70 1500 2000\r\n"
                                       "ZD\r\n"
                                       "500 200 0 0 0\r\n";

TEST(ReadJd, FillsEveryRawTableAndTheCount) {
    SharedState s;
    ReadJdText(kThreeVertices, s);
    EXPECT_EQ(s.StartStation, 1000.0);
    ASSERT_EQ(s.JdCount, 3);
    EXPECT_EQ(s.JdNameLine[1], "QD");
    EXPECT_EQ(s.JdNameLine[2], "JD1");
    EXPECT_EQ(s.JdNameLine[3], "ZD");
    EXPECT_EQ(s.JdX[2], 300.5);
    EXPECT_EQ(s.JdY[2], 400.25);
    EXPECT_EQ(s.JdRadius[2], 500.0);
    EXPECT_EQ(s.JdSpiral1[2], 60.0);
    EXPECT_EQ(s.JdSpiral2[2], 70.0);
    EXPECT_EQ(s.JdSpiral1OuterRadius[2], 1500.0);
    EXPECT_EQ(s.JdSpiral2OuterRadius[2], 2000.0);
    EXPECT_EQ(s.JdX[3], 500.0);
    EXPECT_EQ(s.JdY[3], 200.0);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(s.JdHairpin[i], 0.0);
    }
}

TEST(ReadJd, HeadSpreadOverLinesAndDifferentLineEnds) {
    const std::string lf = "Test road\n1000\nQD\n100 200 0 0 0\nZD\n500 200 0 0 0";
    const std::string cr = "Test road\r1000\rQD\r100 200 0 0 0\rZD\r500 200 0 0 0\r";
    for (const std::string& text : {lf, cr}) {
        SharedState s;
        ReadJdText(text, s);
        EXPECT_EQ(s.StartStation, 1000.0);
        ASSERT_EQ(s.JdCount, 2);
        EXPECT_EQ(s.JdNameLine[2], "ZD");
        EXPECT_EQ(s.JdX[2], 500.0);
    }
}

TEST(ReadJd, TabsAndRunsOfBlanksSeparateFields) {
    SharedState s;
    ReadJdText("t,0\n  QD  \n 1  2\t3 \t 4" + std::string(60, ' ') + "5  \n", s);
    ASSERT_EQ(s.JdCount, 1);
    EXPECT_EQ(s.JdNameLine[1], "QD");
    EXPECT_EQ(s.JdX[1], 1.0);
    EXPECT_EQ(s.JdY[1], 2.0);
    EXPECT_EQ(s.JdRadius[1], 3.0);
    EXPECT_EQ(s.JdSpiral1[1], 4.0);
    EXPECT_EQ(s.JdSpiral2[1], 5.0);
}

TEST(ReadJd, CommentsOnlyAtNamePositions) {
    SharedState s;
    ReadJdText("t,0\n"
               ";; name X Y R Ls1 Ls2\n"
               "\n"
               "   \t \n"
               "QD\n"
               "1 2 0 0 0\n"
               "  ;;  a comment after blanks\n"
               "ZD ;; not a comment: does not start with it\n"
               "3 4 0 0 0\n"
               "\n",
               s);
    ASSERT_EQ(s.JdCount, 2);
    EXPECT_EQ(s.JdNameLine[1], "QD");
    EXPECT_EQ(s.JdNameLine[2], "ZD ;; not a comment: does not start with it");
    EXPECT_EQ(s.JdX[2], 3.0);

    // At a data position ";;" is data, and not a number.
    const std::string message = ErrorOf([] {
        SharedState t;
        ReadJdText("t,0\nQD\n;; 1 2 0 0 0\n1 2 0 0 0\n", t);
    });
    EXPECT_TRUE(StartsWith(message, "line 3: ")) << message;
    // An empty data line is not skipped either.
    ErrorOf([] {
        SharedState t;
        ReadJdText("t,0\nQD\n\n1 2 0 0 0\n", t);
    });
}

TEST(ReadJd, HairpinMarkAndItsFlags) {
    SharedState s;
    ReadJdText("t,0\n"
               "QD\n0 0 0 0 0\n"
               "JD5HT10\n1 1 30 0 0\n"
               "jd6ht00\n2 2 30 0 0\n"
               "JD7 Ht01\n3 3 30 0 0\n"
               "JD8\n4 4 30 0 0\n"
               "ZD\n5 5 0 0 0\n",
               s);
    ASSERT_EQ(s.JdCount, 6);
    // "HT10": back leg keeps its direction, ahead leg reversed.
    EXPECT_EQ(s.JdHairpin[2], 1.0);
    EXPECT_EQ(s.JdKeepBack[2], 1.0);
    EXPECT_EQ(s.JdKeepAhead[2], 0.0);
    // Lower case "ht00": both reversed.
    EXPECT_EQ(s.JdHairpin[3], 1.0);
    EXPECT_EQ(s.JdKeepBack[3], 0.0);
    EXPECT_EQ(s.JdKeepAhead[3], 0.0);
    EXPECT_EQ(s.JdHairpin[4], 1.0);
    EXPECT_EQ(s.JdKeepBack[4], 0.0);
    EXPECT_EQ(s.JdKeepAhead[4], 1.0);
    EXPECT_EQ(s.JdHairpin[5], 0.0);
    EXPECT_EQ(s.JdNameLine[2], "JD5HT10") << "the name line keeps its mark";
}

TEST(ParseHairpinMark, FlagsAreCharactersNotBytes) {
    // The last character is a Chinese one: its last byte must not be taken for a flag.
    const HairpinMark a = ParseHairpinMark("HT1交");
    EXPECT_TRUE(a.Hairpin);
    EXPECT_TRUE(a.KeepBack);
    EXPECT_FALSE(a.KeepAhead);
    const HairpinMark b = ParseHairpinMark("交点HT11");
    EXPECT_TRUE(b.KeepBack && b.KeepAhead);
    const HairpinMark c = ParseHairpinMark("HT");
    EXPECT_TRUE(c.Hairpin);
    EXPECT_FALSE(c.KeepBack || c.KeepAhead);
    const HairpinMark d = ParseHairpinMark("JD11");
    EXPECT_FALSE(d.Hairpin || d.KeepBack || d.KeepAhead) << "flags only count with the mark";
}

TEST(ReadJd, ARowForgetsWhatAnEarlierFileLeftInIt) {
    SharedState s;
    ReadJdText("t,0\nQD\n0 0 0 0 0\nJD1HT11\n1 1 30 10 10 90 80\nJD2\n2 2 30 0 0 70 60\n"
               "ZD\n5 5 0 0 0\n",
               s);
    ASSERT_EQ(s.JdCount, 4);
    ReadJdText("t,0\nQD\n0 0 0 0 0\nJD1\n1 1 30 10 10\nZD\n5 5 0 0 0\n", s);
    ASSERT_EQ(s.JdCount, 3);
    EXPECT_EQ(s.JdSpiral1OuterRadius[2], 0.0);
    EXPECT_EQ(s.JdSpiral2OuterRadius[2], 0.0);
    EXPECT_EQ(s.JdHairpin[2], 0.0);
    EXPECT_EQ(s.JdKeepBack[2], 0.0);
    EXPECT_EQ(s.JdKeepAhead[2], 0.0);
    EXPECT_EQ(s.JdNameLine[3], "ZD");
    EXPECT_EQ(s.JdNameLine[4], "ZD") << "rows beyond the count keep their old content";
}

TEST(ReadJd, DataLinesWithOtherThanFiveOrSevenFieldsAreRejected) {
    for (const char* data : {"1 2 3 4", "1 2 3 4 5 6", "1 2 3 4 5 6 7 8", "1"}) {
        const std::string message = ErrorOf([&] {
            SharedState s;
            ReadJdText(std::string("t,0\nQD\n") + data + "\n", s);
        });
        EXPECT_TRUE(StartsWith(message, "line 3: ")) << message;
    }
}

TEST(ReadJd, FieldsMustBeNumbersAsAWhole) {
    const std::string message = ErrorOf([] {
        SharedState s;
        ReadJdText("t,0\nQD\n1 2 0 0 0\nJD1\n3452430.294 5026880.6l5 1200 150 150\n", s);
    });
    EXPECT_EQ(message, "line 5: field 2 (Y): \"5026880.6l5\" is not a number");
    ErrorOf([] {
        SharedState s;
        ReadJdText("t,0\nQD\n1,5 2 0 0 0\n", s);
    });
    ErrorOf([] {
        SharedState s;
        ReadJdText("t,K1+000\nQD\n1 2 0 0 0\n", s);
    });
}

TEST(ReadJd, FileEndingAfterANameLine) {
    const std::string message = ErrorOf([] {
        SharedState s;
        ReadJdText("t,0\nQD\n1 2 0 0 0\nZD\n", s);
    });
    EXPECT_TRUE(StartsWith(message, "line 4: ")) << message;
    EXPECT_NE(message.find("\"ZD\""), std::string::npos) << message;
}

TEST(ReadJd, HeadOnlyGivesNoVertices) {
    SharedState s;
    s.JdCount = 7;
    ReadJdText("t,250\n\n;; nothing yet\n", s);
    EXPECT_EQ(s.JdCount, 0);
    EXPECT_EQ(s.StartStation, 250.0);
}

std::string VertexList(int count) {
    std::string text = "t,0\n";
    for (int i = 1; i <= count; ++i) {
        text += "JD" + std::to_string(i) + "\n" + std::to_string(i) + " 0 0 0 0\n";
    }
    return text;
}

TEST(ReadJd, AtMostAThousandVertices) {
    SharedState s;
    ReadJdText(VertexList(1000), s);
    EXPECT_EQ(s.JdCount, 1000);
    EXPECT_EQ(s.JdX[1000], 1000.0);
    const std::string message = ErrorOf([] {
        SharedState t;
        ReadJdText(VertexList(1001), t);
    });
    EXPECT_TRUE(StartsWith(message, "line 2002: ")) << message;
}

TEST(ReadJd, ARejectedFileLeavesTheLoadedAlignmentUntouched) {
    SharedState s;
    ReadJdText(kThreeVertices, s);
    ErrorOf([&] { ReadJdText("other,5\nA\n9 9 9 9 9\nB\n9 9 9 9 x\n", s); });
    EXPECT_EQ(s.StartStation, 1000.0);
    EXPECT_EQ(s.JdCount, 3);
    EXPECT_EQ(s.JdNameLine[1], "QD");
    EXPECT_EQ(s.JdX[1], 100.0);
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
    SharedState s;
    ReadJdText(gbk, s);
    ASSERT_EQ(s.JdCount, 3);
    EXPECT_EQ(s.JdNameLine[1], "起点");
    EXPECT_EQ(s.JdNameLine[2], "交点1");
    EXPECT_EQ(s.JdNameLine[3], "终点");
    EXPECT_EQ(s.JdX[2], 3452430.294);
    EXPECT_EQ(s.StartStation, 12000.0);
}

TEST(ReadJd, Utf8FileWithMark) {
    SharedState s;
    ReadJdText("\xEF\xBB\xBF测试,0\n起点\n1 2 0 0 0\n", s);
    ASSERT_EQ(s.JdCount, 1);
    EXPECT_EQ(s.JdNameLine[1], "起点");
}

TEST(ReadJd, InvalidBytesAreRejectedCleanly) {
    SharedState s;
    const std::string message = ErrorOf([&] { ReadJdText("t,0\nQD\x81\n1 2 0 0 0\n", s); });
    EXPECT_TRUE(StartsWith(message, "line 2: ")) << message;
    EXPECT_EQ(s.JdCount, 0);
}

// ---- Element file --------------------------------------------------------------------------

TEST(ReadElements, HeadAndRows) {
    SharedState s;
    ReadElementText("0,3452650.000,502930.000,58.0030\r\n"
                    "10000 10000 60\r\n"
                    "10000  320\t75 extra fields ignored\r\n"
                    "-260 -260 84.2\r\n",
                    s);
    EXPECT_EQ(s.ElemStartStation, 0.0);
    EXPECT_EQ(s.ElemStartX, 3452650.0);
    EXPECT_EQ(s.ElemStartY, 502930.0);
    EXPECT_EQ(s.ElemStartAzimuth, 58.0030) << "kept as d.mmss";
    ASSERT_EQ(s.ElemRowCount, 3);
    EXPECT_EQ(s.ElemRowA[2], 10000.0);
    EXPECT_EQ(s.ElemRowB[2], 320.0);
    EXPECT_EQ(s.ElemRowC[2], 75.0);
    EXPECT_EQ(s.ElemRowA[3], -260.0);
    EXPECT_EQ(s.ElemRowC[3], 84.2);
}

TEST(ReadElements, HeadOverSeveralLinesWithBlanks) {
    SharedState s;
    ReadElementText("100.5\n3452650 502930\n-12.3045\n10000 10000 60", s);
    EXPECT_EQ(s.ElemStartStation, 100.5);
    EXPECT_EQ(s.ElemStartX, 3452650.0);
    EXPECT_EQ(s.ElemStartY, 502930.0);
    EXPECT_EQ(s.ElemStartAzimuth, -12.3045);
    EXPECT_EQ(s.ElemRowCount, 1);
}

TEST(ReadElements, AnEmptyLineEndsTheList) {
    SharedState s;
    ReadElementText("0,0,0,0\n10000 10000 60\n  \t \nnot read: 1 2\n10000 10000 5\n", s);
    EXPECT_EQ(s.ElemRowCount, 1);
    ReadElementText("0,0,0,0\n", s);
    EXPECT_EQ(s.ElemRowCount, 0);
}

TEST(ReadElements, BadLinesAndLimits) {
    EXPECT_EQ(ErrorOf([] {
                  SharedState s;
                  ReadElementText("0,0,0,0\n10000 10000 60\n320 320\n", s);
              }),
              "line 3: an element line needs 3 fields (start radius, end radius, length), this "
              "one has 2");
    EXPECT_EQ(ErrorOf([] {
                  SharedState s;
                  ReadElementText("0,0,0,0\n10000 1OOOO 60\n", s);
              }),
              "line 2: field 2 (end radius): \"1OOOO\" is not a number");
    ErrorOf([] {
        SharedState s;
        ReadElementText("0,0,0\n", s); // the head needs four numbers
    });
    // ";;" is not a comment in an element list.
    ErrorOf([] {
        SharedState s;
        ReadElementText("0,0,0,0\n;; R1 R2 L\n10000 10000 60\n", s);
    });

    std::string rows = "0,0,0,0\n";
    for (int i = 1; i <= 1000; ++i) {
        rows += "10000 10000 " + std::to_string(i) + "\n";
    }
    SharedState s;
    ReadElementText(rows, s);
    EXPECT_EQ(s.ElemRowCount, 1000);
    EXPECT_EQ(s.ElemRowC[1000], 1000.0);
    EXPECT_EQ(ErrorOf([&] { ReadElementText(rows + "10000 10000 1\n", s); }),
              "line 1002: more than 1000 elements");
    EXPECT_EQ(s.ElemRowCount, 1000) << "the rejected file changed nothing";
}

// ---- Chain-break file ----------------------------------------------------------------------

TEST(ReadChainBreaks, RowsAndCount) {
    SharedState s;
    ReadChainBreakText("14862.415  14900\r\n19350\t19310.5 extra\r\n", s);
    ASSERT_EQ(s.BreakCount, 2);
    EXPECT_EQ(s.BreakBack[1], 14862.415);
    EXPECT_EQ(s.BreakAhead[1], 14900.0);
    EXPECT_EQ(s.BreakBack[2], 19350.0);
    EXPECT_EQ(s.BreakAhead[2], 19310.5);
}

TEST(ReadChainBreaks, MinusOneFirstMeansNone) {
    SharedState s;
    s.BreakCount = 3;
    ReadChainBreakText("-1 0\r\n", s);
    EXPECT_EQ(s.BreakCount, 0);
    // Whatever follows the -1 row is not read.
    ReadChainBreakText("-1 0\n100 110\nrubbish\n", s);
    EXPECT_EQ(s.BreakCount, 0);
    // -1 at a later row is an ordinary (if odd) back station.
    ReadChainBreakText("100 110\n-1 0\n", s);
    EXPECT_EQ(s.BreakCount, 2);
}

TEST(ReadChainBreaks, EmptyLineEndsAndEmptyFileHasNone) {
    SharedState s;
    ReadChainBreakText("100 110\n\n200 210\n", s);
    EXPECT_EQ(s.BreakCount, 1);
    ReadChainBreakText("", s);
    EXPECT_EQ(s.BreakCount, 0);
}

TEST(ReadChainBreaks, BadLinesAndLimits) {
    EXPECT_EQ(ErrorOf([] {
                  SharedState s;
                  ReadChainBreakText("100 110\n200\n", s);
              }),
              "line 2: a chain-break line needs 2 fields (back station, ahead station), this one "
              "has 1");
    ErrorOf([] {
        SharedState s;
        ReadChainBreakText("-1\n", s); // too few fields, even for the "none" row
    });
    ErrorOf([] {
        SharedState s;
        ReadChainBreakText("K1+100 1110\n", s);
    });

    std::string rows;
    for (int i = 1; i <= 19; ++i) {
        rows += std::to_string(i * 1000) + " " + std::to_string(i * 1000 + 10) + "\n";
    }
    SharedState s;
    ReadChainBreakText(rows, s);
    EXPECT_EQ(s.BreakCount, 19);
    EXPECT_EQ(s.BreakAhead[19], 19010.0);
    EXPECT_EQ(ErrorOf([&] { ReadChainBreakText(rows + "20000 20010\n", s); }),
              "line 20: more than 19 chain breaks");
    EXPECT_EQ(s.BreakCount, 19);
}

// ---- Reading from paths --------------------------------------------------------------------

TEST(ReadFromPath, EmptyPathMissingFileAndTheLocationOfAnError) {
    SharedState s;
    ErrorOf([&] { ReadJdFile("", s); }, ErrorCode::EmptyPath);
    ErrorOf([&] { ReadElementFile("", s); }, ErrorCode::EmptyPath);
    ErrorOf([&] { ReadChainBreakFile("", s); }, ErrorCode::EmptyPath);
    const std::string missing =
        (std::filesystem::temp_directory_path() / "tesk_no_such_dir" / "x.dl").string();
    ErrorOf([&] { ReadChainBreakFile(missing, s); }, ErrorCode::FileAccess);

    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("tesk_formats_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "_breaks.dl"))
            .string();
    std::ofstream(path, std::ios::binary) << "100 110\r\n200 2l0\r\n";
    const std::string message = ErrorOf([&] { ReadChainBreakFile(path, s); });
    std::filesystem::remove(path);
    EXPECT_EQ(message, path + ", line 2: field 2 (ahead station): \"2l0\" is not a number");
}

TEST(ReadFromPath, TheSampleFilesRead) {
    const std::filesystem::path samples = std::filesystem::path(TESK_SOURCE_DIR) / "samples";
    if (!std::filesystem::exists(samples / "main_line.jdx")) {
        GTEST_SKIP() << "no sample files";
    }
    SharedState s;
    ReadJdFile((samples / "main_line.jdx").string(), s);
    EXPECT_GE(s.JdCount, 2);
    for (int i = 1; i <= s.JdCount; ++i) {
        EXPECT_FALSE(s.JdNameLine[i].empty()) << i;
    }
    ReadChainBreakFile((samples / "main_line.dl").string(), s);
    ReadElementFile((samples / "ramp.jdx").string(), s);
    EXPECT_GE(s.ElemRowCount, 1);
}

} // namespace
} // namespace tesk::formats
