#include "formats/output_file.h"

#include "geometry/error.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#define TESK_POSIX_FILES 1
#else
#include <process.h>
#endif

namespace tesk::formats {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

[[noreturn]] void Fail(const std::filesystem::path& target, const std::string& reason) {
    throw RuntimeError(ErrorCode::FileAccess, CannotWriteMessage(target, reason));
}

std::string ErrnoText(int error, const char* fallback) {
    return error != 0 ? std::strerror(error) : fallback;
}

long ProcessId() {
#ifdef TESK_POSIX_FILES
    return static_cast<long>(::getpid());
#else
    return static_cast<long>(::_getpid());
#endif
}

std::FILE* OpenForWriting(const std::filesystem::path& path, bool exclusive) {
#ifdef _WIN32
    return ::_wfopen(path.c_str(), exclusive ? L"wbx" : L"wb"); // Chinese folder names need UTF-16
#else
    return std::fopen(path.c_str(), exclusive ? "wbx" : "wb");
#endif
}

/// Writes the data of `path` to disk. Returns 0, or the errno of the step that failed.
int SyncToDisk(const std::filesystem::path& path) {
#ifdef TESK_POSIX_FILES
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno != 0 ? errno : EIO;
    }
    int error = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
#else
    (void)path; // the rename below is what Windows offers without native handles
    return 0;
#endif
}

} // namespace

std::string CannotWriteMessage(const std::filesystem::path& path, const std::string& reason) {
    const std::u8string name = path.u8string();
    std::string message = "cannot write \"";
    message.append(reinterpret_cast<const char*>(name.data()), name.size());
    message += "\": ";
    message += reason;
    return message;
}

OutputFile::OutputFile(std::filesystem::path target) : m_target(std::move(target)) {
    if (m_target.empty() || !m_target.has_filename()) {
        Fail(m_target, "no file name");
    }
    std::random_device seed;
    std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tesk-%ld-%016llx.tmp", ProcessId(),
                      static_cast<unsigned long long>(random()));
        std::filesystem::path name(".");
        name += m_target.filename();
        name += suffix;
        const std::filesystem::path candidate = m_target.parent_path() / name;
        errno = 0;
        // "x": fail rather than take over a file that exists.
        if (std::FILE* file = OpenForWriting(candidate, true)) {
            m_temporary = candidate;
            if (std::fclose(file) != 0) {
                const int error = errno;
                Discard();
                Fail(m_target, ErrnoText(error, "cannot close the temporary file"));
            }
            return;
        }
        if (errno != EEXIST) {
            Fail(m_target, ErrnoText(errno, "cannot create a temporary file"));
        }
    }
    Fail(m_target, "no free temporary file name");
}

OutputFile::~OutputFile() {
    Discard();
}

void OutputFile::Commit() {
    if (m_temporary.empty()) {
        Fail(m_target, "the file was already committed or discarded");
    }
    if (const int error = SyncToDisk(m_temporary); error != 0) {
        Discard();
        Fail(m_target, std::strerror(error));
    }
    std::error_code error;
    std::filesystem::rename(m_temporary, m_target, error);
    if (error) {
        Discard();
        Fail(m_target, error.message());
    }
    m_temporary.clear();
}

void OutputFile::Discard() noexcept {
    if (!m_temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

void WriteOutputFile(const std::filesystem::path& target,
                     const std::function<void(const std::filesystem::path& temporary)>& write) {
    OutputFile output(target);
    write(output.TemporaryPath());
    output.Commit();
}

void WriteOutputFile(const std::filesystem::path& target, std::string_view bytes) {
    WriteOutputFile(target, [&](const std::filesystem::path& temporary) {
        errno = 0;
        std::FILE* file = OpenForWriting(temporary, false);
        if (file == nullptr) {
            Fail(target, ErrnoText(errno, "cannot open the temporary file"));
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                             std::fflush(file) == 0;
        const int writeError = errno;
        const bool closed = std::fclose(file) == 0;
        if (!written || !closed) {
            Fail(target, ErrnoText(!written ? writeError : errno, "write failed"));
        }
    });
}

} // namespace tesk::formats
