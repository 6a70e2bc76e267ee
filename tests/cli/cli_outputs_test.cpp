// The command-line tool's outputs: size caps of the drawing, empty and existing output paths,
// all outputs of one command or none, and what reaches the terminal and the CSV.

#include "cli/cli_test_support.h"
#include "cli/commands.h"
#include "support/scratch_folder.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace tesk::cli {
namespace {

namespace fs = std::filesystem;

class CliOutputsTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return m_folder.PathOf(name); }
    std::string Put(const std::string& name, const std::string& content) const {
        return m_folder.Put(name, content);
    }
    static std::string Contents(const fs::path& path) {
        return testing::ScratchFolder::Contents(path);
    }
    /// Names in the folder, temporaries included.
    std::vector<std::string> Files() const { return m_folder.Files(); }

    testing::ScratchFolder m_folder{"tesk_cli_outputs_"};
    const fs::path m_dir = m_folder.Path();
};

TEST_F(CliOutputsTest, ALineTooLargeToDrawIsRefusedBeforeAnythingIsWritten) {
    const struct {
        const char* what;
        std::vector<std::string> line;
        std::string message;
    } rows[] = {
        // Coordinates and lengths beyond any survey are refused where they are read, before
        // the drawing's own cap is reached.
        {"a JD end point without its decimal point",
         {"--jd", Put("slip.jdx", "slip,0\n起点\n3452000.000 502000.000 0 0 0\n"
                                  "终点\n3456777077 511163.022 0 0 0\n")},
         "数据文件格式有误或操作有误！\n类别：数据格式有误\n文件：" + PathOf("slip.jdx") +
             "\n行：第5行\n字段：第1项（X）\n说明：数值超出测量的合理范围（漏写了小数点？）"},
        {"an element of 1e12 m",
         {"--elem", Put("long.jdx", "0,3452650.000,502930.000,58.0000\n10000 10000 1e12\n")},
         "数据文件格式有误或操作有误！\n类别：数据格式有误\n文件：" + PathOf("long.jdx") +
             "\n行：第2行\n字段：第3项（长度）\n说明：数值超出测量的合理范围（漏写了小数点？）"},
        {"just over the cap",
         {"--jd", Put("over.jdx", "over,0\n起点\n0 0 0 0 0\n终点\n10000000.001 0 0 0 0\n")},
         "设计线长10000000.001米，超过绘图上限10000公里（100000个百米桩），请检查平面数据文件！"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string dxf = PathOf("line.dxf");
        const CliRun r = Cli(With(With({"draw"}, row.line), {"--dxf", dxf}));
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Err, row.message + "\n");
        EXPECT_FALSE(fs::exists(dxf));
    }
}

