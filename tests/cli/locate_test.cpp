// Point -> station (locate) and side stakes (table --offsets) through the command-line tool.

#include "cli/cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tesk::cli {
namespace {

// A file in a fresh temporary folder, removed with it.
class TempFile {
public:
    TempFile(const std::string& name, const std::string& content)
        : m_path(std::filesystem::temp_directory_path() / ("tesk_locate_" + name)) {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~TempFile() { std::filesystem::remove(m_path); }
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// A right-angle curve of radius 50 without spirals: from (0, 0) north to the vertex (100, 0),
// then east; the arc's centre is (50, 50).
const char* kRightAngle =
    "right angle\n1000\nQD\n0 0 0 0 0\nJD1\n100 0 50 0 0\nZD\n100 100 0 0 0\n";

TEST(CliLocate, RowsAndMessagesAsData) {
    const TempFile line("right_angle.jdx", kRightAngle);
    struct Case {
        std::vector<std::string> Points;
        std::vector<std::string> Rows; // after the header
        std::string Err;               // a text stderr must hold; empty = nothing
    };
    const std::vector<Case> cases = {
        // On the first straight, 3 m to the right (east) of the line running north.
        {{"--point", "20,3"}, {"P1,20.000,3.000,K1+020.000,1020.000,-3.000,0.000000000"}, ""},
        // Inside the bend beyond the centre: square to both straights and, through the centre,
        // to the arc; nearest first.
        {{"--point", "40,60"},
         {"P1,40.000,60.000,K1+040.000,1040.000,-60.000,0.000000000",
          "P1,40.000,60.000,K1+138.540,1138.540,-60.000,1.570796327",
          "P1,40.000,60.000,K1+089.270,1089.270,-64.142,0.785398163"},
         ""},
        {{"--point", "-30,5"}, {"P1,-30.000,5.000,,,,"}, "没有垂足"},
        {{"--point", "50,50"}, {"P1,50.000,50.000,,,,"}, "圆心"},
        {{"--point", "20,3", "--point", "-30,5"},
         {"P1,20.000,3.000,K1+020.000,1020.000,-3.000,0.000000000", "P2,-30.000,5.000,,,,"},
         "点P2"},
    };
    for (const Case& c : cases) {
        const CliRun r =
            Cli(With(With({"locate", "--jd", line.Path(), "--digits", "3"}, c.Points), {}));
        ASSERT_EQ(r.Status, 0) << r.Err;
        std::vector<std::string> rows = Lines(r.Out);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.front(), "name,x,y,station,mileage,offset,azimuth");
        rows.erase(rows.begin());
        EXPECT_EQ(rows, c.Rows) << c.Points.back();
        if (c.Err.empty()) {
            EXPECT_EQ(r.Err, "");
        } else {
            EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
        }
    }
}

TEST(CliLocate, PointFilesInBothOrdersAndChainBreakMarks) {
    // The side stake 12.5 m left of BK15+120 on the sample line, as name,X,Y and as a CASS line
    // (name,code,Y,X,H: east first).
    const TempFile plain("plain.txt", "桩1,3453254.3327,504766.3420\n");
    const TempFile cass("cass.dat", "桩2,,504766.3420,3453254.3327,101.5\r\n");
    for (const TempFile* file : {&plain, &cass}) {
        const CliRun r =
            Cli(With({"locate"}, With(kMainLine, {"--points", file->Path(), "--digits", "3"})));
        ASSERT_EQ(r.Status, 0) << r.Err;
        const std::vector<std::string> rows = Lines(r.Out);
        ASSERT_EQ(rows.size(), 2u) << r.Out;
        EXPECT_NE(rows[1].find(",3453254.333,504766.342,BK15+120.000,15082.415,12.500,"),
                  std::string::npos)
            << rows[1];
    }
}

TEST(CliLocate, RefusesWhatItCannotRead) {
    const TempFile bad("bad.txt", "A,1,2\nB,1\n");
    struct Case {
        std::vector<std::string> Args;
        std::string Err;
    };
    for (const Case& c : std::vector<Case>{{{"--point", "3452000"}, "点坐标3452000有误"},
                                           {{"--point", "abc,1"}, "有误"},
                                           {{"--point", "1e300,5"}, "点坐标1e300,5有误"},
                                           {{"--points", bad.Path()}, "行：第2行"}}) {
        const CliRun r = Cli(With(With({"locate"}, kMainLine), c.Args));
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Out, "");
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
    }
    EXPECT_EQ(Cli(With({"locate"}, kMainLine)).Status, 2) << "a point is required";
}

TEST(CliTable, SideStakesAtEachStakeInTheOrderGiven) {
    const CliRun r =
        Cli(With({"table"}, With(kMainLine, {"--from", "B15100", "--to", "B15120", "--step", "20",
                                             "--offsets", "12.5,-12.5,0", "--digits", "3"})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> rows = Lines(r.Out);
    ASSERT_EQ(rows.size(), 7u) << r.Out;
    EXPECT_EQ(rows[0], "station,mileage,offset,x,y,azimuth");
    const char* offsets[] = {"12.500", "-12.500", "0.000"};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(rows[1 + k].substr(0, 12), k < 3 ? "BK15+100.000" : "BK15+120.000");
        EXPECT_NE(rows[1 + k].find(std::string(",") + offsets[k % 3] + ","), std::string::npos)
            << rows[1 + k];
    }
    // 12.5 m left of BK15+120, and the centre-line row equals the plain table's.
    EXPECT_NE(rows[4].find(",3453254.333,504766.342,"), std::string::npos) << rows[4];
    const CliRun plain =
        Cli(With({"table"}, With(kMainLine, {"--station", "B15120", "--digits", "3"})));
    EXPECT_EQ(Lines(plain.Out).at(0), "station,mileage,x,y,azimuth");
    const std::string centre = Lines(plain.Out).at(1);
    EXPECT_EQ(rows[6].substr(rows[6].find(",0.000,") + 7),
              centre.substr(centre.find(",15082.415,") + 11));

    const CliRun refused = Cli(With(
        {"table"}, With(kMainLine, {"--station", "B15120", "--offsets", "5", "--angle", "180"})));
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Out, "");
    EXPECT_EQ(refused.Err, "右偏角应在0～180之间！\n");
    // An offset beyond any survey is a slip, refused like one that is not a number.
    const CliRun far =
        Cli(With({"table"}, With(kMainLine, {"--station", "B15120", "--offsets", "12.5,1e300"})));
    EXPECT_EQ(far.Status, 1);
    EXPECT_EQ(far.Out, "");
    EXPECT_EQ(far.Err, "边桩偏距应为以米计的数，如-12.5,0,12.5！\n");
}

} // namespace
} // namespace tesk::cli
