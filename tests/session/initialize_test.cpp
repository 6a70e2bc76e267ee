#include "session/commands.h"

#include "geometry/error.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"
#include "session/session_fixture.h"
#include "support/error_of.h"
#include "support/recording_prompts.h"

#include <gtest/gtest.h>

namespace tesk::session {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;
using testing::RecordingPrompts;
using testing::Sample;
using testing::TempFile;

const char* const kStraight = "road,1000\nA\n0 0 0 0 0\nB\n0 500 0 0 0\n";
constexpr AlignmentMethod kJd = AlignmentMethod::IntersectionPoint;
constexpr AlignmentMethod kElement = AlignmentMethod::Element;

class Initialize : public ::testing::Test {
protected:
    /// Loads the sample main line with its chain breaks.
    void LoadMainLine() {
        RecordingPrompts prompts;
        prompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
        ASSERT_TRUE(InitializeAlignment(session, prompts, kJd));
    }

    Session session;
    RecordingPrompts prompts;
};

TEST_F(Initialize, JdMethodAsksForBothFilesAndBuildsTheSections) {
    prompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
    ASSERT_TRUE(InitializeAlignment(session, prompts, kJd));
    ASSERT_EQ(prompts.Dialogs.size(), 2u);
    EXPECT_EQ(prompts.Dialogs[0].Title, "读取平面资料");
    EXPECT_EQ(prompts.Dialogs[0].Filter, "文本文件(*.txt;*.jdx)|*.txt;*.jdx|LandXML(*.xml)|*.xml|所有文件（*.*)|*.*");
    EXPECT_EQ(prompts.Dialogs[1].Title, "读取断链资料");
    EXPECT_EQ(prompts.Dialogs[1].Filter, "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*");
    EXPECT_TRUE(prompts.Errors.empty());
    EXPECT_EQ(session.Line(kElement), nullptr);

    const LoadedLine* line = session.Line(kJd);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->Jd->Vertices().size(), 14u);
    EXPECT_EQ(line->Jd->Vertices()[1].Name, "交点1") << "GBK names decoded";
    EXPECT_EQ(line->AlignmentFile, Sample("main_line.jdx"));
    EXPECT_EQ(line->BreakFile, Sample("main_line.dl"));

    const stationing::Stationing& breaks = line->Breaks;
    const double end = line->Jd->Curves().back().Station;
    EXPECT_EQ(line->Line().End(), end);
    ASSERT_EQ(breaks.BreakCount(), 2);
    EXPECT_EQ(breaks.SectionStart(1), 12000.0);
    EXPECT_EQ(breaks.SectionEnd(1), 14862.415);
    EXPECT_EQ(breaks.SectionStart(2), 14900.0);
    EXPECT_EQ(breaks.SectionEnd(2), 19350.0);
    EXPECT_EQ(breaks.SectionStart(3), 19310.5);
    EXPECT_DOUBLE_EQ(breaks.SectionEnd(3), end + (14900.0 - 14862.415) + (19310.5 - 19350.0));
    EXPECT_EQ(breaks.MileageToLabel(line->Jd->Curves()[1].StationZH).substr(0, 2), "AK");
    EXPECT_EQ(breaks.MileageToLabel(line->Jd->Curves()[4].StationZH).substr(0, 2), "BK");
    // The last section takes written values up to 1e9 m beyond the line's end mileage.
    const std::string lastOk = "C" + geometry::FormatShortest(end + 1e9);
    const std::string lastBeyond = "C" + geometry::FormatShortest(end + 1e9 + 1.0);
    EXPECT_FALSE(CheckStation(*line, lastOk)) << lastOk;
    const auto refusal = CheckStation(*line, lastBeyond);
    ASSERT_TRUE(refusal) << lastBeyond;
    EXPECT_EQ(refusal->Message, "桩号" + lastBeyond + "超出所在断链区间，请修改！");
}

TEST_F(Initialize, MinusOneChainBreakFileMeansNoneEvenAfterALineWithBreaks) {
    LoadMainLine();
    TempFile jd("tesk_init_straight.jdx", kStraight);
    TempFile none("tesk_init_none.dl", "-1 0\n");
    prompts.FileAnswers = {jd.Path(), none.Path()};
    ASSERT_TRUE(InitializeAlignment(session, prompts, kJd));
    const LoadedLine* line = session.Line(kJd);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Breaks.BreakCount(), 0) << "no breaks left over from the line before";
    EXPECT_EQ(line->Line().Start(), 1000.0);
    EXPECT_EQ(line->Line().End(), 1500.0);
    EXPECT_EQ(line->Breaks.MileageToLabel(1200.0), "K1+200.000");
}