TEST_F(CliOutputsTest, AnEmptyOutputPathIsRefusedBeforeAnyWork) {
    const std::vector<std::string> pileFile = {"--piles", Sample("bridge.zw")};
    const struct {
        std::vector<std::string> args;
        const char* option;
    } rows[] = {
        {With(With({"piles"}, kMainLine), With(pileFile, {"--dxf", ""})), "--dxf"},
        {With(With({"piles"}, kMainLine), With(pileFile, {"--xlsx", ""})), "--xlsx"},
        {With(With({"piles"}, kMainLine), With(pileFile, {"--xlsx", "", "--dxf", PathOf("b.dxf")})),
         "--xlsx"},
        {With(With({"draw"}, kMainLine), {"--dxf", ""}), "--dxf"},
    };
    for (const auto& row : rows) {
        const CliRun r = Cli(row.args);
        EXPECT_EQ(r.Status, 1) << row.option;
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_EQ(r.Err, std::string("输出文件名不能为空：") + row.option + "\n");
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(CliOutputsTest, AnExistingOutputIsReplacedOnlyWithForce) {
    const std::vector<std::string> piles =
        With(With({"piles"}, kMainLine), {"--piles", Sample("bridge.zw")});
    const struct {
        std::vector<std::string> args; // without the output option
        const char* option;
        const char* name;
    } rows[] = {
        {With({"draw"}, kMainLine), "--dxf", "line.dxf"},
        {piles, "--dxf", "bridge.dxf"},
        {piles, "--xlsx", "bridge.xlsx"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = Put(row.name, "the surveyor's own file");
        const std::vector<std::string> args = With(row.args, {row.option, path});
        CliRun r = Cli(args);
        EXPECT_EQ(r.Status, 1);
        EXPECT_TRUE(r.Out.empty());
        EXPECT_EQ(r.Err, "输出文件已存在：" + path + "（要替换它请加 --force）\n");
        EXPECT_EQ(Contents(path), "the surveyor's own file");

        r = Cli(With(args, {"--force"}));
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(Contents(path), "the surveyor's own file");
    }
}

TEST_F(CliOutputsTest, ForceKeepsTheModeAndWritesThroughALink) {
    const std::vector<std::string> draw = With({"draw"}, kMainLine);
    const std::string privateFile = Put("private.dxf", "old");
    fs::permissions(privateFile, fs::perms::owner_read | fs::perms::owner_write);
    const std::string readOnly = Put("readonly.dxf", "old");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    for (const std::string& path : {privateFile, readOnly}) {
        const fs::perms before = fs::status(path).permissions();
        const CliRun r = Cli(With(draw, {"--dxf", path, "--force"}));
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(Contents(path), "old");
        EXPECT_EQ(fs::status(path).permissions(), before) << path;
    }

    // A link stays a link; the file it names gets the drawing, in its own folder.
    fs::create_directories(m_dir / "real");
    const std::string target = Put("real/line.dxf", "old");
    fs::create_symlink("real/line.dxf", m_dir / "link.dxf");
    const CliRun r = Cli(With(draw, {"--dxf", PathOf("link.dxf"), "--force"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.dxf"));
    EXPECT_NE(Contents(target).find("SECTION"), std::string::npos);
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"link.dxf", "private.dxf", "readonly.dxf", "real"}));
}

TEST_F(CliOutputsTest, AllOutputsOfOneCommandAreWrittenOrNone) {
    const std::vector<std::string> piles =
        With(With({"piles"}, kMainLine), {"--piles", Sample("bridge.zw"), "--force"});
    fs::create_directories(m_dir / "folder.dxf");
    const struct {
        const char* what;
        std::string dxf;
    } rows[] = {
        {"the drawing's folder is missing", PathOf("missing/b.dxf")},
        {"the drawing's name is a folder", PathOf("folder.dxf")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string older = Put("b.xlsx", "older workbook");
        const CliRun r = Cli(With(piles, {"--xlsx", older, "--dxf", row.dxf}));
        EXPECT_EQ(r.Status, 1);
        EXPECT_TRUE(r.Out.empty());
        EXPECT_EQ(Contents(older), "older workbook");
        EXPECT_EQ(Files(), (std::vector<std::string>{"b.xlsx", "folder.dxf"}));
    }
}

/// The fields of a comma-separated line.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == ',') {
        fields.emplace_back();
    }
    return fields;
}

/// Degrees of a d°mm′ss.ss″ text.
double DmsDegrees(const std::string& text) {
    const std::size_t deg = text.find("°");
    const std::size_t min = text.find("′");
    const std::size_t sec = text.find("″");
    return std::stod(text.substr(0, deg)) + std::stod(text.substr(deg + 2, min - deg - 2)) / 60.0 +
           std::stod(text.substr(min + 3, sec - min - 3)) / 3600.0;
}

TEST_F(CliOutputsTest, PilesGoToInstrumentFilesAndTheirPolarValuesFollowTheCoordinates) {
    const std::string dat = PathOf("bridge.dat");
    const std::string csv = PathOf("bridge.csv");
    const CliRun r = Cli(
        With(With({"piles"}, kMainLine),
             {"--piles", Sample("bridge.zw"), "--export", "cass:" + dat, "--export", "CSV:" + csv,
              "--setup", "3453200,504700", "--backsight", "3453300,504800", "--digits", "9"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> rows = Lines(r.Out);
    ASSERT_EQ(rows.at(0), "pier,station,entry,L1,L2,x,y,azimuth_dms,angle_dms,distance");
    const std::vector<std::string> cass = Lines(Contents(dat));
    const std::vector<std::string> pnezd = Lines(Contents(csv).substr(3)); // after the BOM
    ASSERT_EQ(cass.size(), rows.size() - 1);
    ASSERT_EQ(pnezd.size(), rows.size() - 1);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i]);
        const std::vector<std::string> f = Fields(rows[i]);
        ASSERT_EQ(f.size(), 10u);
        const std::string name = f[0] + "-" + f[2];
        // CASS: name,code,Y (east),X (north),H; PNEZD: name,N,E,Z,code.
        EXPECT_EQ(cass[i - 1], name + ",," + f[6] + "," + f[5] + ",\r");
        EXPECT_EQ(pnezd[i - 1], name + "," + f[5] + "," + f[6] + ",,\r");
        // The polar values worked out again from the printed coordinates.
        const double dx = std::stod(f[5]) - 3453200.0;
        const double dy = std::stod(f[6]) - 504700.0;
        const double azimuth = std::fmod(std::atan2(dy, dx) * 180.0 / M_PI + 360.0, 360.0);
        EXPECT_NEAR(DmsDegrees(f[7]), azimuth, 0.006 / 3600.0);
        EXPECT_NEAR(DmsDegrees(f[8]), std::fmod(azimuth - 45.0 + 360.0, 360.0), 0.006 / 3600.0);
        EXPECT_NEAR(std::stod(f[9]), std::hypot(dx, dy), 1e-8);
    }
}

TEST_F(CliOutputsTest, SideStakesAreNamedByStationSideAndOffset) {
    const std::string sdr = PathOf("stakes.sdr");
    const CliRun r = Cli(
        With(With({"table"}, kMainLine), {"--from", "B15100", "--to", "B15120", "--offsets",
                                          "12.5,-3", "--export", "sdr:" + sdr, "--digits", "3"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> ids;
    for (const std::string& record : Lines(Contents(sdr))) {
        if (record.rfind("08KI", 0) == 0) {
            const std::string id = record.substr(4, 16);
            ids.push_back(id.substr(id.find_first_not_of(' ')));
        }
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"BK15+100L12.5", "BK15+100R3", "BK15+120L12.5",
                                             "BK15+120R3"}));
}

TEST_F(CliOutputsTest, FieldOutputsAreRefusedBeforeAnyFileIsWritten) {
    const std::string existing = Put("old.gsi", "older points");
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {"unknown format",
         {"--station", "B15120", "--export", "txt:" + PathOf("a.txt")},
         "--export txt:"},
        {"no file", {"--station", "B15120", "--export", "gsi:"}, "--export gsi:有误"},
        {"a duplicate name",
         {"--station", "B15120", "--station", "B15120", "--export", "csv:" + PathOf("a.csv")},
         "点名BK15+120重复，点文件中的点名必须各不相同！"},
        {"the station is the backsight",
         {"--station", "B15120", "--setup", "3453200,504700", "--backsight", "3453200.0002,504700"},
         "测站点与后视点重合，无法定向，请检查坐标！"},
        {"a point at the station",
         {"--station", "B15120", "--setup", "3453242.7164,504770.9586", "--backsight",
          "3453300,504800", "--export", "csv:" + PathOf("a.csv")},
         "与测站点重合，无法放样"},
        {"an existing file",
         {"--station", "B15120", "--export", "gsi:" + existing},
         "输出文件已存在："},
        {"two outputs in one file",
         {"--station", "B15120", "--export", "gsi:" + PathOf("a.gsi"), "--export",
          "sdr:" + PathOf("a.gsi")},
         "两个输出不能写入同一文件："},
        {"an input file",
         {"--station", "B15120", "--export", "csv:" + Sample("main_line.dl"), "--force"},
         "输出文件不能是输入文件："},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const CliRun r = Cli(With(With({"table"}, kMainLine), row.args));
        EXPECT_EQ(r.Status, 1);
        EXPECT_TRUE(r.Out.empty());
        EXPECT_NE(r.Err.find(row.message), std::string::npos) << r.Err;
        EXPECT_EQ(Files(), std::vector<std::string>{"old.gsi"});
        EXPECT_EQ(Contents(existing), "older points");
    }
}

TEST_F(CliOutputsTest, ThePolarSheetReadsBackAsTheTablePrintedIt) {
    const std::string xlsx = PathOf("polar.xlsx");
    const CliRun r = Cli(
        With(With({"piles"}, kMainLine), {"--piles", Sample("bridge.zw"), "--xlsx", xlsx, "--setup",
                                          "3453200,504700", "--backsight", "3453300,504800"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    // openpyxl, an independent reader: the set-up, the captions, then every pile's row.
    const std::string script =
        "import sys, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1])['极坐标放样表']\n"
        "print(ws['A2'].value, ws['B2'].value, ws['C2'].value, ws['A3'].value, ws['B3'].value,"
        " ws['C3'].value, ws['E3'].value)\n"
        "print(*[c.value for c in ws[5][:7]])\n"
        "for row in ws.iter_rows(min_row=6, values_only=True):\n"
        "    if row[0] is not None:\n"
        "        print(row[0], '%.4f' % row[1], '%.4f' % row[2], row[4], row[5], '%.4f' % "
        "row[6])\n";
    const std::string command =
        "/usr/bin/python3 -c \"$TESK_SCRIPT\" " + xlsx + " > " + PathOf("readback.txt") + " 2>&1";
    if (std::system("/usr/bin/python3 -c 'import openpyxl' > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 with openpyxl is not available";
    }
    ::setenv("TESK_SCRIPT", script.c_str(), 1);
    ASSERT_EQ(std::system(command.c_str()), 0) << Contents(PathOf("readback.txt"));
    const std::vector<std::string> lines = Lines(Contents(PathOf("readback.txt")));
    const std::vector<std::string> rows = Lines(r.Out);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    EXPECT_EQ(lines[0], "测站 3453200 504700 后视 3453300 504800 45°00′00″");
    EXPECT_EQ(lines[1], "点名 X Y H 方位角 水平角 平距");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> f = Fields(rows[i]);
        EXPECT_EQ(lines[i + 1], f[0] + "-" + f[2] + " " + f[5] + " " + f[6] + " " + f[7] + " " +
                                    f[8] + " " + f[9]);
    }
}

TEST_F(CliOutputsTest, PointFilesAreCommittedWithTheWorkbookOrNotAtAll) {
    const std::string older = Put("b.xlsx", "older workbook");
    const CliRun r = Cli(
        With(With({"piles"}, kMainLine), {"--piles", Sample("bridge.zw"), "--force", "--xlsx",
                                          older, "--export", "gsi:" + PathOf("missing/b.gsi")}));
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(Contents(older), "older workbook");
    EXPECT_EQ(Files(), std::vector<std::string>{"b.xlsx"});
}

TEST(CliText, ControlCharactersNeverReachTheTerminalRaw) {
    const fs::path dir = fs::temp_directory_path() / "tesk_cli_control_text";
    fs::create_directories(dir);
    const fs::path pileFile = dir / "escape.zw";
    std::ofstream(pileFile, std::ios::binary) << "B15060\x1b[2J 90 1\n0\n";
    const CliRun r = Cli(With(With({"piles"}, kMainLine), {"--piles", pileFile.string()}));
    fs::remove_all(dir);
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err.find('\x1b'), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("\\x1b[2J"), std::string::npos) << r.Err;

    const CliRun usage = Cli({"table", "--jd", "x", "--step", "\x1b]0;owned\x07"});
    EXPECT_EQ(usage.Status, 2);
    EXPECT_EQ(usage.Err.find('\x1b'), std::string::npos) << usage.Err;
    EXPECT_EQ(usage.Err.find('\x07'), std::string::npos) << usage.Err;
}

TEST(CliText, CurveNamesAreEscapedAndNeverReadAsFormulas) {
    const fs::path dir = fs::temp_directory_path() / "tesk_cli_curve_names";
    fs::create_directories(dir);
    const fs::path jd = dir / "names.jdx";
    std::ofstream(jd, std::ios::binary)
        << "names,0\n起点\n3452000.000 502000.000 0 0 0\n"
        << "=HYPERLINK(\"http://x\")\n3452430.294 502688.615 1200 150 150\n"
        << "J\x7f"
           "D\x1b[2JX" // a NUL byte is refused with the file
        << "\n3452548.421 503585.873 900 140 120\n"
        << "终点\n3453021.532 504180.655 0 0 0\n";
    const CliRun r = Cli({"curves", "--jd", jd.string()});
    fs::remove_all(dir);
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("\"'=HYPERLINK(\"\"http://x\"\")\",", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].substr(0, lines[2].find(",")), "J\\x7fD\\x1b[2JX");
}

TEST(CsvField, QuotesWhatASpreadsheetWouldSplitOrCompute) {
    const struct {
        std::string text;
        std::string field;
    } rows[] = {
        {"BK15+060.000", "BK15+060.000"},
        {"P1", "P1"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"=1+2", "\"'=1+2\""},
        {"+SUM(A1:A9)", "\"'+SUM(A1:A9)\""},
        {"@cmd", "\"'@cmd\""},
        {"-K0+012.300", "\"'-K0+012.300\""},
        {"-12.5", "-12.5"},
        {"+3", "+3"},
        {"-", "\"'-\""},
        {"a\r\nb", "a\\x0d\\x0ab"},
        {"\t=1", "\\x09=1"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CsvField(row.text), row.field) << row.text;
    }
}

TEST(CliUsage, HelpOfASubcommandIsPrintedOnceAndTheVersionIsKnown) {
    for (const char* sub : {"table", "piles", "draw"}) {
        const CliRun r = Cli({sub, "--help"});
        EXPECT_EQ(r.Status, 0);
        std::size_t usages = 0;
        for (std::size_t at = r.Out.find("Usage:"); at != std::string::npos;
             at = r.Out.find("Usage:", at + 1)) {
            ++usages;
        }
        EXPECT_EQ(usages, 1u) << sub << '\n' << r.Out;
    }
    const CliRun help = Cli({"draw", "--help"});
    EXPECT_NE(help.Out.find("--force"), std::string::npos) << help.Out;
    EXPECT_NE(help.Out.find("10000 km"), std::string::npos) << help.Out;

    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.Status, 0) << version.Err;
    EXPECT_EQ(version.Out, std::string("tesk-cli ") + TESK_VERSION + "\n");
}

} // namespace
} // namespace tesk::cli
