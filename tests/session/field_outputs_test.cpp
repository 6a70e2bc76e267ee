#include "session/field_outputs.h"

#include "session_fixture.h"
#include "support/recording_prompts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <variant>

namespace tesk::session {
namespace {

using testing::RecordingPrompts;

TEST(FieldPointNames, StakesSideStakesAndPiles) {
    const struct {
        std::string Name;
        const char* Expected;
    } rows[] = {
        {StakeName("BK15+120.000"), "BK15+120"},
        {StakeName("K15+120.350"), "K15+120.35"},
        {StakeName("K0+000.000"), "K0+000"},
        {StakeName("K15+100"), "K15+100"},         // no decimals to drop
        {StakeName("K15+100.0a0"), "K15+100.0a0"}, // not a number after the point: as it is
        {SideStakeName("BK15+120.000", 12.5), "BK15+120L12.5"},
        {SideStakeName("K15+120.000", -7.25), "K15+120R7.25"},
        {SideStakeName("K15+120.500", 0.0), "K15+120.5"},
        {PileName(0, 1), "0-1"},
        {PileName(3, 2), "3-2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.Name, row.Expected);
    }
}

TEST(PolarSetup, TypedPointsAndTheirRefusals) {
    const struct {
        const char* Station;
        const char* Backsight;
        const char* Refusal; ///< nullptr: accepted
    } rows[] = {
        {"3453200, 504700", "3453300,504800", nullptr},
        {"3453200", "3453300,504800", "测站点坐标有误，应为北坐标,东坐标，如3452500.5,503100！"},
        {"3453200,abc", "3453300,504800",
         "测站点坐标有误，应为北坐标,东坐标，如3452500.5,503100！"},
        {"3453200,504700", "", "后视点坐标有误，应为北坐标,东坐标，如3452500.5,503100！"},
        {"3453200,504700", "3453300,5048000000", // a slipped decimal point
         "后视点坐标有误，应为北坐标,东坐标，如3452500.5,503100！"},
        {"3453200,504700", "3453200.0004,504700.0004",
         "测站点与后视点重合，无法定向，请检查坐标！"},
        {"3453200,504700", "3453200,504700.002", nullptr},
    };
    for (const auto& row : rows) {
        const auto setup = MakePolarSetup(row.Station, row.Backsight);
        if (row.Refusal == nullptr) {
            EXPECT_TRUE(std::holds_alternative<PolarSetup>(setup))
                << row.Station << " " << row.Backsight;
        } else {
            ASSERT_TRUE(std::holds_alternative<Refusal>(setup))
                << row.Station << " " << row.Backsight;
            EXPECT_EQ(std::get<Refusal>(setup).Message, row.Refusal);
        }
    }
}

TEST(PolarSetup, APointAtTheStationIsRefusedByName) {
    const PolarSetup setup{{100, 200}, {200, 200}};
    const std::vector<formats::FieldPoint> points = {{"1-1", 110, 200, {}, {}},
                                                     {"1-2", 100.0002, 200.0002, {}, {}}};
    const auto table = PolarTable(setup, points);
    ASSERT_TRUE(std::holds_alternative<Refusal>(table));
    EXPECT_EQ(std::get<Refusal>(table).Message, "点1-2与测站点重合，无法放样，请检查坐标！");
    const auto fine = PolarTable(setup, {points[0]});
    ASSERT_TRUE(std::holds_alternative<std::vector<geometry::PolarValues>>(fine));
    EXPECT_EQ(std::get<std::vector<geometry::PolarValues>>(fine).at(0).Distance, 10.0);
}

TEST(ExportPointFile, WritesTheFormatOfTheExtensionAndRefusesWhatCannotBeAFile) {
    const struct {
        const char* Path;
        std::optional<formats::PointFormat> Format;
    } extensions[] = {
        {"a/piles.DAT", formats::PointFormat::Cass},
        {"piles.csv", formats::PointFormat::Csv},
        {"x.Gsi", formats::PointFormat::Gsi},
        {"x.sdr", formats::PointFormat::Sdr},
        {"x.txt", std::nullopt},
        {"folder.gsi/x", std::nullopt},
        {"noextension", std::nullopt},
    };
    for (const auto& row : extensions) {
        EXPECT_EQ(PointFormatOfPath(row.Path), row.Format) << row.Path;
    }

    const auto path = std::filesystem::temp_directory_path() /
                      ("tesk_export_" + std::to_string(::getpid()) + ".csv");
    RecordingPrompts prompts;
    EXPECT_FALSE(ExportPointFile(prompts, {}, formats::PointFormat::Csv, path.string()));
    const std::vector<formats::FieldPoint> twice = {{"K1+000", 1, 2, {}, {}},
                                                    {"K1+000", 3, 4, {}, {}}};
    EXPECT_FALSE(ExportPointFile(prompts, twice, formats::PointFormat::Csv, path.string()));
    EXPECT_EQ(prompts.Refusals,
              (std::vector<std::string>{"没有可导出的点，请先计算！",
                                        "点名K1+000重复，点文件中的点名必须各不相同！"}));
    EXPECT_FALSE(std::filesystem::exists(path));

    EXPECT_TRUE(ExportPointFile(prompts, {twice[0]}, formats::PointFormat::Csv, path.string(), 3));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, "\xEF\xBB\xBFK1+000,1.000,2.000,,\r\n");
    std::filesystem::remove(path);
}

} // namespace
} // namespace tesk::session
