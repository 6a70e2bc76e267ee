#include "session/commands.h"

#include "cad/drawing_document.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "session/session_fixture.h"
#include "support/error_of.h"
#include "support/recording_prompts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::session {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;
using testing::RecordingPrompts;
using testing::TempFile;

/// The pile table of `text` on `line`, or the refusal.
std::variant<piles::PileTable, Refusal> Read(const LoadedLine& line, const std::string& text) {
    formats::TextFile file(text, "piles.zw");
    return ReadPileTable(line, file);
}

piles::PileTable TableOf(const LoadedLine& line, const std::string& text) {
    auto table = Read(line, text);
    if (auto* refusal = std::get_if<Refusal>(&table)) {
        ADD_FAILURE() << "refused: " << refusal->Message;
        return {};
    }
    return std::get<piles::PileTable>(std::move(table));
}

Refusal RefusalOf(const LoadedLine& line, const std::string& text) {
    auto table = Read(line, text);
    if (auto* refusal = std::get_if<Refusal>(&table)) {
        return *refusal;
    }
    ADD_FAILURE() << "accepted:\n" << text;
    return {};
}

TEST(PileTable, ReferencePointsLieOnTheLineMovedByTheShift) {
    const piles::PileTable t =
        TableOf(testing::NorthLine(), "345.6 90 3\n-5.5\n0\n5.5\n400+1.25 75 4x2\n"
                                      "-6, 1.2, -6, -1.2\n6, 1.2, 6, -1.2\n");
    EXPECT_EQ(t.SourcePath, "piles.zw");
    ASSERT_EQ(t.Piers.size(), 2u);
    EXPECT_NEAR(t.Piers[0].Reference.X, 1345.6, 1e-9);
    EXPECT_NEAR(t.Piers[0].Reference.Y, 2000.0, 1e-9);
    const piles::Pier& b = t.Piers[1];
    EXPECT_NEAR(b.Shift, 1.25 / std::sin(75.0 * std::numbers::pi / 180.0), 1e-12);
    // The reference point is the crossing point moved along the line (north) by the shift.
    EXPECT_NEAR(b.Reference.X, 1000.0 + 400.0 + b.Shift, 1e-9);
    EXPECT_NEAR(b.Reference.Y, 2000.0, 1e-9);
    EXPECT_EQ(b.Azimuth, 0.0);
}

TEST(PileTable, EntryPointsFollowTheAxisAndTheSecondDirection) {
    // Heading north, theta = 90, alpha = 90: the axis points west (left), the second direction
    // is the forward tangent (north).
    const piles::PileTable t = TableOf(testing::NorthLine(), "500 90 2x2\n5, 0, -4, 3\n");
    ASSERT_EQ(t.Piers.size(), 1u);
    const piles::Pier& p = t.Piers[0];
    ASSERT_EQ(p.Entries.size(), 2u);
    geometry::PlanePoint e = piles::EntryPoint(p, p.Entries[0]);
    EXPECT_NEAR(e.X, 1500.0, 1e-9);
    EXPECT_NEAR(e.Y, 1995.0, 1e-9);
    e = piles::EntryPoint(p, p.Entries[1]);
    EXPECT_NEAR(e.X, 1503.0, 1e-9);
    EXPECT_NEAR(e.Y, 2004.0, 1e-9);
    // theta = 45, alpha = 90: the axis at 225 degrees, the second direction at 315 degrees.
    const piles::PileTable skew = TableOf(testing::NorthLine(), "500 45 1x1\n2, 1\n");
    ASSERT_EQ(skew.Piers.size(), 1u);
    e = piles::EntryPoint(skew.Piers[0], skew.Piers[0].Entries.at(0));
    const double h = std::sqrt(0.5);
    EXPECT_NEAR(e.X, 1500.0 - 2.0 * h + h, 1e-9);
    EXPECT_NEAR(e.Y, 2000.0 - 2.0 * h - h, 1e-9);
}

TEST(PileTable, StationsBeyondTheLineAreRefusedAfterTheWholeFileIsRead) {
    EXPECT_EQ(TableOf(testing::NorthLine(), "0 90 1\n0\n1000 90 1\n0\n").Piers.size(), 2u)
        << "both ends of the line pass";
    const Refusal r =
        RefusalOf(testing::NorthLine(), "500 90 1\n0\n1000.5 90 1\n0\n1200 90 1\n0\n");
    EXPECT_EQ(r.Message, "桩号1000.5超出平面数据文件，请修改！") << "the first pier beyond";
    EXPECT_EQ(r.Focus, Field::None);
    EXPECT_FALSE(r.ActivateFirst);
    // The whole file is read first: a malformed block after the pier beyond the line fails.
    ErrorOf([] { Read(testing::NorthLine(), "1000.5 90 1\n0\n200 90\n"); });
    // A pier after a blank line is not read at all.
    EXPECT_EQ(TableOf(testing::NorthLine(), "100 90 1\n0\n   \n9999 90 1\n0\n").Piers.size(), 1u);
}