TEST_F(Initialize, CancellingEitherDialogSaysSoAndKeepsThePreviousLine) {
    LoadMainLine();
    const LoadedLine* before = session.Line(kJd);
    const auto jdBefore = before->Jd;

    TempFile jd("tesk_init_straight2.jdx", kStraight);
    for (const std::deque<std::string>& answers :
         {std::deque<std::string>{}, std::deque<std::string>{jd.Path()}}) {
        RecordingPrompts cancelled;
        cancelled.FileAnswers = answers;
        EXPECT_FALSE(InitializeAlignment(session, cancelled, kJd));
        EXPECT_EQ(cancelled.Errors, std::vector<std::string>{"读取文件被取消！"});
        EXPECT_EQ(cancelled.Dialogs.size(), answers.size() + 1);
        EXPECT_EQ(cancelled.Activations, 0) << "Initialize runs from the main window";
        const LoadedLine* line = session.Line(kJd);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->Jd, jdBefore) << "the loaded line stays whole";
        EXPECT_EQ(line->Breaks.BreakCount(), 2);
        EXPECT_EQ(line->AlignmentFile, Sample("main_line.jdx"));
    }
    RecordingPrompts cancelled;
    EXPECT_FALSE(InitializeAlignment(session, cancelled, kElement));
    EXPECT_EQ(cancelled.Errors, std::vector<std::string>{"读取文件被取消！"});
    EXPECT_EQ(session.Line(kElement), nullptr);
}

TEST_F(Initialize, AFailedFileKeepsThePreviousLine) {
    LoadMainLine();
    const auto jdBefore = session.Line(kJd)->Jd;
    TempFile letter("tesk_init_bad.jdx", "road,0\nA\n0 0 0 0 0\nB\n0 5OO 0 0 0\n");
    TempFile collinear("tesk_init_collinear.jdx",
                       "road,0\nA\n0 0 0 0 0\nB\n0 100 50 0 0\nC\n0 200 0 0 0\n");
    TempFile backwards("tesk_init_backwards.dl", "1300 1310\n1100 1110\n");
    struct Row {
        std::deque<std::string> Answers;
        std::size_t Dialogs;
        const char* Detail;
        const char* Why;
    };
    const Row rows[] = {
        {{letter.Path(), Sample("main_line.dl")}, 1, "行：第5行\n", "a letter in a coordinate"},
        {{collinear.Path(), Sample("main_line.dl")}, 1, "", "collinear vertices"},
        {{Sample("main_line.jdx"), backwards.Path()}, 2, "", "chain breaks out of order"},
        {{Sample("ramp.jdx"), Sample("main_line.dl")}, 1, "", "an element file read as JD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Why);
        RecordingPrompts failing;
        failing.FileAnswers = row.Answers;
        EXPECT_FALSE(InitializeAlignment(session, failing, kJd));
        EXPECT_EQ(failing.Errors, std::vector<std::string>{"数据文件格式有误或操作有误！"});
        EXPECT_NE(failing.Details.at(0).find(row.Detail), std::string::npos) << failing.Details[0];
        EXPECT_EQ(failing.Dialogs.size(), row.Dialogs)
            << "no chain-break dialog after a JD file that failed";
        EXPECT_EQ(session.Line(kJd)->Jd, jdBefore);
        EXPECT_EQ(session.Line(kJd)->Breaks.BreakCount(), 2);
    }

    Session fresh;
    RecordingPrompts failing;
    failing.FileAnswers = {letter.Path()};
    EXPECT_FALSE(InitializeAlignment(fresh, failing, kJd));
    EXPECT_EQ(fresh.Line(kJd), nullptr) << "nothing is loaded from a failed file";
}

TEST_F(Initialize, ElementMethodAsksForOneFileAndEachMethodKeepsItsLine) {
    LoadMainLine();
    RecordingPrompts elem;
    elem.FileAnswers = {Sample("ramp.jdx")};
    ASSERT_TRUE(InitializeAlignment(session, elem, kElement));
    ASSERT_EQ(elem.Dialogs.size(), 1u);
    EXPECT_EQ(elem.Dialogs[0].Title, "读取平面资料");
    const LoadedLine* ramp = session.Line(kElement);
    ASSERT_NE(ramp, nullptr);
    ASSERT_TRUE(ramp->Elements);
    EXPECT_EQ(ramp->Elements->Input().Rows.size(), 9u);
    EXPECT_EQ(ramp->Elements->Elements().size(), 10u) << "its reversing spiral split in two";
    EXPECT_EQ(ramp->Breaks.BreakCount(), 0) << "an element line has no chain breaks";
    EXPECT_TRUE(ramp->BreakFile.empty());

    // The JD line stays for the other option, with its own chain breaks: 15000 lies after the
    // forward break, as on a fresh load.
    const LoadedLine* main = session.Line(kJd);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->Breaks.BreakCount(), 2);
    Session freshSession;
    RecordingPrompts freshPrompts;
    freshPrompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
    ASSERT_TRUE(InitializeAlignment(freshSession, freshPrompts, kJd));
    RecordingPrompts compute;
    const auto afterBreak = ComputePoint(*main, compute, {"15000", "", ""});
    const auto expected = ComputePoint(*freshSession.Line(kJd), compute, {"15000", "", ""});
    ASSERT_TRUE(afterBreak && expected);
    EXPECT_EQ(afterBreak->XText, expected->XText);
    EXPECT_EQ(afterBreak->YText, expected->YText);

    const auto jdPoint = ComputePoint(*main, compute, {"12000", "", ""});
    ASSERT_TRUE(jdPoint);
    EXPECT_EQ(jdPoint->XText, "3452000.0000");
    const auto elemPoint = ComputePoint(*ramp, compute, {"0", "", ""});
    ASSERT_TRUE(elemPoint);
    EXPECT_EQ(elemPoint->XText, "3452650.0000");
    EXPECT_EQ(elemPoint->AzimuthText, "58°00′00″");
    EXPECT_TRUE(compute.Refusals.empty() && compute.Errors.empty());

    // A new JD line leaves the element line alone.
    TempFile jd("tesk_init_straight3.jdx", kStraight);
    TempFile none("tesk_init_none3.dl", "-1 0\n");
    RecordingPrompts again;
    again.FileAnswers = {jd.Path(), none.Path()};
    ASSERT_TRUE(InitializeAlignment(session, again, kJd));
    EXPECT_EQ(session.Line(kElement), ramp);
    EXPECT_EQ(session.Line(kElement)->AlignmentFile, Sample("ramp.jdx"));
}

