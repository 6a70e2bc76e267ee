#include "formats/pile_file.h"

#include "geometry/error.h"
#include "geometry/number_text.h"
#include "support/error_of.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;

/// A line without chain breaks: every station text is its own mileage. Records the texts it was
/// asked about, and refuses the ones in `refused`.
struct PlainResolver {
    std::vector<std::string> Asked;
    std::vector<std::string> Refused;

    StationResolver Function() {
        return [this](std::string_view text) -> std::variant<ResolvedStation, std::string> {
            Asked.emplace_back(text);
            for (const std::string& r : Refused) {
                if (r == text) {
                    return "refused " + r;
                }
            }
            return ResolvedStation{std::string(text), geometry::NumericValue(text)};
        };
    }
};

class PileFile : public ::testing::Test {
protected:
    /// The blocks of `text`; a test failure when the resolver refused a station.
    std::vector<PierBlock> Read(const std::string& text) {
        TextFile file(text);
        auto blocks = ReadPileFile(file, resolver.Function());
        if (auto* refusal = std::get_if<std::string>(&blocks)) {
            ADD_FAILURE() << "refused: " << *refusal;
            return {};
        }
        return std::get<std::vector<PierBlock>>(std::move(blocks));
    }

    /// The message of the format error `text` must fail with.
    std::string FailureOf(const std::string& text) {
        return ErrorOf([&] {
            TextFile file(text);
            ReadPileFile(file, resolver.Function());
        });
    }

    PlainResolver resolver;
};

TEST_F(PileFile, ReadsTheThreeKindsOfBlock) {
    const auto t = Read("345.6 90 3\n-5.5\n0\n5.5\n"
                        "400+1.25 75 4x2\n-6, 1.2, -6, -1.2\n6, 1.2, 6, -1.2\n"
                        "480 90 1-80\n0\n");
    ASSERT_EQ(t.size(), 3u);
    const PierBlock& a = t[0];
    EXPECT_EQ(a.StationText, "345.6");
    EXPECT_EQ(a.Mileage, 345.6);
    EXPECT_EQ(a.Shift, 0.0);
    EXPECT_EQ(a.Deflection, 90.0);
    EXPECT_EQ(a.EntryKind, 1);
    ASSERT_EQ(a.Entries.size(), 3u);
    EXPECT_EQ(a.Entries[0].L1, -5.5);
    EXPECT_EQ(a.Entries[2].L1, 5.5);
    EXPECT_EQ(a.Entries[2].L2, 0.0);

    const PierBlock& b = t[1];
    EXPECT_EQ(b.StationText, "400") << "the offset is not part of the station";
    EXPECT_EQ(b.Mileage, 400.0);
    EXPECT_NEAR(b.Shift, 1.25 / std::sin(75.0 * std::numbers::pi / 180.0), 1e-12);
    EXPECT_EQ(b.Deflection, 75.0);
    EXPECT_EQ(b.EntryKind, 2);
    EXPECT_EQ(b.SecondAngle, 90.0);
    ASSERT_EQ(b.Entries.size(), 4u);
    EXPECT_EQ(b.Entries[1].L1, -6.0);
    EXPECT_EQ(b.Entries[1].L2, -1.2);
    EXPECT_EQ(b.Entries[3].L2, -1.2);

    EXPECT_EQ(t[2].SecondAngle, 80.0);
    EXPECT_EQ(t[2].EntryKind, 1);
    EXPECT_EQ(resolver.Asked, (std::vector<std::string>{"345.6", "400", "480"}));
}

TEST_F(PileFile, OffsetsAreDividedBySineOfTheAngle) {
    const auto t = Read("100+5 90 2\n1\n2\n100-5 90 2\n1\n2\n100+1 30 1\n0\n");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NEAR(t[0].Shift, 5.0, 1e-12);
    EXPECT_NEAR(t[1].Shift, -5.0, 1e-12);
    EXPECT_NEAR(t[2].Shift, 2.0, 1e-12);
}

TEST_F(PileFile, AnAngleAlongTheLineFailsEvenWithoutOffset) {
    for (const char* text : {"100 0 1\n0\n", "100+1 0 1\n0\n", "100 180 1\n0\n", "100 -360 1\n0\n",
                             "100 abc 1\n0\n"}) {
        const std::string message = FailureOf(text);
        EXPECT_EQ(message.rfind("line 1: ", 0), 0u) << message;
    }
}

