#pragma once

// Small loaded lines and temporary files for the command tests.

#include "session/session.h"
#include "support/vertex_rows.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace tesk::testing {

/// A straight JD line heading due north from (1000, 2000), mileage 0 .. 1000, with `breaks`.
inline session::LoadedLine NorthLine(const std::vector<stationing::ChainBreak>& breaks = {}) {
    session::LoadedLine line;
    line.Jd = std::make_shared<const jd::JdAlignment>(
        JdInputOf(0.0, {{"A", 1000.0, 2000.0}, {"B", 2000.0, 2000.0}}));
    line.Breaks = stationing::Stationing(breaks, line.Line().Start(), line.Line().End());
    return line;
}

/// NorthLine with one forward chain break at mileage 400: written stations A0 .. A400, then
/// B500 .. B1100; the values between 400 and 500 do not exist.
inline session::LoadedLine NorthLineWithGap() {
    return NorthLine({{400.0, 500.0}});
}

/// A sample file of the project.
inline std::string Sample(const std::string& name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

/// A file in the temporary folder, removed again at the end of the test.
class TempFile {
public:
    TempFile(const std::string& name, const std::string& content)
        : m_path(std::filesystem::temp_directory_path() /
                 (std::to_string(::getpid()) + "_" + name)) {
        Write(content);
    }
    ~TempFile() { std::filesystem::remove(m_path); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void Write(const std::string& content) const {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << content;
    }
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

} // namespace tesk::testing
