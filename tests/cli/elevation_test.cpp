// Design elevations through the command-line tool: the h column of every point-computing
// command, dh of measured points, and the vertical-curve table.

#include "cli/cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tesk::cli {
namespace {

const std::vector<std::string> kWithProfile =
    With(kMainLine, {"--profile", Sample("main_line.sqx"), "--crossfall", Sample("main_line.hp")});

// On the grade from K13+200 (118 m) to BK15+600 (106 m at mileage 15562.415).
double GradeAt(double mileage) {
    return 118.0 + (mileage - 13200.0) * (106.0 - 118.0) / 2362.415;
}

std::string Fixed3(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

TEST(CliElevation, EveryCommandAddsTheDesignElevation) {
    struct Case {
        std::vector<std::string> Args;
        std::string Header;
        std::string RowEnd; // what the first data row ends with
    };
    const std::string centre = Fixed3(GradeAt(15082.415));
    const std::string left = Fixed3(GradeAt(15082.415) - 0.25); // 12.5 m at -2 %
    const std::vector<Case> cases = {
        {{"table", "--station", "B15120"}, "station,mileage,x,y,azimuth,h", "," + centre},
        {{"table", "--station", "K15+120", "--offsets", "12.5"},
         "station,mileage,offset,x,y,azimuth,h",
         "," + left},
        {{"point", "--station", "B15120", "--skew", "12.5"}, "X坐标,3453254.3327", ""},
        {{"locate", "--point", "3453254.3327,504766.3420"},
         "name,x,y,station,mileage,offset,azimuth,h",
         "," + left},
        {{"piles", "--piles", Sample("bridge.zw")}, "pier,station,entry,L1,L2,x,y,h", ""},
    };
    for (const Case& c : cases) {
        const CliRun r =
            Cli(With({c.Args.front()}, With(kWithProfile, {c.Args.begin() + 1, c.Args.end()})));
        ASSERT_EQ(r.Status, 0) << r.Err;
        const std::vector<std::string> lines = Lines(r.Out);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], c.Header);
        if (!c.RowEnd.empty()) {
            EXPECT_TRUE(lines[1].ends_with(c.RowEnd)) << lines[1];
        }
        if (c.Args.front() == "point") {
            EXPECT_EQ(lines.back(), "设计高程," + left);
        }
    }
    // Without a profile nothing changes; a cross-fall needs a profile.
    EXPECT_EQ(Lines(Cli(With({"table"}, With(kMainLine, {"--station", "B15120"}))).Out).at(0),
              "station,mileage,x,y,azimuth");
    EXPECT_EQ(Cli(With({"table"}, With(kMainLine, {"--crossfall", Sample("main_line.hp"),
                                                   "--station", "B15120"})))
                  .Status,
              2);
}

TEST(CliElevation, MeasuredHeightsGetTheirDifferenceAndStationsOutsideAreBlank) {
    const auto path = std::filesystem::temp_directory_path() / "tesk_cli_elevation.dat";
    // The side stake 12.5 m left of BK15+120, measured 2 cm high; a point beyond the profile's
    // last grade point (CK22+510) on the centre line.
    std::ofstream(path) << "A,,504766.3420,3453254.3327,"
                        << Fixed3(GradeAt(15082.415) - 0.25 + 0.02) << "\n";
    const CliRun r = Cli(With({"locate"}, With(kWithProfile, {"--points", path.string()})));
    std::filesystem::remove(path);
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> lines = Lines(r.Out);
    EXPECT_EQ(lines.at(0), "name,x,y,station,mileage,offset,azimuth,h,dh");
    EXPECT_TRUE(lines.at(1).ends_with(",0.020")) << lines.at(1);

    const CliRun beyond = Cli(With({"table"}, With(kWithProfile, {"--station", "C22510"})));
    ASSERT_EQ(beyond.Status, 0);
    EXPECT_TRUE(Lines(beyond.Out).at(1).ends_with(",")) << beyond.Out;
    EXPECT_NE(beyond.Err.find("变坡点"), std::string::npos) << "stderr says why";
}

TEST(CliElevation, AFileThatDoesNotLoadStopsTheCommand) {
    // Every file given must load: a table printed without its cross-fall or its chain breaks
    // would look right and be wrong.
    const auto dir = std::filesystem::temp_directory_path() / "tesk_cli_files_refused";
    std::filesystem::create_directories(dir);
    const std::string steep = (dir / "steep.hp").string();
    const std::string high = (dir / "high.sqx").string();
    const std::string breaks = (dir / "bad.dl").string();
    std::ofstream(steep) << "t\nK12+000 -2 250\n";
    std::ofstream(high) << "t\nK12+000 1e300 0\nK13+000 100 0\n";
    std::ofstream(breaks) << "14862.415 x\n";
    const std::vector<std::string> jd = {"--jd", Sample("main_line.jdx")};
    for (const auto& files : std::vector<std::vector<std::string>>{
             With(kMainLine, {"--profile", Sample("main_line.sqx"), "--crossfall", steep}),
             With(kMainLine, {"--profile", high}), With(jd, {"--breaks", breaks})}) {
        const CliRun r = Cli(With({"table"}, With(files, {"--station", "13000"})));
        EXPECT_EQ(r.Status, 1) << files.back();
        EXPECT_EQ(r.Out, "") << files.back();
        EXPECT_NE(r.Err.find("数据文件格式有误"), std::string::npos) << r.Err;
    }
    std::filesystem::remove_all(dir);
}

TEST(CliElevation, TheVerticalCurveTable) {
    const CliRun r = Cli(With({"profile"}, With(kWithProfile, {"--digits", "3"})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "station,mileage,elevation,grade_in,grade_out,radius,length,tangent,"
                        "external,start_station,end_station");
    // The crest at K13+200: 1.5 % to -0.508 %, R 20000.
    EXPECT_TRUE(lines[2].starts_with("AK13+200.000,13200.000,118.000,1.500,-0.508,20000,401.591,"))
        << lines[2];
    EXPECT_EQ(Cli(With({"profile"}, kMainLine)).Status, 1) << "no profile given";
}

} // namespace
} // namespace tesk::cli