TEST_F(PileFile, ValuesMayStandOnOneLineWithCommasOrBlanks) {
    const auto perLine = Read("200 90 2x2\n-6\n1.2\n6\n1.2\n300 90 3\n1\n2\n3\n");
    ASSERT_EQ(perLine.size(), 2u);
    for (const char* text : {"200 90 2x2\n-6, 1.2, 6, 1.2\n300 90 3\n1,2,3\n",
                             "200 90 2x2\n-6 1.2\n6\t1.2\n300 90 3\n1 2 3\n"}) {
        const auto t = Read(text);
        ASSERT_EQ(t.size(), 2u) << text;
        for (std::size_t k = 0; k < 2; ++k) {
            ASSERT_EQ(t[k].Entries.size(), perLine[k].Entries.size()) << text;
            for (std::size_t j = 0; j < t[k].Entries.size(); ++j) {
                EXPECT_EQ(t[k].Entries[j].L1, perLine[k].Entries[j].L1) << text;
                EXPECT_EQ(t[k].Entries[j].L2, perLine[k].Entries[j].L2) << text;
            }
        }
    }
}

TEST_F(PileFile, ABlankLineEndsTheDataQuietly) {
    EXPECT_TRUE(Read("\n100 90 1\n0\n").empty());
    EXPECT_EQ(Read("100 90 1\n0\n   \n9999 90 1\n0\n").size(), 1u);
    EXPECT_EQ(resolver.Asked, std::vector<std::string>{"100"})
        << "the station after the blank line is not even resolved";
}

TEST_F(PileFile, MalformedBlocksFail) {
    struct Row {
        const char* Text;
        const char* Why;
    };
    const Row rows[] = {
        {"100 90\n0\n", "fewer than three fields"},
        {"100 90 3\n1\n2\n", "a value missing at the end"},
        {"100 90 2x2\n1, 2, 3\n", "half a pair"},
        {"100 90 1\n1, 2\n", "a surplus value"},
        {"100 90 2\n1\nx\n", "a value that is no number"},
        // "-50" is no station 50 m before the crossing of station 0: the text before the minus
        // is empty, and reading it as station 0 would put the pier on the tangent, off a curve.
        {"-50 90 1\n0\n", "a station field without its station"},
        {"+5 90 1\n0\n", "a station field without its station"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Why);
        resolver.Asked.clear();
        FailureOf(row.Text);
        for (const std::string& asked : resolver.Asked) {
            EXPECT_FALSE(asked.empty()) << "no empty station text reaches the resolver";
        }
    }
    EXPECT_EQ(Read("0+5 90 1\n0\n").size(), 1u) << "station 0 written out is a station";
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
    EXPECT_EQ(Read(many).size(), static_cast<std::size_t>(kMaxPiers));
    EXPECT_EQ(FailureOf(many + "1 90 1\n0\n"),
              "line " + std::to_string(2 * kMaxPiers + 1) + ": more than 200 piers");
    FailureOf("1 90 21\n0\n");
    const auto t = Read("1 90 2.7\n5\n6\n");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].Entries.size(), 2u) << "a decimal count counts as its whole part";
}

TEST_F(PileFile, TheFirstRefusalEndsTheReading) {
    resolver.Refused = {"200"};
    TextFile file("100 90 1\n0\n200 90 1\n0\n300 90 1\n0\n400 nonsense\n");
    const auto blocks = ReadPileFile(file, resolver.Function());
    ASSERT_TRUE(std::holds_alternative<std::string>(blocks));
    EXPECT_EQ(std::get<std::string>(blocks), "refused 200");
    EXPECT_EQ(resolver.Asked, (std::vector<std::string>{"100", "200"}))
        << "nothing after the refused pier is read, not even a malformed line";
}

TEST_F(PileFile, TheResolvedTextAndMileageAreKept) {
    // A line with chain breaks gives the text its mark and a mileage of its own.
    TextFile file("1200+2 90 1\n0\n");
    const auto blocks =
        ReadPileFile(file, [](std::string_view text) -> std::variant<ResolvedStation, std::string> {
            std::string marked = "B";
            marked += text;
            return ResolvedStation{marked, 1234.5};
        });
    ASSERT_TRUE(std::holds_alternative<std::vector<PierBlock>>(blocks));
    const PierBlock& pier = std::get<std::vector<PierBlock>>(blocks).at(0);
    EXPECT_EQ(pier.StationText, "B1200");
    EXPECT_EQ(pier.Mileage, 1234.5);
    EXPECT_EQ(pier.Shift, 2.0);
}

