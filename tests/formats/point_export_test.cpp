#include "formats/point_export.h"

#include "geometry/error.h"
#include "geometry/number_text.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;

constexpr PointFormat kAllFormats[] = {PointFormat::Cass, PointFormat::Csv, PointFormat::Gsi,
                                       PointFormat::Sdr};

/// The lines of a file that must end every line with CR LF (and hold no other line end).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF: " << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
        start = end + 2;
    }
    return lines;
}

/// Fields separated by commas (no quoting).
std::vector<std::string> Commas(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

/// The words of a GSI-16 line after its "*", 24 characters each, the last blank included.
std::vector<std::string> GsiWords(const std::string& line) {
    EXPECT_EQ(line.front(), '*');
    EXPECT_EQ((line.size() - 1) % 24, 0u) << line;
    std::vector<std::string> words;
    for (std::size_t at = 1; at + 24 <= line.size(); at += 24) {
        words.push_back(line.substr(at, 24));
        EXPECT_EQ(words.back().back(), ' ') << words.back();
    }
    return words;
}

/// The GSI word of `index` in `words`, empty when there is none.
std::string GsiWord(const std::vector<std::string>& words, std::string_view index) {
    for (const std::string& word : words) {
        if (word.starts_with(index)) {
            return word;
        }
    }
    return {};
}

/// Columns `first`..`last` (1-based) of a fixed-column record, blanks around them removed.
std::string Columns(const std::string& record, std::size_t first, std::size_t last) {
    std::string text = record.substr(first - 1, last - first + 1);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string WithoutLeadingZeros(const std::string& text) {
    return text.substr(std::min(text.find_first_not_of('0'), text.size()));
}

/// The point IDs as a reader of `text` sees them, in order.
std::vector<std::string> IdsReadBack(PointFormat format, const std::string& text) {
    std::vector<std::string> ids;
    const std::vector<std::string> lines = Lines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        switch (format) {
        case PointFormat::Cass:
        case PointFormat::Csv: // the tests' names need no quotes
            ids.push_back(Commas(lines[i]).front());
            break;
        case PointFormat::Gsi:
            ids.push_back(WithoutLeadingZeros(GsiWord(GsiWords(lines[i]), "11").substr(7, 16)));
            break;
        case PointFormat::Sdr:
            if (i > 0) {
                ids.push_back(Columns(lines[i], 5, 20));
            }
            break;
        }
    }
    if (format == PointFormat::Csv && !ids.empty()) {
        ids.front().erase(0, 3); // the byte-order mark
    }
    return ids;
}

std::vector<FieldPoint> Named(const std::vector<std::string>& names) {
    std::vector<FieldPoint> points;
    for (const std::string& name : names) {
        points.push_back({name, 1.0, 2.0, 3.0, ""});
    }
    return points;
}

// ---- what each format writes ---------------------------------------------------------------

TEST(PointExport, FormatsAreNamedInAnyCase) {
    const struct {
        const char* name;
        std::optional<PointFormat> format;
    } rows[] = {
        {"cass", PointFormat::Cass}, {"CSV", PointFormat::Csv}, {"Gsi", PointFormat::Gsi},
        {"sDr", PointFormat::Sdr},   {"dxf", std::nullopt},     {"gsi ", std::nullopt},
        {"", std::nullopt},          {"gs", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PointFormatNamed(row.name), row.format) << row.name;
    }
    for (PointFormat format : kAllFormats) {
        EXPECT_EQ(PointFormatNamed(PointFormatName(format)), format);
    }
}

// One point north 3385123.4567, east -512987.6543 (a false easting can be left out), height
// -45.6789, in every format: east and north in their places, signs kept, rounded to 3 decimals.
TEST(PointExport, NorthEastAndHeightInTheirPlaces) {
    const std::vector<FieldPoint> points = {{"A1", 3385123.4567, -512987.6543, -45.6789, "PILE"}};
    const struct {
        PointFormat format;
        std::string file;
    } rows[] = {
        {PointFormat::Cass, "A1,PILE,-512987.654,3385123.457,-45.679\r\n"},
        {PointFormat::Csv, "\xEF\xBB\xBF"
                           "A1,3385123.457,-512987.654,-45.679,PILE\r\n"},
        {PointFormat::Gsi, "*110001+00000000000000A1 81..10-0000000512987654 "
                           "82..10+0000003385123457 83..10-0000000000045679 "
                           "71....+000000000000PILE \r\n"},
        {PointFormat::Sdr, "00NMSDR33 V04-04.02     08-Dec-26 15:50 111111\r\n"
                           "08KI              A13385123.457     -512987.654     "
                           "-45.679         PILE            \r\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RenderPointFile(row.format, points, 3, "08-Dec-26 15:50"), row.file)
            << PointFormatName(row.format);
    }
}

// Rounding is the program's own (correctly rounded from the double's binary value), the same in
// every format: a GSI integer is the printed text without its point, never a double multiplied
// and rounded on its own (1.0005 * 1000 is 1000.5 in doubles, but 1.0005 is stored below it).
TEST(PointExport, EveryFormatRoundsAsTheProgramPrints) {
    const struct {
        double value;
        int digits;
        const char* text; ///< cass, csv and sdr
        const char* gsi;  ///< information, sign and data of word 81
    } rows[] = {
        {0.00005, 4, "0.0001", "..16+0000000000000001"},
        {2.5e-5, 4, "0.0000", "..16+0000000000000000"},
        {2.5e-5, 5, "0.00003", "..18+0000000000000003"},
        {-2.5e-5, 4, "0.0000", "..16+0000000000000000"}, // no "-0"
        {-2.5e-5, 5, "-0.00003", "..18-0000000000000003"},
        {1.0005, 3, "1.000", "..10+0000000000001000"},
        {0.0045, 3, "0.004", "..10+0000000000000004"},
        {2.675, 2, "2.67", "..10+0000000000002675"}, // mm is the coarsest GSI unit
        {-1234.5675, 0, "-1235", "..10-0000000001234568"},
        {512987.65435, 12, "512987.654350000026", "..18+0000051298765435"},
        {99999999.99999, 4, "100000000.0000", "..16+0001000000000000"},
    };
    for (const auto& row : rows) {
        const std::vector<FieldPoint> points = {{"P", 1.0, row.value, std::nullopt, ""}};
        SCOPED_TRACE(std::to_string(row.value) + " at " + std::to_string(row.digits));
        EXPECT_EQ(Commas(Lines(RenderPointFile(PointFormat::Cass, points, row.digits))[0])[2],
                  row.text);
        EXPECT_EQ(Commas(Lines(RenderPointFile(PointFormat::Csv, points, row.digits))[0])[2],
                  row.text);
        const std::string sdr = Lines(RenderPointFile(PointFormat::Sdr, points, row.digits))[1];
        if (std::string(row.text).size() <= 16) {
            EXPECT_EQ(Columns(sdr, 37, 52), row.text);
        }
        const std::string gsi = Lines(RenderPointFile(PointFormat::Gsi, points, row.digits))[0];
        EXPECT_EQ(GsiWord(GsiWords(gsi), "81").substr(2, 21), row.gsi);
    }
}

// SDR33's 16 columns take fewer decimals when needed, never more characters; Z is 0 without a
// height. Too large for a fixed field (GSI, SDR) is refused, not cut.
TEST(PointExport, SdrNumbersFitTheirColumns) {
    const struct {
        double value;
        int digits;
        const char* text;
    } rows[] = {
        {-99999999.123456789, 12, "-99999999.123457"},
        {-1e8, 12, "-100000000.00000"},
        {0.5, 12, "0.500000000000"},
        {99999999.9999999, 8, "99999999.9999999"},
        {12.5, 0, "12"}, // a tie: 12.5 is exact, rounded to even as the program prints
    };
    for (const auto& row : rows) {
        const std::vector<FieldPoint> points = {{"1", row.value, 7.0, std::nullopt, ""}};
        const std::vector<std::string> lines =
            Lines(RenderPointFile(PointFormat::Sdr, points, row.digits));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1].size(), 84u) << lines[1];
        EXPECT_EQ(Columns(lines[1], 21, 36), row.text) << row.value;
        EXPECT_EQ(Columns(lines[1], 53, 68), geometry::FormatFixed(0.0, row.digits));
    }
    for (PointFormat format : {PointFormat::Gsi, PointFormat::Sdr}) {
        const std::string message = ErrorOf(
            [&] {
                RenderPointFile(format, {{"far", 1.0, 1e17, 0.0, ""}}, 5);
            },
            ErrorCode::Output);
        EXPECT_NE(message.find("\"far\""), std::string::npos) << message;
    }
}