TEST(PileTable, ChainBreaksMarkAndRefuseThePiersStations) {
    const LoadedLine gap = testing::NorthLineWithGap();
    const piles::PileTable t = TableOf(gap, "300 90 1\n0\n600+2 90 1\n0\nB700 90 1\n0\n");
    ASSERT_EQ(t.Piers.size(), 3u);
    EXPECT_EQ(t.Piers[0].StationText, "A300");
    EXPECT_EQ(t.Piers[0].Mileage, 300.0);
    EXPECT_EQ(t.Piers[1].StationText, "B600");
    EXPECT_EQ(t.Piers[1].Mileage, 500.0);
    EXPECT_NEAR(t.Piers[1].Reference.X, 1502.0, 1e-9);
    EXPECT_EQ(t.Piers[2].StationText, "B700");
    EXPECT_EQ(t.Piers[2].Mileage, 600.0);

    struct Row {
        const char* Text;
        const char* Message;
        bool ActivateFirst;
        const char* Why;
    };
    const Row rows[] = {
        {"100 90 1\n0\n450 90 1\n0\n200 90\n", "桩号450不应存在400和500之间，请修改！", true,
         "a station in the gap; the file is read no further"},
        // The mark's own refusals come without bringing the main window to the front.
        {"100 90 1\n0\nC100 90 1\n0\n", "桩号C100断链标识有误，请修改！", false,
         "a mark beyond the last section"},
        {"A450 90 1\n0\n", "桩号A450超出所在断链区间，请修改！", false,
         "a marked value outside its section"},
        {"B1150 90 1\n0\n", "桩号B1150超出平面数据文件，请修改！", false,
         "beyond the line: the message shows the marked text"},
        {"1150 90 1\n0\n", "桩号B1150超出平面数据文件，请修改！", false,
         "beyond the line: the mark given to the text"},
    };
    for (const Row& row : rows) {
        const Refusal r = RefusalOf(gap, row.Text);
        EXPECT_EQ(r.Message, row.Message) << row.Why;
        EXPECT_EQ(r.ActivateFirst, row.ActivateFirst) << row.Why;
        EXPECT_EQ(r.Focus, Field::None) << row.Why;
    }
}

TEST(PileTable, AWrongMarkWithASineOfZeroFailsOnTheShiftFirst) {
    // The shift along the line is computed before the mark is checked: the format message, not
    // the mark's refusal. A station in a gap is still refused first (it is found while marking).
    const LoadedLine gap = testing::NorthLineWithGap();
    for (const char* text : {"C100 0 1\n0\n", "C100+3 180 1\n0\n"}) {
        const std::string message = ErrorOf([&] { Read(gap, text); }, ErrorCode::Format);
        EXPECT_EQ(message.rfind("piles.zw, line 1: ", 0), 0u) << message;
    }
    EXPECT_EQ(RefusalOf(gap, "C100 90 1\n0\n").Message, "桩号C100断链标识有误，请修改！");
    EXPECT_EQ(RefusalOf(gap, "450 0 1\n0\n").Message, "桩号450不应存在400和500之间，请修改！");
}

TEST(PileTable, MalformedContentThrows) {
    for (const char* text : {"100 0 1\n0\n", "100 90\n0\n", "-50 90 1\n0\n", "100 90 3\n1\n"}) {
        const std::string message = ErrorOf([&] { Read(testing::NorthLine(), text); });
        EXPECT_EQ(message.rfind("piles.zw, line ", 0), 0u) << message;
    }
}

// ---- The command around it ---------------------------------------------------------------------

class PileCommand : public ::testing::Test {
protected:
    bool Run(RecordingPrompts& prompts) {
        return RunPileCommand(line, prompts,
                              [&](const piles::PileTable& t) { tables.push_back(t); });
    }

    LoadedLine line = testing::NorthLine();
    std::vector<piles::PileTable> tables;
    TempFile file{"tesk_pile_command_test.zw", ""};
};

