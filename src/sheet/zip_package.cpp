#include "sheet/zip_package.h"

#include "geometry/error.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <limits>

namespace tesk::sheet {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndOfCentralDirectory = 0x06054b50;
constexpr std::uint16_t kVersion = 20; // 2.0: deflate
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

[[noreturn]] void Damaged(const std::string& why) {
    throw RuntimeError(ErrorCode::Output, "the spreadsheet package is damaged: " + why);
}

/// Little-endian reads from a byte buffer, bounds-checked.
class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}

    std::uint32_t U16(std::size_t at) const { return Unsigned(at, 2); }
    std::uint32_t U32(std::size_t at) const { return Unsigned(at, 4); }
    std::string Bytes(std::size_t at, std::size_t count) const {
        Require(at, count);
        return m_bytes.substr(at, count);
    }
    std::size_t Size() const { return m_bytes.size(); }

private:
    void Require(std::size_t at, std::size_t count) const {
        if (at > m_bytes.size() || count > m_bytes.size() - at) {
            Damaged("a record runs past the end of the file");
        }
    }
    std::uint32_t Unsigned(std::size_t at, std::size_t count) const {
        Require(at, count);
        std::uint32_t value = 0;
        for (std::size_t i = count; i-- > 0;) {
            value = (value << 8) | static_cast<unsigned char>(m_bytes[at + i]);
        }
        return value;
    }

    const std::string& m_bytes;
};

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::uint32_t Crc32(const std::string& data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    std::size_t done = 0;
    while (done < data.size()) {
        const uInt chunk = static_cast<uInt>(std::min<std::size_t>(data.size() - done, 1u << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + done), chunk);
        done += chunk;
    }
    return static_cast<std::uint32_t>(crc);
}

std::uint32_t Size32(std::size_t size) {
    if (size >= std::numeric_limits<std::uint32_t>::max()) {
        throw RuntimeError(ErrorCode::Output, "a spreadsheet part is larger than 4 GB");
    }
    return static_cast<std::uint32_t>(size);
}

/// The fields a local header and a central directory header share, in the order both hold
/// them: method, time, date, CRC-32, sizes, name length and an empty extra field.
void PutEntryFields(std::string& out, const ZipEntry& entry) {
    Put16(out, entry.Method);
    Put16(out, entry.Time);
    Put16(out, entry.Date);
    Put32(out, entry.Crc);
    Put32(out, Size32(entry.Compressed.size()));
    Put32(out, entry.UncompressedSize);
    Put16(out, Size32(entry.Name.size()));
    Put16(out, 0); // extra field
}

} // namespace

std::vector<ZipEntry> ReadZip(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw RuntimeError(ErrorCode::FileAccess, "cannot read \"" + path.string() + "\"");
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const Reader file(bytes);

    // The end record is the last 22 bytes, followed only by an archive comment (if any).
    if (file.Size() < 22) {
        Damaged("too short");
    }
    std::size_t end = file.Size() - 22;
    while (file.U32(end) != kEndOfCentralDirectory) {
        if (end == 0 || file.Size() - end > 22 + 0xFFFF) {
            Damaged("no end of central directory");
        }
        --end;
    }
    const std::size_t count = file.U16(end + 10);
    std::size_t at = file.U32(end + 16);

    std::vector<ZipEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (file.U32(at) != kCentralHeader) {
            Damaged("bad central directory record");
        }
        ZipEntry entry;
        const std::uint32_t flags = file.U16(at + 8);
        entry.Method = static_cast<std::uint16_t>(file.U16(at + 10));
        entry.Time = static_cast<std::uint16_t>(file.U16(at + 12));
        entry.Date = static_cast<std::uint16_t>(file.U16(at + 14));
        entry.Crc = file.U32(at + 16);
        const std::uint32_t compressedSize = file.U32(at + 20);
        entry.UncompressedSize = file.U32(at + 24);
        const std::size_t nameLength = file.U16(at + 28);
        const std::size_t extraLength = file.U16(at + 30);
        const std::size_t commentLength = file.U16(at + 32);
        const std::size_t localAt = file.U32(at + 42);
        entry.Name = file.Bytes(at + 46, nameLength);
        if ((flags & 0x1) != 0 || (entry.Method != kStored && entry.Method != kDeflated) ||
            compressedSize == 0xFFFFFFFF || localAt == 0xFFFFFFFF) {
            Damaged("unsupported entry \"" + entry.Name + "\"");
        }
        if (file.U32(localAt) != kLocalHeader) {
            Damaged("bad local header of \"" + entry.Name + "\"");
        }
        const std::size_t dataAt = localAt + 30 + file.U16(localAt + 26) + file.U16(localAt + 28);
        entry.Compressed = file.Bytes(dataAt, compressedSize);
        entries.push_back(std::move(entry));
        at += 46 + nameLength + extraLength + commentLength;
    }
    return entries;
}

std::string ZipEntryData(const ZipEntry& entry) {
    std::string data;
    if (entry.Method == kStored) {
        data = entry.Compressed;
    } else {
        data.resize(entry.UncompressedSize);
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            Damaged("cannot start inflating \"" + entry.Name + "\"");
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entry.Compressed.data()));
        stream.avail_in = Size32(entry.Compressed.size());
        stream.next_out = reinterpret_cast<Bytef*>(data.data());
        stream.avail_out = Size32(data.size());
        const int result = inflate(&stream, Z_FINISH);
        const bool complete = result == Z_STREAM_END && stream.total_out == data.size();
        inflateEnd(&stream);
        if (!complete) {
            Damaged("cannot inflate \"" + entry.Name + "\"");
        }
    }
    if (data.size() != entry.UncompressedSize || Crc32(data) != entry.Crc) {
        Damaged("checksum of \"" + entry.Name + "\"");
    }
    return data;
}

void SetZipEntryData(ZipEntry& entry, const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw RuntimeError(ErrorCode::Output, "cannot start compressing a spreadsheet part");
    }
    std::string compressed(deflateBound(&stream, Size32(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = Size32(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_out = Size32(compressed.size());
    const int result = deflate(&stream, Z_FINISH);
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw RuntimeError(ErrorCode::Output, "cannot compress a spreadsheet part");
    }
    entry.Method = kDeflated;
    entry.Crc = Crc32(data);
    entry.UncompressedSize = Size32(data.size());
    entry.Compressed = std::move(compressed);
}

void WriteZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries) {
    std::string out;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const std::uint32_t offset = Size32(out.size());
        Put32(out, kLocalHeader);
        Put16(out, kVersion);
        Put16(out, 0); // flags
        PutEntryFields(out, entry);
        out += entry.Name;
        out += entry.Compressed;

        Put32(directory, kCentralHeader);
        Put16(directory, kVersion); // made by
        Put16(directory, kVersion); // needed
        Put16(directory, 0);        // flags
        PutEntryFields(directory, entry);
        Put16(directory, 0); // comment
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, 0); // external attributes
        Put32(directory, offset);
        directory += entry.Name;
    }
    if (entries.size() > 0xFFFF) {
        throw RuntimeError(ErrorCode::Output, "too many parts in a spreadsheet package");
    }
    const std::uint32_t directoryAt = Size32(out.size());
    out += directory;
    Put32(out, kEndOfCentralDirectory);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put32(out, Size32(directory.size()));
    Put32(out, directoryAt);
    Put16(out, 0); // comment

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        throw RuntimeError(ErrorCode::FileAccess, "cannot write \"" + path.string() + "\"");
    }
}

} // namespace tesk::sheet
