#include "formats/initialize.h"

#include "piles/single_point.h"
#include "geometry/error.h"
#include "support/recording_prompts.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tesk::formats {
namespace {

using state::AlignmentMethod;
using testing::RecordingPrompts;

std::string Sample(const std::string& name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

/// A file in the temporary folder, removed again at the end of the test.
class TempFile {
public:
    TempFile(const std::string& name, const std::string& content)
        : m_path(std::filesystem::temp_directory_path() / name) {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~TempFile() { std::filesystem::remove(m_path); }
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

const char* const kStraight = "road,1000\nA\n0 0 0 0 0\nB\n0 500 0 0 0\n";

class Initialize : public ::testing::Test {
protected:
    std::unique_ptr<state::SharedState> s = std::make_unique<state::SharedState>();
    RecordingPrompts prompts;
};

TEST_F(Initialize, JdMethodAsksForBothFilesAndBuildsTheSections) {
    prompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
    ASSERT_TRUE(Command4(*s, prompts, AlignmentMethod::IntersectionPoint));
    ASSERT_EQ(prompts.Dialogs.size(), 2u);
    EXPECT_EQ(prompts.Dialogs[0].Title, "读取平面资料");
    EXPECT_EQ(prompts.Dialogs[0].Filter, "文本文件(*.txt;*.jdx)|*.txt;*.jdx|所有文件（*.*)|*.*");
    EXPECT_EQ(prompts.Dialogs[1].Title, "读取断链资料");
    EXPECT_EQ(prompts.Dialogs[1].Filter, "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*");
    EXPECT_TRUE(prompts.Errors.empty());

    EXPECT_EQ(s->JdCount, 14);
    EXPECT_EQ(s->JdNameLine[2], "交点1") << "GBK names decoded";
    EXPECT_EQ(s->BreakCount, 2);
    EXPECT_EQ(s->SectionStart[1], 12000.0);
    EXPECT_EQ(s->SectionEnd[1], 14862.415);
    EXPECT_EQ(s->SectionStart[2], 14900.0);
    EXPECT_EQ(s->SectionEnd[2], 19350.0);
    EXPECT_EQ(s->SectionStart[3], 19310.5);
    EXPECT_DOUBLE_EQ(s->SectionEnd[3],
                     s->JdStation[14] + (14900.0 - 14862.415) + (19310.5 - 19350.0));
    EXPECT_EQ(s->BreakBack[3], s->JdStation[14] + 1e9) << "sentinel after the last break";
    EXPECT_EQ(s->LabelZH[2].substr(0, 2), "AK");
    EXPECT_EQ(s->LabelZH[5].substr(0, 2), "BK");
}

TEST_F(Initialize, MinusOneChainBreakFileMeansNone) {
    TempFile jd("tesk_init_straight.jdx", kStraight);
    TempFile none("tesk_init_none.dl", "-1 0\n");
    prompts.FileAnswers = {jd.Path(), none.Path()};
    ASSERT_TRUE(Command4(*s, prompts, AlignmentMethod::IntersectionPoint));
    EXPECT_EQ(s->BreakCount, 0);
    EXPECT_EQ(s->SectionStart[1], 1000.0);
    EXPECT_EQ(s->SectionEnd[1], 1500.0);
}

TEST_F(Initialize, CancellingEitherDialogSaysSoAndKeepsThePreviousLine) {
    prompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
    ASSERT_TRUE(Command4(*s, prompts, AlignmentMethod::IntersectionPoint));
    const double end = s->JdStation[s->JdCount];

    TempFile jd("tesk_init_straight2.jdx", kStraight);
    for (std::deque<std::string> answers :
         {std::deque<std::string>{}, std::deque<std::string>{jd.Path()}}) {
        RecordingPrompts cancelled;
        cancelled.FileAnswers = answers;
        EXPECT_FALSE(Command4(*s, cancelled, AlignmentMethod::IntersectionPoint));
        EXPECT_EQ(cancelled.Errors, std::vector<std::string>{"读取文件被取消！"});
        EXPECT_EQ(cancelled.Dialogs.size(), answers.size() + 1);
        EXPECT_EQ(s->JdCount, 14) << "the loaded line stays whole";
        EXPECT_EQ(s->JdStation[s->JdCount], end);
        EXPECT_EQ(s->BreakCount, 2);
    }
}

TEST_F(Initialize, ALetterInACoordinateIsAFormatError) {
    TempFile bad("tesk_init_bad.jdx", "road,0\nA\n0 0 0 0 0\nB\n0 5OO 0 0 0\n");
    prompts.FileAnswers = {bad.Path(), Sample("main_line.dl")};
    EXPECT_FALSE(Command4(*s, prompts, AlignmentMethod::IntersectionPoint));
    EXPECT_EQ(prompts.Errors, std::vector<std::string>{"数据文件格式有误或操作有误！"});
    EXPECT_NE(prompts.Details.at(0).find("line 5"), std::string::npos) << prompts.Details[0];
    EXPECT_EQ(prompts.Dialogs.size(), 1u) << "no chain-break dialog after a failed JD file";
    EXPECT_EQ(s->JdCount, 0);
}

TEST_F(Initialize, CollinearVerticesFailTheConstruction) {
    TempFile bad("tesk_init_collinear.jdx",
                 "road,0\nA\n0 0 0 0 0\nB\n0 100 50 0 0\nC\n0 200 0 0 0\n");
    TempFile none("tesk_init_none2.dl", "-1 0\n");
    prompts.FileAnswers = {bad.Path(), none.Path()};
    EXPECT_FALSE(Command4(*s, prompts, AlignmentMethod::IntersectionPoint));
    EXPECT_EQ(prompts.Errors, std::vector<std::string>{"数据文件格式有误或操作有误！"});
}

TEST_F(Initialize, ElementMethodAsksForOneFileAndSwitchesBreaksOff) {
    prompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
    ASSERT_TRUE(Command4(*s, prompts, AlignmentMethod::IntersectionPoint));
    RecordingPrompts elem;
    elem.FileAnswers = {Sample("ramp.jdx")};
    ASSERT_TRUE(Command4(*s, elem, AlignmentMethod::Element));
    EXPECT_EQ(elem.Dialogs.size(), 1u);
    EXPECT_EQ(elem.Dialogs[0].Title, "读取平面资料");
    EXPECT_EQ(s->BreakCount, 0);
    EXPECT_EQ(s->ElemCount, 10);
    EXPECT_EQ(s->JdCount, 14) << "the JD tables stay for the other option";

    // Switching the option back without a new Initialize reads the JD tables again, with the
    // JD line's own chain breaks: 15000 lies after the forward break, as on a fresh load.
    UseMethod(*s, AlignmentMethod::IntersectionPoint);
    EXPECT_EQ(s->BreakCount, 2);
    auto fresh = std::make_unique<state::SharedState>();
    RecordingPrompts freshPrompts;
    freshPrompts.FileAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
    ASSERT_TRUE(Command4(*fresh, freshPrompts, AlignmentMethod::IntersectionPoint));
    RecordingPrompts compute;
    const auto afterBreak =
        piles::Command7(*s, compute, AlignmentMethod::IntersectionPoint, {"15000", "", ""});
    const auto expected =
        piles::Command7(*fresh, compute, AlignmentMethod::IntersectionPoint, {"15000", "", ""});
    ASSERT_TRUE(afterBreak && expected);
    EXPECT_EQ(afterBreak->Text4, expected->Text4);
    EXPECT_EQ(afterBreak->Text5, expected->Text5);
    UseMethod(*s, AlignmentMethod::Element);
    EXPECT_EQ(s->BreakCount, 0);

    const auto jdPoint =
        piles::Command7(*s, compute, AlignmentMethod::IntersectionPoint, {"12000", "", ""});
    ASSERT_TRUE(jdPoint);
    EXPECT_EQ(jdPoint->Text4, "3452000.0000");
    const auto elemPoint = piles::Command7(*s, compute, AlignmentMethod::Element, {"0", "", ""});
    ASSERT_TRUE(elemPoint);
    EXPECT_EQ(elemPoint->Text4, "3452650.0000");
    EXPECT_EQ(elemPoint->Text6, "58°00′00″");
}

} // namespace
} // namespace tesk::formats
