#pragma once

// Replacing an output file all at once: the content is written to a temporary file beside the
// target and renamed onto it only when complete and on disk, so a reader never sees half a file
// and a failed write leaves the older file as it was.
//
// Temporary files are named ".<target name>.tesk-<process id>-<random hex>.tmp" and live in the
// target's folder (a rename across file systems would not be atomic). Several outputs can be
// prepared with OutputFile and committed one after the other once all are written.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tesk::formats {

/// One output file being written: the temporary file that will replace `Target()`.
/// The temporary exists (empty) from construction; the content is written to TemporaryPath() by
/// any means (a stream, a library that takes a file name). Commit() puts it in place; an object
/// destroyed without a successful Commit() removes its temporary and leaves the target alone.
class OutputFile {
public:
    /// Creates a new, empty temporary file in the folder of `target`. An existing file at
    /// `target` is not touched until Commit(), and is then replaced without asking: asking is
    /// the caller's job.
    /// Throws geometry::RuntimeError(FileAccess), naming `target` and the reason, when `target`
    /// has no file name or the temporary cannot be created (missing or read-only folder, a
    /// name too long).
    explicit OutputFile(std::filesystem::path target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// The file that Commit() replaces.
    const std::filesystem::path& Target() const noexcept { return m_target; }
    /// Where the content is written until Commit(); empty after Commit() or Discard().
    const std::filesystem::path& TemporaryPath() const noexcept { return m_temporary; }

    /// Flushes the temporary to disk (fsync) and renames it onto Target(). On failure the
    /// temporary is removed, the target stays as it was, and geometry::RuntimeError(FileAccess)
    /// naming Target() and the reason is thrown. Calling it twice is a logic error and throws
    /// the same way.
    void Commit();

    /// Removes the temporary without touching the target. Never throws; does nothing after
    /// Commit().
    void Discard() noexcept;

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
};

/// Replaces `target` with what `write` writes to the path it is given (a temporary file beside
/// `target`, created empty), as one step: see OutputFile. An exception from `write` removes the
/// temporary, leaves `target` untouched and is passed on unchanged.
/// Throws geometry::RuntimeError(FileAccess) naming `target` when the temporary cannot be created,
/// flushed or renamed.
void WriteOutputFile(const std::filesystem::path& target,
                     const std::function<void(const std::filesystem::path& temporary)>& write);

/// Replaces `target` with `bytes`, as WriteOutputFile above. Throws
/// geometry::RuntimeError(FileAccess) naming `target` and the reason when any step fails (a full
/// disk included); the older file then stays as it was.
void WriteOutputFile(const std::filesystem::path& target, std::string_view bytes);

/// "cannot write <path>: <reason>", with the path in UTF-8: the message of the FileAccess
/// errors above, for writers that fail on their own.
std::string CannotWriteMessage(const std::filesystem::path& path, const std::string& reason);

} // namespace tesk::formats