TEST_F(PileCommand, CancelAndFailureEndInTheHandler) {
    RecordingPrompts cancelled;
    EXPECT_FALSE(Run(cancelled));
    ASSERT_EQ(cancelled.Dialogs.size(), 1u);
    EXPECT_EQ(cancelled.Dialogs[0].Title, "读取桩位资料");
    EXPECT_EQ(cancelled.Dialogs[0].Filter, "文本文件(*.txt;*.zw)|*.txt;*.zw|所有文件（*.*)|*.*");
    EXPECT_EQ(cancelled.Events, (std::vector<std::string>{"open:读取桩位资料",
                                                          "activate:", "error:读取文件被取消！"}))
        << "the main window comes to the front first";

    file.Write("100 0 1\n0\n");
    RecordingPrompts failing;
    failing.FileAnswers.push_back(file.Path());
    EXPECT_FALSE(Run(failing));
    EXPECT_EQ(failing.Events, (std::vector<std::string>{"open:读取桩位资料", "activate:",
                                                        "error:数据文件格式有误或操作有误！"}));
    EXPECT_NE(failing.Details.at(0).find("文件：" + file.Path() + "\n行：第1行\n"),
              std::string::npos)
        << failing.Details[0];
    EXPECT_NE(failing.Technical.at(0).find(file.Path() + ", line 1"), std::string::npos);

    RecordingPrompts missing;
    missing.FileAnswers.push_back(file.Path() + ".missing");
    EXPECT_FALSE(Run(missing));
    EXPECT_EQ(missing.Errors, std::vector<std::string>{"数据文件格式有误或操作有误！"});
    EXPECT_TRUE(tables.empty());
}

TEST_F(PileCommand, ARefusalIsShownAndNothingIsOutput) {
    file.Write("500 90 1\n0\n1000.5 90 1\n0\n");
    RecordingPrompts refused;
    refused.FileAnswers.push_back(file.Path());
    EXPECT_FALSE(Run(refused));
    EXPECT_EQ(refused.Events,
              (std::vector<std::string>{"open:读取桩位资料",
                                        "refuse:桩号1000.5超出平面数据文件，请修改！"}));
    EXPECT_TRUE(tables.empty());
}

TEST_F(PileCommand, AReadTableGoesToTheOutput) {
    file.Write("100 90 1\n0\n");
    RecordingPrompts fine;
    fine.FileAnswers.push_back(file.Path());
    EXPECT_TRUE(Run(fine));
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].Piers.size(), 1u);
    EXPECT_EQ(tables[0].SourcePath, file.Path());
    EXPECT_EQ(fine.Events, std::vector<std::string>{"open:读取桩位资料"});
}

TEST_F(PileCommand, AFailingOutputEndsInTheHandler) {
    // A file without piers reads, but there is nothing to stake out.
    file.Write("\n");
    RecordingPrompts prompts;
    prompts.FileAnswers.push_back(file.Path());
    cad::DrawingDocument drawing;
    EXPECT_FALSE(StakeOutPiles(line, prompts, drawing));
    EXPECT_EQ(prompts.Events, (std::vector<std::string>{"open:读取桩位资料", "activate:",
                                                        "error:数据文件格式有误或操作有误！"}));

    file.Write("100 90 2\n-1\n1\n");
    RecordingPrompts fine;
    fine.FileAnswers.push_back(file.Path());
    EXPECT_TRUE(StakeOutPiles(line, fine, drawing));
    int points = 0;
    for (const cad::DrawnEntity& e : drawing.Entities()) {
        points += std::holds_alternative<cad::DrawnPoint>(e.Shape) ? 1 : 0;
    }
    EXPECT_EQ(points, 2);
}

TEST(DrawDesignLineCommand, ALineTooLongIsRefusedBeforeAnythingIsDrawn) {
    const struct {
        double endX; // the line runs north from X = 1000
        bool refused;
    } rows[] = {
        {3456777077.0, true}, // 3456777.077 without its decimal point
        {1000.0 + 10'000'000.001, true},
        {1000.0 + 250.0, false},
    };
    for (const auto& row : rows) {
        LoadedLine line;
        line.Jd = std::make_shared<const jd::JdAlignment>(
            testing::JdInputOf(0.0, {{"QD", 1000.0, 2000.0}, {"ZD", row.endX, 2000.0}}));
        line.Breaks = stationing::Stationing({}, line.Line().Start(), line.Line().End());
        RecordingPrompts prompts;
        cad::DrawingDocument document;
        std::vector<std::string> stages;
        const bool drawn = DrawDesignLine(
            line, prompts, document, [&](std::string_view stage) { stages.emplace_back(stage); });
        EXPECT_EQ(drawn, !row.refused);
        if (row.refused) {
            EXPECT_EQ(prompts.Refusals,
                      std::vector<std::string>{
                          "设计线长" + geometry::FormatFixed(row.endX - 1000.0, 3) +
                          "米，超过绘图上限10000公里（100000个百米桩），请检查平面数据文件！"});
            EXPECT_EQ(document.Revision(), cad::DrawingDocument().Revision()) << "nothing drawn";
            EXPECT_TRUE(stages.empty());
        } else {
            EXPECT_TRUE(prompts.Refusals.empty());
            EXPECT_FALSE(document.Entities().empty());
        }
        EXPECT_TRUE(prompts.Errors.empty());
    }
}

} // namespace
} // namespace tesk::session
