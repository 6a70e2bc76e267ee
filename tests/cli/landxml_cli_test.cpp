// LandXML through the command-line tool: written from a JD line and read back by every command.

#include "cli/cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tesk::cli {
namespace {

TEST(CliLandXml, WrittenAndReadBackGivesTheSamePoints) {
    const auto xml = std::filesystem::temp_directory_path() / "tesk_cli_main_line.xml";
    std::filesystem::remove(xml);
    const std::vector<std::string> profile = {"--profile", Sample("main_line.sqx")};
    ASSERT_EQ(Cli(With(With({"landxml"}, kMainLine), With(profile, {"--out", xml.string()})))
                  .Status,
              0);
    const std::vector<std::string> fromXml = {"--landxml", xml.string()};
    // The same stakes (the written stations of every chain-break section) at the same places,
    // with the profile the file carries.
    struct Case {
        std::vector<std::string> Args;
    };
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"table", "--station", "B15120", "--digits", "6"},
             {"point", "--station", "C20000", "--skew", "-7.5", "--angle", "60"},
             {"locate", "--point", "3453254.3327,504766.3420", "--digits", "6"}}) {
        const CliRun jd = Cli(With({args.front()}, With(With(kMainLine, profile),
                                                        {args.begin() + 1, args.end()})));
        const CliRun landxml =
            Cli(With({args.front()}, With(fromXml, {args.begin() + 1, args.end()})));
        ASSERT_EQ(jd.Status, 0) << jd.Err;
        ASSERT_EQ(landxml.Status, 0) << landxml.Err;
        EXPECT_EQ(landxml.Out, jd.Out) << args.front();
    }
    // Curves of a LandXML line name their radii, never a code for "infinite".
    const std::vector<std::string> curves = Lines(Cli(With({"curves"}, fromXml)).Out);
    EXPECT_EQ(curves.at(1).substr(0, 21), "1,straight,INF,INF,47");
    // An alignment that is not in the file is refused with the names that are.
    const CliRun unknown = Cli(With({"table"}, With(fromXml, {"--alignment", "X", "--station",
                                                              "B15120"})));
    EXPECT_EQ(unknown.Status, 1);
    EXPECT_EQ(Cli(With({"landxml"}, With(kMainLine, {"--out", xml.string()}))).Status, 1)
        << "an existing output needs --force";
    std::filesystem::remove(xml);
}

} // namespace
} // namespace tesk::cli
