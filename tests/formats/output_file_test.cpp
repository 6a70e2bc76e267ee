#include "formats/output_file.h"

#include "geometry/error.h"
#include "support/error_of.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tesk::formats {
namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;
using testing::ErrorOf;
namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
protected:
    std::vector<std::string> Files() const { return m_folder.Files(); }
    static std::string Contents(const fs::path& path) {
        return testing::ScratchFolder::Contents(path);
    }
    static void Put(const fs::path& path, const std::string& text) {
        testing::ScratchFolder::PutFile(path, text);
    }

    testing::ScratchFolder m_folder{"tesk_output_file_"};
    const fs::path m_dir = m_folder.Path();
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

/// The process id of a child that has ended (and been reaped): no process has it for now.
pid_t DeadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST_F(OutputFileTest, ALaterRunRemovesTheStaleTemporariesOfDeadRunsOnly) {
    const std::string dead = std::to_string(DeadProcessId());
    const std::string alive = std::to_string(::getppid());
    const std::string own = std::to_string(::getpid());
    const std::string hex = "0123456789abcdef";
    const auto old =
        fs::file_time_type::clock::now() - kStaleTemporaryAge - std::chrono::minutes(1);
    const struct {
        std::string name;
        bool stale; // removed by a later run
        bool young = false;
    } rows[] = {
        {".a.dxf.tesk-" + dead + "-" + hex + ".tmp", true},
        {".桩位坐标.xlsx.tesk-" + dead + "-" + hex + ".tmp", true},
        {".a.dxf.tesk-" + dead + "-" + hex + ".tmp.bak", false},
        {".a.dxf.tesk-" + dead + "-" + hex.substr(1) + ".tmp", false},
        {".a.dxf.tesk-" + dead + "-0123456789ABCDEF.tmp", false},
        {"a.dxf.tesk-" + dead + "-" + hex + ".tmp", false},
        {".tesk-" + dead + "-" + hex + ".tmp", false},
        {".a.dxf.tesk-x" + dead + "-" + hex + ".tmp", false},
        {".a.dxf.tesk-" + alive + "-" + hex + ".tmp", false},
        {".a.dxf.tesk-" + own + "-" + hex + ".tmp", false},
        {".b.dxf.tesk-" + dead + "-" + hex + ".tmp", false, true},
    };
    std::vector<std::string> kept = {"sub"};
    for (const auto& row : rows) {
        Put(m_dir / row.name, "half a drawing");
        if (!row.young) {
            fs::last_write_time(m_dir / row.name, old);
        }
        if (!row.stale) {
            kept.push_back(row.name);
        }
    }
    // A folder of that name and a temporary one level down are not touched either.
    fs::create_directories(m_dir / "sub" / (".a.dxf.tesk-" + dead + "-" + hex + ".tmp"));
    fs::last_write_time(m_dir / "sub" / (".a.dxf.tesk-" + dead + "-" + hex + ".tmp"), old);
    std::sort(kept.begin(), kept.end());

    WriteOutputFile(m_dir / "sub" / "c.dxf", "drawing");
    EXPECT_EQ(Files().size(), std::size(rows) + 1) << "another folder's run removes nothing here";
    WriteOutputFile(m_dir / "c.dxf", "drawing");
    kept.insert(std::lower_bound(kept.begin(), kept.end(), "c.dxf"), "c.dxf");
    EXPECT_EQ(Files(), kept);
    EXPECT_TRUE(fs::is_directory(m_dir / "sub" / (".a.dxf.tesk-" + dead + "-" + hex + ".tmp")));
}

TEST_F(OutputFileTest, AnInterruptRemovesTheTemporariesAndEndsTheProcessBySignal) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(signal, SIG_DFL); // as in a terminal, whatever ran the tests ignores
            InstallInterruptCleanup();
            OutputFile first(m_dir / "a.dxf");
            OutputFile second(m_dir / "b.xlsx");
            first.Write("half a drawing");
            (void)!::write(ready[1], "x", 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(Files().size(), 2u) << "both temporaries exist";
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_TRUE(Files().empty());
    }
}

TEST_F(OutputFileTest, AReplacementKeepsTheModeAndALinkStaysALink) {
    const struct {
        const char* name;
        fs::perms mode;
    } rows[] = {
        {"private.dxf", fs::perms::owner_read | fs::perms::owner_write},
        {"readonly.xlsx", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read},
        {"shared.dxf", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write},
    };
    for (const auto& row : rows) {
        Put(m_dir / row.name, "older");
        fs::permissions(m_dir / row.name, row.mode);
        WriteOutputFile(m_dir / row.name, "newer");
        EXPECT_EQ(Contents(m_dir / row.name), "newer");
        EXPECT_EQ(fs::status(m_dir / row.name).permissions(), row.mode) << row.name;
    }

    fs::create_directories(m_dir / "real");
    Put(m_dir / "real" / "line.dxf", "older");
    fs::create_symlink("real/line.dxf", m_dir / "link.dxf");
    fs::create_symlink("link.dxf", m_dir / "link2.dxf");
    fs::create_symlink(m_dir / "real" / "new.dxf", m_dir / "dangling.dxf");
    WriteOutputFile(m_dir / "link2.dxf", "through two links");
    WriteOutputFile(m_dir / "dangling.dxf", "a new file where the link points");
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.dxf"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link2.dxf"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "dangling.dxf"));
    EXPECT_EQ(Contents(m_dir / "real" / "line.dxf"), "through two links");
    EXPECT_EQ(Contents(m_dir / "real" / "new.dxf"), "a new file where the link points");

    fs::create_symlink("loop.dxf", m_dir / "loop.dxf");
    ErrorOf([&] { WriteOutputFile(m_dir / "loop.dxf", "x"); }, ErrorCode::FileAccess);
    fs::create_symlink("real", m_dir / "folder-link.dxf");
    ErrorOf([&] { WriteOutputFile(m_dir / "folder-link.dxf", "x"); }, ErrorCode::FileAccess);
    EXPECT_EQ(Files(), (std::vector<std::string>{"dangling.dxf", "folder-link.dxf", "link.dxf",
                                                 "link2.dxf", "loop.dxf", "private.dxf",
                                                 "readonly.xlsx", "real", "shared.dxf"}));
}

TEST_F(OutputFileTest, CommitAllReplacesEveryTargetOrNone) {
    Put(m_dir / "a.xlsx", "older workbook");
    {
        OutputFile workbook(m_dir / "a.xlsx");
        OutputFile drawing(m_dir / "b.dxf");
        workbook.Write("newer workbook");
        drawing.Write("newer drawing");
        fs::remove(drawing.TemporaryPath()); // the second cannot be flushed
        ErrorOf([&] { CommitAll({&workbook, nullptr, &drawing}); }, ErrorCode::FileAccess);
        EXPECT_TRUE(workbook.TemporaryPath().empty()) << "discarded";
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"a.xlsx"});
    EXPECT_EQ(Contents(m_dir / "a.xlsx"), "older workbook");

    OutputFile workbook(m_dir / "a.xlsx");
    OutputFile drawing(m_dir / "b.dxf");
    workbook.Write("newer workbook");
    drawing.Write("newer drawing");
    CommitAll({&workbook, &drawing});
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.xlsx", "b.dxf"}));
    EXPECT_EQ(Contents(m_dir / "a.xlsx"), "newer workbook");
    EXPECT_EQ(Contents(m_dir / "b.dxf"), "newer drawing");
}

} // namespace
} // namespace tesk::formats