TEST_F(PileFile, TheShiftIsComputedBeforeTheMarkIsChecked) {
    // A wrong mark and an angle whose sine is 0 on one header: the shift fails first.
    int marked = 0;
    const StationMarker mark = [&](std::string_view text) -> std::variant<std::string, MarkRefusal> {
        ++marked;
        return std::string(text);
    };
    const StationResolver refuseMark =
        [](std::string_view text) -> std::variant<ResolvedStation, std::string> {
        return "wrong mark " + std::string(text);
    };
    for (const char* header : {"Z100 0 1\n0\n", "Z100+5 180 1\n0\n"}) {
        SCOPED_TRACE(header);
        const std::string message = ErrorOf([&] {
            TextFile file(header);
            ReadPileFile(file, mark, refuseMark);
        });
        EXPECT_NE(message.find("its sine is 0"), std::string::npos) << message;
    }
    EXPECT_EQ(marked, 2) << "the station is marked before the shift";
    TextFile file("Z100 90 1\n0\n");
    const auto refused = ReadPileFile(file, mark, refuseMark);
    ASSERT_TRUE(std::holds_alternative<std::string>(refused));
    EXPECT_EQ(std::get<std::string>(refused), "wrong mark Z100");
    // A refusal of the marking step comes before the shift.
    TextFile gap("100 0 1\n0\n");
    const auto inGap = ReadPileFile(
        gap,
        [](std::string_view) -> std::variant<std::string, MarkRefusal> {
            return MarkRefusal{"in a gap"};
        },
        refuseMark);
    ASSERT_TRUE(std::holds_alternative<std::string>(inGap));
    EXPECT_EQ(std::get<std::string>(inGap), "in a gap");
}

TEST_F(PileFile, AnglesOffsetsAndDistancesBeyondSaneBoundsFail) {
    struct Row {
        const char* Text;
        const char* Why;
    };
    const Row rows[] = {
        {"100 1e308 1\n0\n", "pi * theta overflows"},
        {"100 -361 1\n0\n", "an angle beyond a turn"},
        {"100 90 1x1-1e308\n0,0\n", "a second angle that overflows"},
        {"100+1e300 90 1\n0\n", "an offset beyond any line"},
        {"100 90 1\n1e200\n", "a distance beyond any bridge"},
        {"100 90 1x1\n0, -1e9\n", "a second value beyond any bridge"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Why);
        const std::string message = FailureOf(row.Text);
        EXPECT_TRUE(message.rfind("line 1: ", 0) == 0 || message.rfind("line 2: ", 0) == 0)
            << message;
        EXPECT_LT(message.size(), 160u) << message;
    }
    EXPECT_EQ(Read("100 359 1x1-360\n0, 1e8\n").size(), 1u) << "the bounds themselves read";
}

// ---- The header's fields ---------------------------------------------------------------------

TEST(CountExpression, SinglesPairsAndSecondAngle) {
    struct Row {
        const char* Text;
        double Count;
        int EntryKind;
        double SecondAngle;
        const char* Why;
    };
    const Row rows[] = {
        {"3", 3.0, 1, 90.0, "single values"},
        {"3x2", 3.0, 2, 90.0, "pairs"},
        {"3X2", 3.0, 2, 90.0, "capital X"},
        {"3*9", 3.0, 2, 90.0, "asterisk"},
        {"3×4", 3.0, 2, 90.0, "multiplication sign"},
        {"3x2-60", 3.0, 2, 60.0, "pairs with their angle"},
        {"2－45", 2.0, 1, 45.0, "full-width minus"},
        {"1-80-5", 1.0, 1, 80.0, "the angle ends at a second minus"},
    };
    for (const Row& row : rows) {
        const CountExpression c = ParseCountExpression(row.Text);
        EXPECT_EQ(c.Count, row.Count) << row.Why;
        EXPECT_EQ(c.EntryKind, row.EntryKind) << row.Why;
        EXPECT_EQ(c.SecondAngle, row.SecondAngle) << row.Why;
    }
}

TEST(StationField, OffsetAfterPlusOrMinus) {
    struct Row {
        const char* Field;
        const char* Station;
        double Offset;
    };
    const Row rows[] = {
        {"100+5", "100", 5.0},   {"100-5", "100", -5.0}, {"B400+1.25+7", "B400", 1.25},
        {"345.6", "345.6", 0.0}, {"-50", "", -50.0},
        // The design-table form keeps its own "+".
        {"K1+200.5", "K1+200.5", 0.0}, {"BK1+200.5+1.25", "BK1+200.5", 1.25},
        {"K1+200-3", "K1+200", -3.0},
    };
    for (const Row& row : rows) {
        const StationField f = SplitStationField(row.Field);
        EXPECT_EQ(f.Station, row.Station) << row.Field;
        EXPECT_EQ(f.Offset, row.Offset) << row.Field;
    }
}

} // namespace
} // namespace tesk::formats