TEST(PointExport, CassIsGbkWithCommasAndControlsReplaced) {
    const std::vector<FieldPoint> points = {
        {"桩号K1+200", 10.0, 20.0, std::nullopt, "桥墩"},
        {"a,b\t𠀀c", 1.0, 2.0, 3.0, "x,y\r\n"}, // 𠀀 is outside GBK
    };
    EXPECT_EQ(RenderPointFile(PointFormat::Cass, points, 1),
              "\xD7\xAE\xBA\xC5K1+200,\xC7\xC5\xB6\xD5,20.0,10.0,\r\n"
              "a_b__c,x_y__,2.0,1.0,3.0\r\n");
    EXPECT_EQ(PointIds(PointFormat::Cass, points),
              (std::vector<std::string>{"桩号K1+200", "a_b__c"}));
}

TEST(PointExport, CsvQuotesWhatNeedsQuotes) {
    const struct {
        std::string name, code, line;
    } rows[] = {
        {"a,b", "", "\"a,b\",1.00,2.00,,"},
        {"say \"hi\"", "c,d", "\"say \"\"hi\"\"\",1.00,2.00,,\"c,d\""},
        {"tab\there", "new\nline", "tab_here,1.00,2.00,,new_line"},
        {"=1+2", "桩", "=1+2,1.00,2.00,,桩"}, // for instruments: no spreadsheet guard
    };
    for (const auto& row : rows) {
        const std::string file =
            RenderPointFile(PointFormat::Csv, {{row.name, 1.0, 2.0, std::nullopt, row.code}}, 2);
        EXPECT_EQ(file, "\xEF\xBB\xBF" + row.line + "\r\n");
    }
}

