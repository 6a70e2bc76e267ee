#pragma once

// Just enough of the ZIP container to reopen a package the spreadsheet library has written,
// replace the text of some of its parts and store it again (stored and deflated entries, no
// ZIP64, no encryption: what the library writes).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tesk::sheet {

/// One part of a package, with its data still compressed as found.
struct ZipEntry {
    std::string Name;
    std::uint16_t Method = 0; ///< 0 stored, 8 deflated
    std::uint16_t Time = 0;   ///< MS-DOS time and date of the part
    std::uint16_t Date = 0;
    std::uint32_t Crc = 0; ///< CRC-32 of the uncompressed data
    std::uint32_t UncompressedSize = 0;
    std::string Compressed; ///< the data as stored in the file
};

/// Reads every entry of the ZIP file at `path`, in the order of its central directory.
/// Throws geometry::RuntimeError(FileAccess) when it cannot be read and (Output) when it is not a
/// ZIP file of the kind described above.
std::vector<ZipEntry> ReadZip(const std::filesystem::path& path);

/// The uncompressed data of `entry`, checked against its CRC-32. Throws
/// geometry::RuntimeError(Output) when the data is damaged.
std::string ZipEntryData(const ZipEntry& entry);

/// Replaces the data of `entry` by `data`, deflated.
void SetZipEntryData(ZipEntry& entry, const std::string& data);

/// Writes `entries` as a ZIP file at `path` (replacing it). Throws geometry::RuntimeError
/// (FileAccess) when it cannot be written.
void WriteZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries);

} // namespace tesk::sheet
