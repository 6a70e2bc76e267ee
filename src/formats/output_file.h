#pragma once

// Replacing an output file all at once: the content is written to a temporary file beside the
// target and renamed onto it only when complete and on disk, so a reader never sees half a file
// and a failed write leaves the older file as it was.
//
// Temporary files are named ".<target name>.tesk-<process id>-<16 lowercase hex digits>.tmp"
// and live in the target's folder (a rename across file systems would not be atomic). They are
// removed when their OutputFile is destroyed uncommitted, by the handlers of
// InstallInterruptCleanup on SIGINT, SIGTERM and SIGHUP, and by a later run (see
// RemoveStaleTemporaries) when the process that made them was killed outright. Several outputs
// are prepared with OutputFile and committed together with CommitAll once all are written.
//
// Replacing a file keeps what the user set up around it: a symbolic link stays a link and the
// file it names is replaced (in that file's folder), and the new file gets the old one's
// permission bits.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

/// One output file being written: the temporary file that will replace `Target()`.
/// The temporary exists (empty) from construction; the content is written to TemporaryPath() by
/// any means (a stream, a library that takes a file name). Commit() puts it in place; an object
/// destroyed without a successful Commit() removes its temporary and leaves the target alone.
class OutputFile {
public:
    /// Creates a new, empty temporary file in the folder of `target` (of the file it names, when
    /// `target` is a symbolic link, followed through up to 40 links), after removing the stale
    /// temporaries of dead runs there (RemoveStaleTemporaries). An existing file at `target` is
    /// not touched until Commit(), and is then replaced without asking: asking is the caller's
    /// job. Throws geometry::RuntimeError(FileAccess), naming `target` and the reason, when
    /// `target` has no file name, is a folder, or the temporary cannot be created (missing or
    /// read-only folder, a name too long, a loop of links).
    explicit OutputFile(std::filesystem::path target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// The path given to the constructor, as the messages name it.
    const std::filesystem::path& Target() const noexcept { return m_target; }
    /// The file that Commit() replaces: Target() with its symbolic links followed.
    const std::filesystem::path& Destination() const noexcept { return m_destination; }
    /// Where the content is written until Commit(); empty after Commit() or Discard().
    const std::filesystem::path& TemporaryPath() const noexcept { return m_temporary; }

    /// Replaces the temporary's content with `bytes`. Throws geometry::RuntimeError(FileAccess)
    /// naming Target() and the reason (a full disk included), or after Commit() or Discard().
    void Write(std::string_view bytes);

    /// Adds `bytes` at the end of the temporary, for content written in pieces (start with
    /// Write({}) to empty it). Throws as Write.
    void Append(std::string_view bytes);

    /// Flushes the temporary to disk (fsync), gives it the permission bits of the file it
    /// replaces (if any) and renames it onto Destination(). On failure the temporary is removed,
    /// the target stays as it was, and geometry::RuntimeError(FileAccess) naming Target() and
    /// the reason is thrown. Calling it twice is a logic error and throws the same way.
    void Commit();

    /// Removes the temporary without touching the target. Never throws; does nothing after
    /// Commit().
    void Discard() noexcept;

private:
    friend void CommitAll(const std::vector<OutputFile*>& outputs);
    /// Writes `bytes` into the temporary, at its end or in place of what is there.
    void WriteBytes(std::string_view bytes, bool append);
    /// Flushes the temporary and gives it the old file's mode; throws as Commit().
    void Prepare();
    /// Renames the prepared temporary onto Destination(); throws as Commit().
    void Rename();

    std::filesystem::path m_target;
    std::filesystem::path m_destination;
    std::filesystem::path m_temporary;
    int m_slot = -1; ///< the temporary's entry in the table the signal handlers clean up
};

/// Commits several outputs of one command so that they are written all or none: every
/// temporary is flushed to disk and given its mode first, and only then are they renamed, in
/// the order given. Null entries are skipped. Throws as OutputFile::Commit; a failure before the
/// renames removes every temporary and leaves every target as it was.
void CommitAll(std::initializer_list<OutputFile*> outputs);
void CommitAll(const std::vector<OutputFile*>& outputs);

/// Installs handlers for SIGINT, SIGTERM and SIGHUP (those not ignored at the time) that remove
/// the temporaries of every OutputFile still open, then end the process by the same signal as
/// before. For the programs' main(); calling it again does nothing more. Not available (does
/// nothing) on systems without POSIX signals.
void InstallInterruptCleanup();

/// How old a temporary of a dead process must be before a later run removes it: a process on
/// another machine writing into a shared folder has a process id this one cannot check.
inline constexpr std::chrono::minutes kStaleTemporaryAge{10};

/// Removes, in `folder` only (not below it), the temporaries that runs of this program left
/// behind when they were killed: regular files named exactly
/// ".<name>.tesk-<process id>-<16 lowercase hex digits>.tmp" whose process no longer exists and
/// that were last written more than kStaleTemporaryAge ago. Anything else (another process's,
/// this process's own, a live process's, a name that differs in any way) is left alone. Returns
/// the number removed. Never throws: a folder that cannot be read removes nothing. Does nothing
/// on systems without POSIX process ids.
std::size_t RemoveStaleTemporaries(const std::filesystem::path& folder);

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
