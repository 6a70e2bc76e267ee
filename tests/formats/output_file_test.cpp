#include "formats/output_file.h"

#include "geometry/error.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;
using testing::ErrorOf;
namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tesk_output_file_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    fs::path m_dir;
};

TEST_F(OutputFileTest, AFailedWriteLeavesNoTemporaryAndTheOlderFileAsItWas) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> write;
        const char* passedOn; // the writer's message, passed on; nullptr: the routine's own error
    };
    const std::vector<Case> cases = {
        {"writer throws",
         [](const fs::path& temporary) {
             Put(temporary, "half a table");
             throw std::runtime_error("writer gave up");
         },
         "writer gave up"},
        {"writer's own error",
         [](const fs::path&) { throw RuntimeError(ErrorCode::Output, "refused"); }, "refused"},
        {"temporary gone before the rename",
         [](const fs::path& temporary) { fs::remove(temporary); }, nullptr},
    };
    const fs::path target = m_dir / "桩位坐标.xlsx";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(target, "older table");
        if (c.passedOn == nullptr) {
            const std::string message =
                ErrorOf([&] { WriteOutputFile(target, c.write); }, ErrorCode::FileAccess);
            EXPECT_NE(message.find(target.string()), std::string::npos) << message;
        } else {
            try {
                WriteOutputFile(target, c.write);
                ADD_FAILURE() << "nothing thrown";
            } catch (const std::exception& error) {
                EXPECT_STREQ(error.what(), c.passedOn);
            }
        }
        EXPECT_EQ(Contents(target), "older table");
        EXPECT_EQ(Files(), std::vector<std::string>{"桩位坐标.xlsx"});
    }
}

TEST_F(OutputFileTest, ASuccessfulWriteReplacesTheContent) {
    const fs::path target = m_dir / "a.dxf";
    Put(target, "older drawing with more bytes than the new one");
    WriteOutputFile(target, std::string_view("new\0drawing", 11));
    EXPECT_EQ(Contents(target), std::string("new\0drawing", 11));
    WriteOutputFile(m_dir / "b.dxf", ""); // a new, empty file
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.dxf", "b.dxf"}));

    // Several outputs prepared first, then put in place together.
    OutputFile first(m_dir / "a.dxf");
    OutputFile second(m_dir / "c.xlsx");
    Put(first.TemporaryPath(), "first");
    Put(second.TemporaryPath(), "second");
    EXPECT_EQ(Contents(m_dir / "a.dxf"), std::string("new\0drawing", 11));
    first.Commit();
    second.Commit();
    EXPECT_EQ(Contents(m_dir / "a.dxf"), "first");
    EXPECT_EQ(Contents(m_dir / "c.xlsx"), "second");
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.dxf", "b.dxf", "c.xlsx"}));
    ErrorOf([&] { first.Commit(); }, ErrorCode::FileAccess); // not twice
    EXPECT_EQ(Contents(m_dir / "a.dxf"), "first");
}

TEST_F(OutputFileTest, UnwritablePlacesAreFileAccessErrorsNamingThePath) {
    fs::create_directories(m_dir / "folder.dxf" / "inside");
    for (const fs::path& target :
         {m_dir / "missing" / "a.dxf", m_dir / "folder.dxf", fs::path(), m_dir / "ends-in-slash/",
          m_dir / (std::string(250, 'z') + ".xlsx")}) {
        SCOPED_TRACE(target.string());
        const std::string message =
            ErrorOf([&] { WriteOutputFile(target, "bytes"); }, ErrorCode::FileAccess);
        EXPECT_EQ(message.rfind("cannot write \"" + target.string() + "\": ", 0), 0u) << message;
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "folder.dxf" / "inside"));
    EXPECT_EQ(Files(), std::vector<std::string>{"folder.dxf"});
}

TEST_F(OutputFileTest, TheTemporaryIsANamedFileInTheTargetsFolder) {
    const fs::path target = m_dir / "设计线.dxf";
    Put(target, "older drawing");
    {
        OutputFile output(target);
        const fs::path temporary = output.TemporaryPath();
        EXPECT_EQ(temporary.parent_path(), m_dir);
        const std::string name = temporary.filename().string();
        const std::string start = ".设计线.dxf.tesk-" + std::to_string(::getpid()) + "-";
        EXPECT_EQ(name.rfind(start, 0), 0u) << name;
        EXPECT_TRUE(name.ends_with(".tmp")) << name;
        EXPECT_TRUE(fs::is_regular_file(temporary));
        EXPECT_NE(OutputFile(target).TemporaryPath(), temporary); // names do not collide
    }
    // Not committed: the temporary is gone and the older file kept.
    EXPECT_EQ(Files(), std::vector<std::string>{"设计线.dxf"});
    EXPECT_EQ(Contents(target), "older drawing");
}

} // namespace
} // namespace tesk::formats
