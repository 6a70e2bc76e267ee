#include "piles/pile_file.h"

#include "piles/piles_fixture.h"
#include "geometry/error.h"
#include "support/recording_prompts.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tesk::piles {
namespace {

using state::AlignmentMethod;
using geometry::ErrorCode;
using geometry::RuntimeError;
using testing::RecordingPrompts;

class PileFile : public ::testing::Test {
protected:
    std::optional<PileTable> Read(const std::string& text) {
        formats::TextFile file(text);
        return ReadPileTable(*s, prompts, AlignmentMethod::IntersectionPoint, file);
    }

    ErrorCode FailureOf(const std::string& text) {
        try {
            Read(text);
        } catch (const RuntimeError& e) {
            return e.Code();
        }
        ADD_FAILURE() << "accepted:\n" << text;
        return ErrorCode::Cancelled;
    }

    std::unique_ptr<state::SharedState> s = testing::NorthLine();
    RecordingPrompts prompts;
};

TEST_F(PileFile, ReadsTheThreeKindsOfBlock) {
    const auto t = Read("345.6 90 3\n-5.5\n0\n5.5\n"
                        "400+1.25 75 4x2\n-6, 1.2, -6, -1.2\n6, 1.2, 6, -1.2\n"
                        "480 90 1-80\n0\n");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->PileCount(), 3);
    const Pier& a = t->Piers[0];
    EXPECT_EQ(a.PileStationText, "345.6");
    EXPECT_EQ(a.PileStation, 345.6);
    EXPECT_EQ(a.PileShift, 0.0);
    EXPECT_EQ(a.PileEntryKind, 1);
    ASSERT_EQ(a.PileEntryCount(), 3);
    EXPECT_EQ(a.Entries[0].L1, -5.5);
    EXPECT_EQ(a.Entries[2].L1, 5.5);
    EXPECT_EQ(a.Entries[2].L2, 0.0);

    const Pier& b = t->Piers[1];
    EXPECT_EQ(b.PileStationText, "400");
    EXPECT_NEAR(b.PileShift, 1.25 / std::sin(75.0 * std::numbers::pi / 180.0), 1e-12);
    EXPECT_EQ(b.PileEntryKind, 2);
    EXPECT_EQ(b.PileSecondAngle, 90.0);
    ASSERT_EQ(b.PileEntryCount(), 4);
    EXPECT_EQ(b.Entries[1].L1, -6.0);
    EXPECT_EQ(b.Entries[1].L2, -1.2);
    EXPECT_EQ(b.Entries[3].L2, -1.2);
    // The reference point is the crossing point moved along the line (north) by the shift.
    EXPECT_NEAR(b.PileX, 1000.0 + 400.0 + b.PileShift, 1e-9);
    EXPECT_NEAR(b.PileY, 2000.0, 1e-9);

    EXPECT_EQ(t->Piers[2].PileSecondAngle, 80.0);
    EXPECT_EQ(t->Piers[2].PileEntryKind, 1);
}

TEST_F(PileFile, OffsetsAreDividedBySineOfTheAngle) {
    auto t = Read("100+5 90 2\n1\n2\n100-5 90 2\n1\n2\n100+1 30 1\n0\n");
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->Piers[0].PileShift, 5.0, 1e-12);
    EXPECT_NEAR(t->Piers[1].PileShift, -5.0, 1e-12);
    EXPECT_NEAR(t->Piers[2].PileShift, 2.0, 1e-12);
}

TEST_F(PileFile, AnAngleAlongTheLineFailsEvenWithoutOffset) {
    EXPECT_EQ(FailureOf("100 0 1\n0\n"), ErrorCode::Format);
    EXPECT_EQ(FailureOf("100+1 0 1\n0\n"), ErrorCode::Format);
    EXPECT_EQ(FailureOf("100 180 1\n0\n"), ErrorCode::Format);
    EXPECT_EQ(FailureOf("100 -360 1\n0\n"), ErrorCode::Format);
    EXPECT_EQ(FailureOf("100 abc 1\n0\n"), ErrorCode::Format);
}

TEST_F(PileFile, ValuesMayStandOnOneLineWithCommasOrBlanks) {
    const auto perLine = Read("200 90 2x2\n-6\n1.2\n6\n1.2\n300 90 3\n1\n2\n3\n");
    const auto commas = Read("200 90 2x2\n-6, 1.2, 6, 1.2\n300 90 3\n1,2,3\n");
    const auto blanks = Read("200 90 2x2\n-6 1.2\n6\t1.2\n300 90 3\n1 2 3\n");
    ASSERT_TRUE(perLine);
    for (const auto* t : {&commas, &blanks}) {
        ASSERT_TRUE(*t);
        ASSERT_EQ((*t)->PileCount(), 2);
        for (int k = 0; k < 2; ++k) {
            ASSERT_EQ((*t)->Piers[k].PileEntryCount(), perLine->Piers[k].PileEntryCount());
            for (int j = 0; j < (*t)->Piers[k].PileEntryCount(); ++j) {
                EXPECT_EQ((*t)->Piers[k].Entries[j].L1, perLine->Piers[k].Entries[j].L1);
                EXPECT_EQ((*t)->Piers[k].Entries[j].L2, perLine->Piers[k].Entries[j].L2);
            }
        }
    }
}

TEST_F(PileFile, ABlankLineEndsTheDataQuietly) {
    auto t = Read("\n100 90 1\n0\n");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->PileCount(), 0);
    t = Read("100 90 1\n0\n   \n9999 90 1\n0\n");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->PileCount(), 1) << "the pier beyond the line after the blank is not read";
    EXPECT_TRUE(prompts.Refusals.empty());
}

