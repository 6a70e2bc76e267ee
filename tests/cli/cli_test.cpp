#include "cli/cli.h"
#include "cli/cli_test_support.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesk::cli {
namespace {

TEST(CliTable, StationsWithAndWithoutMarks) {
    const CliRun r = Cli(With({"table"}, With(kMainLine, {"--station", "12000", "--station",
                                                          "B15000", "--station", "15000"})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "station,mileage,x,y,azimuth");
    EXPECT_EQ(lines[1].rfind("AK12+000.000,12000.0000,3452000.0000,502000.0000,", 0), 0u)
        << lines[1];
    // 15000 lies after the forward break 14862.415 -> 14900 (37.585 m ahead), so both texts name
    // mileage 14962.415.
    EXPECT_EQ(lines[2].rfind("BK15+000.000,14962.4150,", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].substr(lines[3].find(',')), lines[2].substr(lines[2].find(',')));
    EXPECT_TRUE(r.Err.empty());
}

TEST(CliTable, RefusalsGoToStderrWithTheSystemsMessages) {
    CliRun r = Cli(With({"table"}, With(kMainLine, {"--station", "14880"})));
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(r.Out.empty());
    EXPECT_EQ(r.Err, "桩号14880不应存在14862.415和14900之间，请修改！\n");

    r = Cli(With({"table"}, With(kMainLine, {"--station", "19330"})));
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "程序不能判断桩号19330所属的断链区间，需添加断链标识A、B、C...\n");

    r = Cli(With({"table"}, With(kMainLine, {"--station", "D100"})));
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "桩号D100断链标识有误，请修改！\n");