TEST(PointExport, GsiBlocksCountToTenThousandAndCodesAreRemarks) {
    std::vector<FieldPoint> points;
    for (int i = 1; i <= 10001; ++i) {
        points.push_back({std::to_string(i), 1.0, 2.0, std::nullopt, i == 10000 ? "" : "桩 A"});
    }
    points[2].Code = "EDGE-OF-PAVEMENT-LEFT";
    const std::vector<std::string> lines = Lines(RenderPointFile(PointFormat::Gsi, points, 3));
    ASSERT_EQ(lines.size(), 10001u);
    const struct {
        std::size_t line;
        const char* id;
        const char* remark; ///< word 71, empty for none
    } rows[] = {
        {0, "110001+0000000000000001 ", "71....+0000000000000__A "},
        {2, "110003+0000000000000003 ", "71....+EDGE-OF-PAVEMENT "},
        {9999, "110000+0000000000010000 ", ""},
        {10000, "110001+0000000000010001 ", "71....+0000000000000__A "},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> words = GsiWords(lines[row.line]);
        EXPECT_EQ(words.front(), row.id);
        EXPECT_EQ(GsiWord(words, "71"), row.remark);
        EXPECT_EQ(GsiWord(words, "83"), ""); // no height, no word
    }
}

// ---- point IDs -----------------------------------------------------------------------------

