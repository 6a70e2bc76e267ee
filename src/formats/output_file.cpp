#include "formats/output_file.h"

#include "geometry/error.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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

/// How a file is opened for writing: a new file that must not exist yet, an existing one
/// emptied, or an existing one written at its end.
enum class OpenMode { Exclusive, Truncate, Append };

std::FILE* OpenForWriting(const std::filesystem::path& path, OpenMode mode) {
#ifdef _WIN32
    const wchar_t* flags = mode == OpenMode::Exclusive ? L"wbx"
                           : mode == OpenMode::Append  ? L"ab"
                                                       : L"wb";
    return ::_wfopen(path.c_str(), flags); // Chinese folder names need UTF-16
#else
    const char* flags = mode == OpenMode::Exclusive ? "wbx"
                        : mode == OpenMode::Append  ? "ab"
                                                    : "wb";
    return std::fopen(path.c_str(), flags);
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

// ---- The temporaries the signal handlers remove ---------------------------------------------
//
// A fixed table, so that a handler needs neither locks nor allocation: a slot is claimed by
// moving its state from free to filling, its path copied, then published as in use. The
// handler unlinks the paths of the slots in use and nothing else.

constexpr int kSlotCount = 64;
constexpr std::size_t kSlotPathSize = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kInUse = 2 };

struct TemporarySlot {
    std::atomic<int> State{kFree};
    char Path[kSlotPathSize] = {};
};

TemporarySlot g_slots[kSlotCount];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the states");

/// Records `path` for the signal handlers; returns its slot, or -1 when the table is full or the
/// path too long (the temporary is then removed only by its owner or a later run).
int RegisterTemporary(const std::filesystem::path& path) {
    const std::string native = path.string();
    if (native.size() >= kSlotPathSize) {
        return -1;
    }
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (g_slots[i].State.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(g_slots[i].Path, native.c_str(), native.size() + 1);
            g_slots[i].State.store(kInUse);
            return i;
        }
    }
    return -1;
}

void UnregisterTemporary(int& slot) noexcept {
    if (slot >= 0) {
        g_slots[slot].State.store(kFree);
        slot = -1;
    }
}

#ifdef TESK_POSIX_FILES
extern "C" void RemoveTemporariesAndReraise(int signal) {
    const int savedErrno = errno;
    for (TemporarySlot& slot : g_slots) {
        if (slot.State.load() == kInUse) {
            ::unlink(slot.Path);
        }
    }
    errno = savedErrno;
    // Installed with SA_RESETHAND | SA_NODEFER: the default action is back and not blocked, so
    // the process ends by the signal it was sent.
    ::raise(signal);
}
#endif

/// Where `target` leads: its symbolic links followed (relative links from their own folder),
/// up to 40 of them; `target` itself when it is no link or does not exist.
std::filesystem::path FollowLinks(const std::filesystem::path& target) {
    std::filesystem::path path = target;
    for (int links = 0; links < 40; ++links) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)) || error) {
            return path;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(path, error);
        if (error) {
            Fail(target, error.message());
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    Fail(target, "too many levels of symbolic links");
}

/// Whether `name` is exactly ".<something>.tesk-<decimal pid>-<16 lowercase hex>.tmp"; the pid
/// goes to `pid`.
bool IsTemporaryName(const std::string& name, long& pid) {
    constexpr std::string_view kTag = ".tesk-";
    constexpr std::string_view kTail = ".tmp";
    constexpr std::size_t kHexDigits = 16;
    if (name.size() < 2 + kTag.size() + 1 + 1 + kHexDigits + kTail.size() || name[0] != '.' ||
        name.compare(name.size() - kTail.size(), kTail.size(), kTail) != 0) {
        return false;
    }
    const std::size_t hexStart = name.size() - kTail.size() - kHexDigits;
    for (std::size_t i = hexStart; i < hexStart + kHexDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    if (name[hexStart - 1] != '-') {
        return false;
    }
    std::size_t digitsStart = hexStart - 1;
    while (digitsStart > 0 && name[digitsStart - 1] >= '0' && name[digitsStart - 1] <= '9') {
        --digitsStart;
    }
    const std::size_t digits = hexStart - 1 - digitsStart;
    if (digits == 0 || digits > 9 || name[digitsStart] == '0' || digitsStart < 2 + kTag.size() ||
        name.compare(digitsStart - kTag.size(), kTag.size(), kTag) != 0) {
        return false;
    }
    pid = std::stol(name.substr(digitsStart, digits));
    return true;
}

} // namespace

std::size_t RemoveStaleTemporaries(const std::filesystem::path& folder) {
#ifdef TESK_POSIX_FILES
    std::size_t removed = 0;
    std::error_code error;
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    std::filesystem::directory_iterator entries(where, error);
    if (error) {
        return 0;
    }
    const auto now = std::filesystem::file_time_type::clock::now();
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) {
            break;
        }
        const std::filesystem::path& path = entries->path();
        long pid = 0;
        if (!IsTemporaryName(path.filename().string(), pid) || pid == ProcessId()) {
            continue;
        }
        std::error_code statusError;
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, statusError)) ||
            statusError) {
            continue;
        }
        const auto written = std::filesystem::last_write_time(path, statusError);
        if (statusError || now - written < kStaleTemporaryAge) {
            continue;
        }
        // Only a process that is certainly gone: EPERM means it exists under another user.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) {
            continue;
        }
        if (std::filesystem::remove(path, statusError) && !statusError) {
            ++removed;
        }
    }
    return removed;