    r = Cli({"table", "--jd", Sample("main_line.jdx"), "--station", "11999.99"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "桩号11999.99超出平面数据文件，请修改！\n");
}

TEST(CliTable, StakesFollowTheWrittenStationsOfEachSection) {
    const CliRun r = Cli(With({"table"}, With(kMainLine, {"--from", "14800", "--to", "B15000",
                                                          "--step", "50", "--digits", "3"})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> labels;
    for (const auto& line : Lines(r.Out)) {
        labels.push_back(line.substr(0, line.find(',')));
    }
    // A ends at the break (14862.415); B's stakes continue from its written 14900. The curve
    // 交点4 starts (ZH) at BK15+072.578, beyond the range.
    const std::vector<std::string> expected = {"station",      "AK14+800.000", "AK14+850.000",
                                               "BK14+900.000", "BK14+950.000", "BK15+000.000"};
    EXPECT_EQ(labels, expected);
}

TEST(CliTable, RangeListsMainPointsInOrder) {
    const CliRun r = Cli({"table", "--jd", Sample("main_line.jdx"), "--from", "12400", "--to",
                          "12700", "--step", "100"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = Lines(r.Out);
    std::vector<std::string> labels;
    double last = -1.0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        labels.push_back(lines[i].substr(0, lines[i].find(',')));
        const double mileage = std::stod(lines[i].substr(lines[i].find(',') + 1));
        EXPECT_GT(mileage, last);
        last = mileage;
    }
    const std::vector<std::string> expected = {"K12+400.000", "K12+476.295", "K12+500.000",
                                               "K12+600.000", "K12+626.295", "K12+700.000"};
    EXPECT_EQ(labels, expected) << "ZH and HY of 交点1 between the stakes";
}

TEST(CliTable, AStepTooSmallForTheRangeIsRefusedNotRunOutOfMemory) {
    // 7.3 km of line at 1 micrometre would be seven billion stakes; at 1e-300 m the stake
    // numbers lie beyond what a double counts in whole steps.
    for (const char* step : {"1e-6", "1e-300", "4.9e-324"}) {
        const CliRun r = Cli(With({"table"}, With(kMainLine, {"--from", "12000", "--step", step})));
        EXPECT_EQ(r.Status, 1) << step;
        EXPECT_TRUE(r.Out.empty()) << step;
        EXPECT_EQ(r.Err, "间距过小，桩号超过1000000个，请加大间距！\n") << step;
    }
    // A fine step over a short range is still listed: 0.001 m over 2 m, both ends included.
    const CliRun fine = Cli(
        With({"table"}, With(kMainLine, {"--from", "12000", "--to", "12002", "--step", "0.001"})));
    ASSERT_EQ(fine.Status, 0) << fine.Err;
    EXPECT_EQ(Lines(fine.Out).size(), 1u + 2001u);
}

TEST(CliLoad, ABadFileSaysWhereTheReaderStopped) {
    const auto path = std::filesystem::temp_directory_path() / "tesk_cli_bad.jdx";
    std::ofstream(path) << "title,0\nA\n0 0 0 0 0\nB\n100 1O0 0 0 0\n";
    // Without --verbose everything is Chinese: the message, then the detail a fact a line.
    const CliRun r = Cli({"table", "--jd", path.string(), "--station", "0"});
    EXPECT_EQ(r.Status, 1);
    const auto lines = Lines(r.Err);
    ASSERT_GE(lines.size(), 2u) << r.Err;
    EXPECT_EQ(lines[0], "数据文件格式有误或操作有误！");
    for (const std::string& expected :
         {"文件：" + path.string(), std::string("行：第5行"), std::string("字段：第2项（Y）"),
          std::string("数值：\"1O0\""), std::string("说明：不是数字")}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected << "\n"
                                                                                << r.Err;
    }
    EXPECT_EQ(r.Err.find("line 5"), std::string::npos) << r.Err;
    // --verbose (before or after the subcommand) adds the English text of the same failure.
    for (const auto& args :
         {std::vector<std::string>{"--verbose", "table", "--jd", path.string(), "--station", "0"},
          std::vector<std::string>{"table", "--jd", path.string(), "--station", "0",
                                   "--verbose"}}) {
        const CliRun verbose = Cli(args);
        EXPECT_EQ(verbose.Status, 1);
        const auto all = Lines(verbose.Err);
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(all.front(), "数据文件格式有误或操作有误！");
        EXPECT_EQ(all.back().rfind("detail: " + path.string() + ", line 5", 0), 0u) << verbose.Err;
    }
    std::filesystem::remove(path);

    const CliRun missing = Cli({"curves", "--jd", "/nonexistent/x.jdx"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(Lines(missing.Err).at(0), "数据文件格式有误或操作有误！");
}

TEST(CliUsage, MethodIsRequiredAndExclusive) {
    EXPECT_EQ(Cli({"table", "--station", "1"}).Status, 2);
    EXPECT_EQ(Cli({"table", "--jd", "a", "--elem", "b"}).Status, 2);
    EXPECT_EQ(Cli({"table", "--elem", "b", "--breaks", "c"}).Status, 2);
    EXPECT_EQ(Cli({}).Status, 2);
    EXPECT_EQ(Cli({"--help"}).Status, 0);
}

TEST(CliCurves, ElementRowsAfterTheReversingSpiralIsSplit) {
    const CliRun r = Cli({"curves", "--elem", Sample("ramp.jdx")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 11u) << "header + 9 rows + 1 from the split";
    // The kinds as the radii of the file name them, the reversing spiral 320 -> -260 (110 m)
    // split where its curvature passes zero: 110 * 260 / 580 and 110 * 320 / 580 m.
    const char* const kinds[] = {
        "straight", "entry-spiral",    "arc", "exit-spiral", "entry-spiral",
        "arc",      "compound-spiral", "arc", "exit-spiral", "straight"};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(std::to_string(i) + "," + kinds[i - 1] + ",", 0), 0u) << lines[i];
    }
    EXPECT_EQ(lines[4].rfind("4,exit-spiral,320,10000,49.3103,", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5].rfind("5,entry-spiral,10000,-260,60.6897,", 0), 0u) << lines[5];
}

TEST(CliPoint, PrintsTheFieldsAsTheWindowShowsThem) {
    const CliRun r = Cli(With({"point"}, With(kMainLine, {"--station", "12000", "--skew", "0"})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    // The first leg runs at 58 degrees to within the millimetres of the vertex coordinates.
    EXPECT_EQ(r.Out.rfind("X坐标,3452000.0000\nY坐标,502000.0000\n方位角,58°00′00", 0), 0u)
        << r.Out;
    const CliRun bad =
        Cli(With({"point"}, With(kMainLine, {"--station", "13000", "--angle", "180"})));
    EXPECT_EQ(bad.Status, 1);
    EXPECT_EQ(bad.Err, "右偏角应在0～180之间！\n");
}

TEST(CliPiles, OneRowPerEntryOfTheBridge) {
    const CliRun r = Cli(With({"piles"}, With(kMainLine, {"--piles", Sample("bridge.zw")})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = Lines(r.Out);
    EXPECT_EQ(lines.at(0), "pier,station,entry,L1,L2,x,y");
    EXPECT_EQ(lines.size(), 1u + 31u);
    EXPECT_EQ(lines.at(1).rfind("0,B15060,1,-6.2500,0.0000,", 0), 0u);
}

} // namespace
} // namespace tesk::cli

namespace tesk::cli {
namespace {

std::string Head(const std::filesystem::path& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

TEST(CliOutputs, DrawAndPileFilesAreWritten) {
    const auto dir = std::filesystem::temp_directory_path() / "tesk_cli_outputs";
    std::filesystem::create_directories(dir);
    const auto line = dir / "line.dxf";
    CliRun r = Cli(With({"draw"}, With(kMainLine, {"--dxf", line.string()})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(Head(line, 64).find("SECTION"), std::string::npos);

    const auto ramp = dir / "ramp.dxf";
    r = Cli({"draw", "--elem", Sample("ramp.jdx"), "--dxf", ramp.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;

    const auto xlsx = dir / "bridge.xlsx";
    const auto dxf = dir / "bridge.dxf";
    r = Cli(With({"piles"},
                 With(kMainLine, {"--piles", Sample("bridge.zw"), "--xlsx", xlsx.string(), "--dxf",
                                  dxf.string(), "--at", "3453000,504000", "--table"})));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Head(xlsx, 2), "PK") << "a zip package";
    EXPECT_NE(Head(dxf, 64).find("SECTION"), std::string::npos);

    // A pile file beyond the line writes nothing.
    const auto beyond = dir / "beyond.zw";
    std::ofstream(beyond) << "C30000 90 1\n0\n";
    const auto never = dir / "never.xlsx";
    r = Cli(
        With({"piles"}, With(kMainLine, {"--piles", beyond.string(), "--xlsx", never.string()})));
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "桩号C30000超出平面数据文件，请修改！\n");
    EXPECT_FALSE(std::filesystem::exists(never));
    std::filesystem::remove_all(dir);
}

/// Opens the named pipe `path` for writing as soon as a reader has it open (a non-blocking
/// open succeeds only then); -1 when none came within `patience`.
int OpenPipeForWriting(const std::filesystem::path& path, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            return fd;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

TEST(CliOutputs, ThePileFileIsReadOnceForEveryOutput) {
    // The rows, the workbook and all three drawings come from one reading: a pile file that
    // changed in between would give outputs that disagree. A named pipe hands its content out
    // once; a second opening would wait for a writer that never comes.
    const auto dir = std::filesystem::temp_directory_path() / "tesk_cli_read_once";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto pipe = dir / "bridge.zw";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::ifstream sample(Sample("bridge.zw"), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(sample)),
                              std::istreambuf_iterator<char>());
    ASSERT_LT(content.size(), 4096u) << "one write into the pipe";

    auto run = std::async(std::launch::async, [&] {
        return Cli(With({"piles"}, With(kMainLine, {"--piles", pipe.string(), "--xlsx",
                                                    (dir / "b.xlsx").string(), "--dxf",
                                                    (dir / "b.dxf").string()})));
    });
    const int fd = OpenPipeForWriting(pipe, std::chrono::seconds(30));
    ASSERT_GE(fd, 0) << "the pile file was never opened";
    EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(fd);
    bool reopened = false;
    if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let a second reader go with an empty file, so that the run ends.
        const int again = OpenPipeForWriting(pipe, std::chrono::seconds(1));
        reopened = again >= 0;
        if (again >= 0) {
            close(again);
        }
    }
    const CliRun r = run.get();
    EXPECT_FALSE(reopened);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 1u + 31u);
    EXPECT_TRUE(std::filesystem::exists(dir / "b.xlsx"));
    EXPECT_TRUE(std::filesystem::exists(dir / "b.dxf"));
    std::filesystem::remove_all(dir);
}

TEST(CliOutputs, AnOutputPathThatNamesAnInputFileIsRefusedAndTheFileKept) {
    const auto dir = std::filesystem::temp_directory_path() / "tesk_cli_no_overwrite";
    std::filesystem::create_directories(dir);
    const auto jd = dir / "line.jdx";
    const auto piles = dir / "bridge.zw";
    std::filesystem::copy_file(Sample("main_line.jdx"), jd,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(Sample("bridge.zw"), piles,
                               std::filesystem::copy_options::overwrite_existing);
    const auto jdSize = std::filesystem::file_size(jd);
    const auto pilesSize = std::filesystem::file_size(piles);
    // The same file under another spelling of its path is the same file.
    const std::string pilesAgain = (dir / "." / "bridge.zw").string();

    const std::vector<std::vector<std::string>> runs = {
        {"piles", "--jd", jd.string(), "--breaks", Sample("main_line.dl"), "--piles",
         piles.string(), "--xlsx", pilesAgain},
        {"piles", "--jd", jd.string(), "--breaks", Sample("main_line.dl"), "--piles",
         piles.string(), "--dxf", jd.string()},
        {"draw", "--jd", jd.string(), "--dxf", jd.string()},
    };
    for (const auto& args : runs) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.Status, 1) << args.back();
        EXPECT_TRUE(r.Out.empty());
        EXPECT_EQ(Lines(r.Err).at(0), "输出文件不能是输入文件：" + args.back()) << r.Err;
    }
    EXPECT_EQ(std::filesystem::file_size(jd), jdSize);
    EXPECT_EQ(std::filesystem::file_size(piles), pilesSize);

    // One file for both outputs would keep only the drawing.
    const auto both = (dir / "out").string();
    const CliRun r = Cli({"piles", "--jd", jd.string(), "--breaks", Sample("main_line.dl"),
                          "--piles", piles.string(), "--xlsx", both, "--dxf", both});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(Lines(r.Err).at(0), "工作簿和图形不能写入同一文件：" + both);
    EXPECT_FALSE(std::filesystem::exists(both));
    std::filesystem::remove_all(dir);
}

TEST(CliOutputs, AnOutputThatCannotBeWrittenIsHeadedAsSuch) {
    const std::string missing = "/nonexistent-tesk-folder/out";
    const std::vector<std::string> piles = {"--piles", Sample("bridge.zw")};
    const std::vector<std::vector<std::string>> runs = {
        With(With({"piles"}, kMainLine), With(piles, {"--xlsx", missing + ".xlsx"})),
        With(With({"piles"}, kMainLine), With(piles, {"--dxf", missing + ".dxf"})),
        With(With({"draw"}, kMainLine), {"--dxf", missing + ".dxf"}),
    };
    for (const auto& args : runs) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.Status, 1) << args.back();
        const auto lines = Lines(r.Err);
        ASSERT_GE(lines.size(), 2u) << r.Err;
        EXPECT_EQ(lines[0], "文件无法写入：" + args.back());
        EXPECT_EQ(lines[1], "文件或文件夹不存在");
    }
}

} // namespace
} // namespace tesk::cli