// ---- The loaders on their own ------------------------------------------------------------------

TEST(LoadLine, EmptyPathsAreCancelledDialogs) {
    ErrorOf([] { LoadJdLine(""); }, ErrorCode::EmptyPath);
    ErrorOf([] { LoadElementLine(""); }, ErrorCode::EmptyPath);
    LoadedLine line = LoadJdLine(Sample("main_line.jdx"));
    ErrorOf([&] { LoadChainBreaks(line, ""); }, ErrorCode::EmptyPath);
    EXPECT_EQ(line.Breaks.BreakCount(), 0) << "no breaks before a chain-break file is read";
    EXPECT_TRUE(line.BreakFile.empty());
}

TEST(LoadLine, ChainBreaksAreCheckedAgainstTheLine) {
    TempFile before("tesk_load_before.dl", "11000 11010\n");
    TempFile tooMany("tesk_load_many.dl", [] {
        std::string rows;
        for (int i = 1; i <= 20; ++i) {
            rows += std::to_string(12000 + 100 * i) + " " + std::to_string(12000 + 100 * i) + "\n";
        }
        return rows;
    }());
    for (const TempFile* file : {&before, &tooMany}) {
        LoadedLine line = LoadJdLine(Sample("main_line.jdx"));
        ErrorOf([&] { LoadChainBreaks(line, file->Path()); });
        EXPECT_EQ(line.Breaks.BreakCount(), 0) << file->Path();
    }
    LoadedLine line = LoadJdLine(Sample("main_line.jdx"));
    LoadChainBreaks(line, Sample("main_line.dl"));
    EXPECT_EQ(line.Breaks.BreakCount(), 2);
    EXPECT_EQ(line.Method(), kJd);
    EXPECT_EQ(LoadElementLine(Sample("ramp.jdx")).Method(), kElement);
}

} // namespace
} // namespace tesk::session
