#pragma once

// A fresh empty folder for one test, removed with everything in it at the end (read-only
// permissions a test set are lifted first).

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace tesk::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix = "tesk_test_")
        : m_path(std::filesystem::temp_directory_path() /
                 (prefix + std::to_string(std::random_device{}()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    /// The path of `name` in the folder, as a string.
    std::string PathOf(const std::string& name) const { return (m_path / name).string(); }
    /// Writes `content` to `name` in the folder; returns its path.
    std::string Put(const std::string& name, const std::string& content) const {
        PutFile(m_path / name, content);
        return PathOf(name);
    }
    /// The names in the folder, temporaries included, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static void PutFile(const std::filesystem::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string Contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
};

} // namespace tesk::testing
