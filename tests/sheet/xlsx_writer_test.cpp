#include "sheet/xlsx_writer.h"

#include "error_of.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace tesk::sheet {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;
namespace fs = std::filesystem;

TEST(SheetXlsxWriter, NumberFormatsAreStoredTheWayExcelStoresThem) {
    EXPECT_EQ(StoredNumberFormat("K0+000.000"), "\"K\"0+000.000");
    EXPECT_EQ(StoredNumberFormat("K0+000"), "\"K\"0+000");
    EXPECT_EQ(StoredNumberFormat("G/通用格式"), "");
    EXPECT_EQ(StoredNumberFormat("General"), "");
    EXPECT_EQ(StoredNumberFormat("0.0000"), "0.0000");
    // Codes and already quoted or escaped literals stay as they are.
    EXPECT_EQ(StoredNumberFormat("yyyy-mm-dd hh:mm:ss"), "yyyy-mm-dd hh:mm:ss");
    EXPECT_EQ(StoredNumberFormat("0.00E+00"), "0.00E+00");
    EXPECT_EQ(StoredNumberFormat("\"K\"0+000.000"), "\"K\"0+000.000");
    EXPECT_EQ(StoredNumberFormat("\\K0+000"), "\\K0+000");
    EXPECT_EQ(StoredNumberFormat("[Red]0.00"), "[Red]0.00");
    // Other letters and Chinese characters are quoted.
    EXPECT_EQ(StoredNumberFormat("0.000米"), "0.000\"米\"");
    EXPECT_EQ(StoredNumberFormat("ZK0+000"), "\"ZK\"0+000");
    EXPECT_EQ(StoredNumberFormat("G/通用格式;-G/通用格式"), "General;-General");
}

class SheetXlsxWriterFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("tesk_sheet_test_" + std::to_string(random()));
        fs::create_directories(m_dir);
        m_book.AddWorksheet().SetValue({1, 1}, 1234.5);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    static std::string Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
    Workbook m_book;
};

TEST_F(SheetXlsxWriterFiles, WritesAZipPackageAndReplacesAnOlderFile) {
    const fs::path path = m_dir / "桩位坐标表.xlsx";
    Put(path, "older table");
    WriteXlsx(m_book, path);
    const std::string written = Contents(path);
    ASSERT_GT(written.size(), 1000u);
    EXPECT_EQ(written.substr(0, 2), "PK"); // a ZIP container
    EXPECT_EQ(EntriesInDir(), 1u);         // no temporary file left behind
}

TEST_F(SheetXlsxWriterFiles, AFailedWriteLeavesTheOlderFileAsItWas) {
    // A name so long that no temporary name fits beside it: the write must fail before
    // touching the older file.
    const fs::path path = m_dir / (std::string(245, 'z') + ".xlsx");
    Put(path, "older table");
    EXPECT_EQ(ErrorOf([&] { WriteXlsx(m_book, path); }), ErrorCode::FileAccess);
    EXPECT_EQ(Contents(path), "older table");
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(SheetXlsxWriterFiles, UnwritablePlacesAreFileAccessErrors) {
    EXPECT_EQ(ErrorOf([&] { WriteXlsx(m_book, m_dir / "missing" / "t.xlsx"); }),
              ErrorCode::FileAccess);
    // A folder of that name is not overwritten.
    fs::create_directory(m_dir / "folder.xlsx");
    Put(m_dir / "folder.xlsx" / "inside.txt", "kept");
    EXPECT_EQ(ErrorOf([&] { WriteXlsx(m_book, m_dir / "folder.xlsx"); }), ErrorCode::FileAccess);
    EXPECT_EQ(Contents(m_dir / "folder.xlsx" / "inside.txt"), "kept");
    EXPECT_EQ(EntriesInDir(), 1u);
    EXPECT_EQ(ErrorOf([&] { WriteXlsx(m_book, fs::path()); }), ErrorCode::EmptyPath);
}

TEST_F(SheetXlsxWriterFiles, AWorkbookWithoutSheetsStillMakesAFile) {
    const fs::path path = m_dir / "empty.xlsx";
    WriteXlsx(Workbook{}, path);
    EXPECT_EQ(Contents(path).substr(0, 2), "PK");
}

} // namespace
} // namespace tesk::sheet