#else
    (void)folder;
    return 0;
#endif
}

void InstallInterruptCleanup() {
#ifdef TESK_POSIX_FILES
    static std::atomic<bool> installed{false};
    if (installed.exchange(true)) {
        return;
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) {
            continue; // a signal ignored on purpose (nohup, a background job) stays ignored
        }
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndReraise;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        ::sigaction(signal, &action, nullptr);
    }
#endif
}

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
    m_destination = FollowLinks(m_target);
    std::error_code statusError;
    if (std::filesystem::is_directory(m_destination, statusError)) {
        Fail(m_target, "it is a folder");
    }
    RemoveStaleTemporaries(m_destination.parent_path());
    std::random_device seed;
    std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tesk-%ld-%016llx.tmp", ProcessId(),
                      static_cast<unsigned long long>(random()));
        std::filesystem::path name(".");
        name += m_destination.filename();
        name += suffix;
        const std::filesystem::path candidate = m_destination.parent_path() / name;
        errno = 0;
        // "x": fail rather than take over a file that exists.
        if (std::FILE* file = OpenForWriting(candidate, OpenMode::Exclusive)) {
            m_temporary = candidate;
            m_slot = RegisterTemporary(candidate);
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

void OutputFile::Write(std::string_view bytes) {
    WriteBytes(bytes, false);
}

void OutputFile::Append(std::string_view bytes) {
    WriteBytes(bytes, true);
}

void OutputFile::WriteBytes(std::string_view bytes, bool append) {
    if (m_temporary.empty()) {
        Fail(m_target, "the file was already committed or discarded");
    }
    errno = 0;
    std::FILE* file = OpenForWriting(m_temporary, append ? OpenMode::Append : OpenMode::Truncate);
    if (file == nullptr) {
        Fail(m_target, ErrnoText(errno, "cannot open the temporary file"));
    }
    // An empty view may hold no pointer at all, which fwrite must not be given.
    const bool written =
        (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) &&
        std::fflush(file) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        Fail(m_target, ErrnoText(!written ? writeError : errno, "write failed"));
    }
}

void OutputFile::Prepare() {
    if (m_temporary.empty()) {
        Fail(m_target, "the file was already committed or discarded");
    }
    if (const int error = SyncToDisk(m_temporary); error != 0) {
        Discard();
        Fail(m_target, std::strerror(error));
    }
#ifdef TESK_POSIX_FILES
    // The replacement keeps the permissions the user gave the old file (0600, read-only).
    struct stat old {};
    if (::stat(m_destination.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        ::chmod(m_temporary.c_str(), old.st_mode & 07777) != 0) {
        const int error = errno;
        Discard();
        Fail(m_target, std::strerror(error));
    }
#endif
}

void OutputFile::Rename() {
    std::error_code error;
    std::filesystem::rename(m_temporary, m_destination, error);
    if (error) {
        Discard();
        Fail(m_target, error.message());
    }
    m_temporary.clear();
    UnregisterTemporary(m_slot);
}

void OutputFile::Commit() {
    Prepare();
    Rename();
}

void OutputFile::Discard() noexcept {
    if (!m_temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporary, ignored);
        m_temporary.clear();
    }
    UnregisterTemporary(m_slot);
}

void CommitAll(std::initializer_list<OutputFile*> outputs) {
    CommitAll(std::vector<OutputFile*>(outputs));
}

void CommitAll(const std::vector<OutputFile*>& outputs) {
    try {
        for (OutputFile* output : outputs) {
            if (output != nullptr) {
                output->Prepare();
            }
        }
    } catch (...) {
        for (OutputFile* output : outputs) {
            if (output != nullptr) {
                output->Discard();
            }
        }
        throw;
    }
    for (OutputFile* output : outputs) {
        if (output != nullptr) {
            output->Rename();
        }
    }
}

void WriteOutputFile(const std::filesystem::path& target,
                     const std::function<void(const std::filesystem::path& temporary)>& write) {
    OutputFile output(target);
    write(output.TemporaryPath());
    output.Commit();
}

void WriteOutputFile(const std::filesystem::path& target, std::string_view bytes) {
    OutputFile output(target);
    output.Write(bytes);
    output.Commit();
}

} // namespace tesk::formats
