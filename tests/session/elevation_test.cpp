// Profiles and cross-falls read onto a loaded line: stations placed with its chain breaks, the
// design elevation of points on and off the line, and the refusals with their file and line.

#include "session/commands.h"
#include "session/elevations.h"
#include "session/session_fixture.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

namespace tesk::session {
namespace {

using testing::NorthLineWithGap;
using testing::TempFile;

TEST(Elevations, StationsArePlacedWithTheChainBreaks) {
    // Grade points at A100, B600 (mileage 500 after the 100 m forward break) and B1000.
    LoadedLine line = NorthLineWithGap();
    const TempFile sqx("p.sqx", "profile\nK0+100 10 0\n;; a comment\nBK0+600,20,1000\nB1000 15 0\n");
    const TempFile hp("p.hp", "cross-fall\n100 -2 -2\nB1000 -2 4\n");
    LoadProfile(line, sqx.Path());
    LoadCrossFall(line, hp.Path());
    ASSERT_TRUE(line.Profile);
    EXPECT_EQ(line.Profile->Points()[1].Mileage, 500.0);
    EXPECT_EQ(line.ProfileFile, sqx.Path());
    // On the grade from A100 (10 m) to B600 (20 m over 400 m of line).
    EXPECT_NEAR(*DesignElevation(line, 300.0), 15.0, 1e-12);
    // 10 m to the left at -2 %; 10 m to the right at the cross-fall halfway to 4 %: 1 %.
    EXPECT_NEAR(*DesignElevation(line, 300.0, 10.0), 14.8, 1e-12);
    EXPECT_NEAR(*DesignElevation(line, 500.0, -10.0), *DesignElevation(line, 500.0) + 0.1, 1e-12);
    EXPECT_EQ(DesignElevation(line, 50.0), std::nullopt) << "before the first grade point";
    LoadedLine bare = NorthLineWithGap();
    EXPECT_EQ(DesignElevation(bare, 300.0), std::nullopt) << "no profile loaded";
}

TEST(Elevations, RefusalsNameTheFileAndLine) {
    struct Case {
        const char* Text;
        const char* Expected;
    };
    const Case cases[] = {
        {"p\n100 10 0\n450 12 0\n", "line 3: 桩号450不应存在400和500之间"},
        {"p\n100 10 0\nB1200 12 0\n", "line 3: 桩号B1200超出平面数据文件"},
        {"p\n100 10 0\n300 12 x\n", "line 3: the radius \"x\" is not a number"},
        {"p\n100 10 0\n300 12\n", "line 3: a grade point line needs 3 fields"},
        {"p\n100 10 0\n300 20 50000\n350 10 50000\n900 12 0\n", "grade points 100 and 300"},
        {"p\n", "no grade point"},
    };
    for (const Case& c : cases) {
        LoadedLine line = NorthLineWithGap();
        const TempFile sqx("bad.sqx", c.Text);
        const std::string message = testing::ErrorOf([&] { LoadProfile(line, sqx.Path()); });
        EXPECT_NE(message.find(c.Expected), std::string::npos) << message;
        EXPECT_FALSE(line.Profile) << "a refused profile loads nothing";
    }
}

TEST(Elevations, TheSampleProfileOfTheMainLine) {
    LoadedLine line = LoadJdLine(testing::Sample("main_line.jdx"));
    LoadChainBreaks(line, testing::Sample("main_line.dl"));
    LoadProfile(line, testing::Sample("main_line.sqx"));
    LoadCrossFall(line, testing::Sample("main_line.hp"));
    const profile::Profile& p = *line.Profile;
    ASSERT_EQ(p.Points().size(), 5u);
    // The sag lies in section B, the last crest in section C.
    EXPECT_NEAR(p.Points()[2].Mileage, 15600.0 - 14900.0 + 14862.415, 1e-9);
    EXPECT_NEAR(p.Points()[3].Mileage, 20400.0 - 19310.5 + 19350.0 - 14900.0 + 14862.415, 1e-9);
    EXPECT_LT(p.Curves()[1].GradeOut, p.Curves()[1].GradeIn) << "a crest";
    EXPECT_GT(p.Curves()[2].GradeOut, p.Curves()[2].GradeIn) << "a sag";
    // Superelevated on the first curve: the left side rises at 3 %.
    EXPECT_NEAR(*DesignElevation(line, 12500.0, 12.5) - *DesignElevation(line, 12500.0), 0.375,
                1e-12);
}

} // namespace
} // namespace tesk::session