TEST_F(PileFile, MalformedBlocksFail) {
    EXPECT_EQ(FailureOf("100 90\n0\n"), ErrorCode::Format) << "fewer than three fields";
    EXPECT_EQ(FailureOf("100 90 3\n1\n2\n"), ErrorCode::Format) << "a value missing at the end";
    EXPECT_EQ(FailureOf("100 90 2x2\n1, 2, 3\n"), ErrorCode::Format) << "half a pair";
    EXPECT_EQ(FailureOf("100 90 1\n1, 2\n"), ErrorCode::Format) << "a surplus value";
    EXPECT_EQ(FailureOf("100 90 2\n1\nx\n"), ErrorCode::Format) << "a value that is no number";
}

TEST_F(PileFile, AStationFieldWithoutItsStationFails) {
    // "-50" is no station 50 m before the crossing of station 0: the text before the minus is
    // empty, and reading it as station 0 would put the pier on the tangent, off a curve.
    EXPECT_EQ(FailureOf("-50 90 1\n0\n"), ErrorCode::Format);
    EXPECT_EQ(FailureOf("+5 90 1\n0\n"), ErrorCode::Format);
    EXPECT_TRUE(prompts.Refusals.empty());
    EXPECT_TRUE(Read("0+5 90 1\n0\n")) << "station 0 written out is a station";
}

TEST_F(PileFile, LimitsOf200PiersAnd20Entries) {
    std::string many;
    for (int k = 0; k < kMaxPiers; ++k) {
        many += std::to_string(k) + " 90 20\n";
        for (int j = 0; j < kMaxEntries; ++j) {
            many += j == 0 ? "0" : ",0";
        }
        many += "\n";
    }
    const auto t = Read(many);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->PileCount(), kMaxPiers);
    EXPECT_EQ(FailureOf(many + "1 90 1\n0\n"), ErrorCode::Format);
    EXPECT_EQ(FailureOf("1 90 21\n0\n"), ErrorCode::Format);
    EXPECT_EQ(Read("1 90 2.7\n5\n6\n")->Piers[0].PileEntryCount(), 2)
        << "a decimal count counts as its whole part";
}

TEST_F(PileFile, StationsBeyondTheLineAreRefusedBeforeAnyOutput) {
    auto t = Read("0 90 1\n0\n1000 90 1\n0\n");
    ASSERT_TRUE(t) << "both ends of the line pass";
    t = Read("500 90 1\n0\n1000.5 90 1\n0\n1200 90 1\n0\n");
    EXPECT_FALSE(t);
    ASSERT_EQ(prompts.Refusals.size(), 1u);
    EXPECT_EQ(prompts.Refusals[0], "桩号1000.5超出平面数据文件，请修改！");
}

TEST_F(PileFile, EntryPointsFollowTheAxisAndTheSecondDirection) {
    // Heading north, theta = 90, alpha = 90: the axis points west (left), the second direction
    // is the forward tangent (north).
    const auto t = Read("500 90 2x2\n5, 0, -4, 3\n");
    ASSERT_TRUE(t);
    const Pier& p = t->Piers[0];
    EXPECT_NEAR(EntryX(p, 0), 1500.0, 1e-9);
    EXPECT_NEAR(EntryY(p, 0), 1995.0, 1e-9);
    EXPECT_NEAR(EntryX(p, 1), 1503.0, 1e-9);
    EXPECT_NEAR(EntryY(p, 1), 2004.0, 1e-9);
    // theta = 45, alpha = 90: the axis at 225 degrees, the second direction at 315 degrees.
    const auto skew = Read("500 45 1x1\n2, 1\n");
    const double h = std::sqrt(0.5);
    EXPECT_NEAR(EntryX(skew->Piers[0], 0), 1500.0 - 2.0 * h + h, 1e-9);
    EXPECT_NEAR(EntryY(skew->Piers[0], 0), 2000.0 - 2.0 * h - h, 1e-9);
}

TEST(PileCommand, CancelAndFailureEndInTheHandler) {
    auto s = testing::NorthLine();
    RecordingPrompts cancelled;
    bool ran = false;
    EXPECT_FALSE(RunPileCommand(*s, cancelled, AlignmentMethod::IntersectionPoint,
                                [&](const PileTable&) { ran = true; }));
    EXPECT_FALSE(ran);
    ASSERT_EQ(cancelled.Dialogs.size(), 1u);
    EXPECT_EQ(cancelled.Dialogs[0].Title, "读取桩位资料");
    EXPECT_EQ(cancelled.Dialogs[0].Filter, "文本文件(*.txt;*.zw)|*.txt;*.zw|所有文件（*.*)|*.*");
    EXPECT_EQ(cancelled.Events.back(), "error:读取文件被取消！");
    EXPECT_EQ(cancelled.Activations, 1) << "the main window comes to the front first";

    const auto path = std::filesystem::temp_directory_path() / "tesk_pile_command_test.zw";
    std::ofstream(path) << "100 0 1\n0\n";
    RecordingPrompts failing;
    failing.FileAnswers.push_back(path.string());
    EXPECT_FALSE(RunPileCommand(*s, failing, AlignmentMethod::IntersectionPoint,
                                [&](const PileTable&) { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(failing.Errors, std::vector<std::string>{"数据文件格式有误或操作有误！"});

    std::ofstream(path) << "100 90 1\n0\n";
    RecordingPrompts fine;
    fine.FileAnswers.push_back(path.string());
    EXPECT_TRUE(RunPileCommand(*s, fine, AlignmentMethod::IntersectionPoint,
                               [&](const PileTable& t) { ran = t.PileCount() == 1; }));
    EXPECT_TRUE(ran);
    std::filesystem::remove(path);
}

} // namespace
} // namespace tesk::piles