TEST(PointExport, IdsAreUniqueAsTheReaderSeesThem) {
    const struct {
        PointFormat format;
        std::vector<std::string> names, ids;
    } rows[] = {
        // stations and offsets differ at the end: the last 16 characters are kept
        {PointFormat::Gsi,
         {"K15+120.000L12.500", "K15+120.000R12.500"},
         {"5+120.000L12.500", "5+120.000R12.500"}},
        // names in Chinese only; the point really named "_" keeps its name
        {PointFormat::Sdr, {"桩一", "桩二", "_"}, {"_~2", "_~3", "_"}},
        {PointFormat::Sdr, {"桩一", "_~2", "桩二"}, {"_", "_~2", "_~3"}},
        {PointFormat::Gsi, {"桩号 1", "a\tb", ""}, {"__1", "a_b", "P"}},
        // GSI reads "007" as 7; zeros only would read back as nothing
        {PointFormat::Gsi,
         {"007", "7", "0", "00", "P0", "0000000000000000000"},
         {"007~2", "7", "P0~2", "P00", "P0", "P000000000000000"}},
        // a name that starts with 0 and is no number (the first pier's piles) would read
        // back as "-1": it keeps its zero behind a "P"
        {PointFormat::Gsi, {"0-1", "0-2", "1-1", "-1"}, {"P0-1", "P0-2", "1-1", "-1"}},
        {PointFormat::Sdr, {"007", "7", "0", "00"}, {"007", "7", "0", "00"}},
        // the suffix keeps the ID at 16 characters by shortening it in front
        {PointFormat::Gsi,
         {"ABCDEFGHIJKLMNOPQ1", "XXCDEFGHIJKLMNOPQ1"},
         {"CDEFGHIJKLMNOPQ1", "EFGHIJKLMNOPQ1~2"}},
        {PointFormat::Cass, {"a,b", "a_b", "a𠀀", "a_"}, {"a_b~2", "a_b", "a_~2", "a_"}},
        {PointFormat::Csv, {"a\tb", "a_b", "a,b"}, {"a_b~2", "a_b", "a,b"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(PointFormatName(row.format));
        const std::vector<FieldPoint> points = Named(row.names);
        const std::vector<std::string> ids = PointIds(row.format, points);
        EXPECT_EQ(ids, row.ids);
        // The file holds exactly these IDs.
        std::vector<std::string> expected = ids;
        if (row.format == PointFormat::Gsi) {
            for (std::string& id : expected) {
                id = WithoutLeadingZeros(id);
            }
        }
        if (row.format != PointFormat::Csv) { // the CSV rows hold a quoted name
            EXPECT_EQ(IdsReadBack(row.format, RenderPointFile(row.format, points, 3)), expected);
        }
    }
}

// Twenty thousand names that all map to one ID, at the 16-character limit: every ID unique as
// read back, none longer than 16.
TEST(PointExport, ManyCollidingNamesStayUnique) {
    std::vector<std::string> names;
    for (char32_t cp = 0x4E00; cp < 0x4E00 + 20000; ++cp) {
        std::string name = "ABCDEFGHIJKLMNOP";
        name += static_cast<char>(0xE0 | (cp >> 12));
        name += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        name += static_cast<char>(0x80 | (cp & 0x3F));
        names.push_back(name);
    }
    for (PointFormat format : {PointFormat::Gsi, PointFormat::Sdr}) {
        const std::vector<std::string> ids =
            IdsReadBack(format, RenderPointFile(format, Named(names), 3));
        ASSERT_EQ(ids.size(), names.size());
        EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
        for (const std::string& id : ids) {
            ASSERT_LE(id.size(), 16u) << id;
        }
    }
}

// ---- refused -------------------------------------------------------------------------------

TEST(PointExport, DuplicateNamesAreFoundAndRefused) {
    const struct {
        std::vector<std::string> names;
        std::optional<std::string> duplicate;
    } rows[] = {
        {{}, std::nullopt},
        {{"a", "b", "A", "a,b", "a_b"}, std::nullopt}, // as given, before any mapping
        {{"a", "b", "a"}, "a"},
        {{"a", "b", "b", "a"}, "b"},
        {{"桩1", "", "桩1", ""}, "桩1"},
    };
    for (const auto& row : rows) {
        const std::vector<FieldPoint> points = Named(row.names);
        EXPECT_EQ(DuplicateName(points), row.duplicate);
        for (PointFormat format : kAllFormats) {
            if (row.duplicate) {
                const std::string message =
                    ErrorOf([&] { RenderPointFile(format, points, 3); }, ErrorCode::Output);
                EXPECT_NE(message.find("\"" + *row.duplicate + "\""), std::string::npos) << message;
            } else {
                EXPECT_NO_THROW(RenderPointFile(format, points, 3));
            }
        }
    }
}

TEST(PointExport, NonFiniteValuesAndBadDecimalsAreRefused) {
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::vector<FieldPoint> rows = {
        {"北1", kNan, 2.0, 3.0, ""},
        {"北1", 1.0, -kInf, 3.0, ""},
        {"北1", 1.0, 2.0, kInf, ""},
    };
    for (const FieldPoint& bad : rows) {
        const std::vector<FieldPoint> points = {{"ok", 1.0, 2.0, 3.0, ""}, bad};
        for (PointFormat format : kAllFormats) {
            const std::string message =
                ErrorOf([&] { RenderPointFile(format, points, 3); }, ErrorCode::Output);
            EXPECT_NE(message.find("\"北1\""), std::string::npos) << message;
        }
    }
    for (int digits : {-1, 13}) {
        for (PointFormat format : kAllFormats) {
            ErrorOf(
                [&] {
                    RenderPointFile(format, {{"ok", 1.0, 2.0, 3.0, ""}}, digits);
                },
                ErrorCode::Output);
        }
    }
}

// ---- the file ------------------------------------------------------------------------------

TEST(PointExport, WrittenSdrCarriesTheDateAndTime) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("tesk_point_export_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path target = folder / "points.sdr";
    {
        OutputFile output(target);
        WritePointFile(PointFormat::Sdr, {{"1", 1.0, 2.0, 3.0, ""}}, 3, output);
        output.Commit();
    }
    std::ifstream in(target, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove_all(folder);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0].substr(24, 16),
                                 std::regex(R"([0-3][0-9]-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|)"
                                            R"(Oct|Nov|Dec)-[0-9]{2} [0-2][0-9]:[0-5][0-9] )")))
        << lines[0];
}

} // namespace
} // namespace tesk::formats
