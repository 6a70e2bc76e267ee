#include "cad/dxf_writer.h"

#include "formats/gbk.h"
#include "formats/output_file.h"
#include "geometry/error.h"

#include <dxflib/dl_dxf.h>
#include <dxflib/dl_writer_ascii.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <numbers>

namespace tesk::cad {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

/// A handle as DXF writes it: hexadecimal, capital letters.
std::string UpperHex(unsigned long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string hex(buffer, result.ptr);
    std::transform(hex.begin(), hex.end(), hex.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? char(c - 'a' + 'A') : c; });
    return hex;
}

void AppendEscape(std::string& out, char32_t unit) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "\\U+%04X", static_cast<unsigned>(unit));
    out += buffer;
}

/// UTF-8 as a DXF string in GBK: a character GBK lacks becomes a \U+XXXX escape.
class GbkEncoder {
public:
    std::string Encode(std::string_view utf8) {
        std::string out;
        out.reserve(utf8.size());
        std::size_t i = 0;
        while (i < utf8.size()) {
            const std::size_t start = i;
            const std::optional<char32_t> cp = formats::DecodeUtf8(utf8, i);
            if (!cp) {
                out += '?';
            } else if (*cp < 0x20 || *cp == 0x7F) {
                out += ' ';
            } else if (*cp < 0x80) {
                out += static_cast<char>(*cp);
            } else if (!m_gbk.Append(utf8.substr(start, i - start), out)) {
                if (*cp > 0xFFFF) { // as the UTF-16 surrogate pair CAD programs work in
                    const char32_t v = *cp - 0x10000;
                    AppendEscape(out, 0xD800 + (v >> 10));
                    AppendEscape(out, 0xDC00 + (v & 0x3FF));
                } else {
                    AppendEscape(out, *cp);
                }
            }
        }
        return out;
    }

private:
    formats::GbkEncoder m_gbk;
};

/// dxflib's ASCII writer, redirected to a ByteSink in pieces of about a megabyte: numbers in the
/// shortest form that reads back as the same double, independent of the locale; strings in GBK.
///
/// The header carries $HANDSEED, which must exceed every handle of the file, but is written
/// before the handles are known. So a file is written twice: first by a writer given no sink,
/// which formats nothing and only notes the largest handle, then by one given that handle.
class BufferWriter final : public DL_WriterA {
public:
    /// The measuring pass: writes nothing; LargestHandle() is known at the end.
    BufferWriter() : DL_WriterA("", DL_Codes::AC1015) {}
    /// The writing pass: `largestHandle` from the measuring pass of the same document.
    BufferWriter(const ByteSink& sink, unsigned long largestHandle)
        : DL_WriterA("", DL_Codes::AC1015), m_sink(&sink), m_largestHandle(largestHandle) {
        m_bytes.reserve(kPiece + 4096);
    }

    unsigned long LargestHandle() const { return m_largestHandle; }

    /// Hands what is left to the sink; call once at the end.
    void Finish() const {
        if (m_sink != nullptr && !m_bytes.empty()) {
            (*m_sink)(m_bytes);
            m_bytes.clear();
        }
    }

    void dxfReal(int gc, double value) const override {
        if (m_sink == nullptr) {
            return;
        }
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        Raw(gc, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    }
    void dxfInt(int gc, int value) const override {
        if (m_sink == nullptr) {
            return;
        }
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        Raw(gc, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    }
    void dxfHex(int gc, int value) const override {
        auto handle = static_cast<unsigned long>(static_cast<unsigned>(value));
        if (m_sink == nullptr) {
            // The seed's own placeholder counts too: the seed written is one above it at least.
            if (gc == 5 || gc == 105) {
                m_largestHandle = std::max(m_largestHandle, handle);
            }
            return;
        }
        if (m_lastString == "$HANDSEED") {
            // Raised above every handle of the file, so that a CAD program adding objects never
            // reuses one.
            handle = std::max(handle, m_largestHandle + 1);
            m_lastString.clear();
        }
        Raw(gc, UpperHex(handle));
    }
    void dxfString(int gc, const char* value) const override {
        if (m_sink == nullptr) {
            return;
        }
        dxfString(gc, std::string(value));
    }
    void dxfString(int gc, const std::string& value) const override {
        if (m_sink == nullptr) {
            return;
        }
        m_lastString = value;
        // Most strings (group names, layer codes, handles) are plain printable ASCII, the same
        // bytes in GBK: written as they are without going through the encoder.
        const bool plain =
            std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
        if (plain) {
            Raw(gc, value);
        } else {
            Raw(gc, m_encoder.Encode(value));
        }
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 20;

    /// A group code line, right-aligned in three columns as AutoCAD writes it ("  0", " 10",
    /// "330", "1001"). Formatted by hand: the writer runs it for every line of the file.
    void Code(int gc) const {
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, gc);
        const auto digits = static_cast<std::size_t>(result.ptr - buffer);
        if (digits < 3) {
            m_bytes.append(3 - digits, ' ');
        }
        m_bytes.append(buffer, digits);
        m_bytes += '\n';
    }
    void Raw(int gc, std::string_view value) const {
        Code(gc);
        m_bytes += value;
        m_bytes += '\n';
        TrackOwners(gc, value);
        if (m_bytes.size() >= kPiece) {
            (*m_sink)(m_bytes);
            m_bytes.clear();
        }
    }

    /// dxflib writes the objects (dictionaries, layouts, ...) without their owners. Every object
    /// is owned by the dictionary that lists it, and the dictionaries are written before what
    /// they list, so the owner is known when an object's handle is written: it follows at once.
    void TrackOwners(int gc, std::string_view value) const {
        if (gc == 2 && m_lastCode == 0 && m_lastWasSection) {
            m_inObjects = value == "OBJECTS";
        }
        const bool objectHandle = m_inObjects && gc == 5 && m_lastCode == 0;
        m_lastWasSection = gc == 0 && value == "SECTION";
        m_lastCode = gc;
        if (!m_inObjects) {
            return;
        }
        if (objectHandle) {
            m_currentObject = value;
            const auto owner = m_owners.find(m_currentObject);
            Code(330);
            m_bytes += owner == m_owners.end() ? std::string("0") : owner->second; // 0: the root
            m_bytes += '\n';
            m_lastCode = 330;
        } else if (gc == 350 || gc == 360) { // a dictionary entry
            m_owners.emplace(std::string(value), m_currentObject);
        }
    }

    const ByteSink* m_sink = nullptr; ///< null in the measuring pass
    mutable std::string m_bytes;
    mutable GbkEncoder m_encoder;
    mutable std::string m_lastString;
    mutable unsigned long m_largestHandle = 0;
    mutable int m_lastCode = -1;
    mutable bool m_lastWasSection = false;
    mutable bool m_inObjects = false;
    mutable std::string m_currentObject;
    mutable std::map<std::string, std::string> m_owners; ///< handle -> owner handle, hex
};

DL_Attributes EntityAttributes(const DrawnEntity& entity) {
    return DL_Attributes(entity.Layer, entity.Color, -1, "BYLAYER", 1.0);
}

/// The opening every symbol table record shares: its type, a new handle (under group code
/// `handleCode`), the owning table's handle, the subclass markers, its name and flags 0.
/// Returns the record's handle.
unsigned long BeginTableRecord(BufferWriter& dw, const char* type, int table, const char* subclass,
                               const std::string& name, int handleCode = 5) {
    dw.dxfString(0, type);
    const unsigned long handle = dw.handle(handleCode);
    dw.dxfHex(330, table);
    dw.dxfString(100, "AcDbSymbolTableRecord");
    dw.dxfString(100, subclass);
    dw.dxfString(2, name);
    dw.dxfInt(70, 0);
    return handle;
}

void WriteHeader(DL_Dxf& dxf, BufferWriter& dw, const DrawingDocument& document,
                 const std::optional<Extents>& extents) {
    dxf.writeHeader(dw);
    dw.dxfString(9, "$DWGCODEPAGE");
    dw.dxfString(3, "ANSI_936");
    dw.dxfString(9, "$INSUNITS"); // drawing units: metres
    dw.dxfInt(70, 6);
    dw.dxfString(9, "$MEASUREMENT"); // metric
    dw.dxfInt(70, 1);
    // Stake-out points as the window paints them, a cross of fixed screen size, not bare dots:
    // style 2 (+), size 1 % of the view (a negative size is relative to the screen).
    dw.dxfString(9, "$PDMODE");
    dw.dxfInt(70, 2);
    dw.dxfString(9, "$PDSIZE");
    dw.dxfReal(40, -1.0);
    if (extents) {
        dw.dxfString(9, "$EXTMIN");
        dw.coord(10, extents->MinX, extents->MinY, 0.0);
        dw.dxfString(9, "$EXTMAX");
        dw.coord(10, extents->MaxX, extents->MaxY, 0.0);
    }
    dw.dxfString(9, "$CLAYER");
    dw.dxfString(8, document.ActiveLayer());
    if (const UcsRecord* ucs = document.ActiveUcs()) {
        dw.dxfString(9, "$UCSNAME");
        dw.dxfString(2, ucs->Name);
        dw.dxfString(9, "$UCSORG");
        dw.coord(10, ucs->Origin.X, ucs->Origin.Y, ucs->Origin.Z);
        dw.dxfString(9, "$UCSXDIR");
        dw.coord(10, ucs->XAxis.X, ucs->XAxis.Y, ucs->XAxis.Z);
        dw.dxfString(9, "$UCSYDIR");
        dw.coord(10, ucs->YAxis.X, ucs->YAxis.Y, ucs->YAxis.Z);
    }
    dw.sectionEnd();
}

/// The active viewport, centred on the drawing so that it opens showing everything.
void WriteViewport(BufferWriter& dw, const std::optional<Extents>& extents) {
    constexpr double kAspect = 1.92798353909465; // width / height of the view
    double centreX = 0.0;
    double centreY = 0.0;
    double height = 297.0;
    if (extents) {
        centreX = (extents->MinX + extents->MaxX) / 2.0;
        centreY = (extents->MinY + extents->MaxY) / 2.0;
        const double needed =
            std::max(extents->MaxY - extents->MinY, (extents->MaxX - extents->MinX) / kAspect);
        height = needed > 0.0 ? needed * 1.05 : 10.0;
    }
    dw.table("VPORT", 1, 8);
    BeginTableRecord(dw, "VPORT", 8, "AcDbViewportTableRecord", "*Active");
    dw.coord(10, 0.0, 0.0, 0.0);
    dw.dxfReal(11, 1.0);
    dw.dxfReal(21, 1.0);
    dw.dxfReal(12, centreX);
    dw.dxfReal(22, centreY);
    dw.dxfReal(13, 0.0);
    dw.dxfReal(23, 0.0);
    dw.dxfReal(14, 10.0);
    dw.dxfReal(24, 10.0);
    dw.dxfReal(15, 10.0);
    dw.dxfReal(25, 10.0);
    dw.coord(16, 0.0, 0.0, 1.0);
    dw.coord(17, 0.0, 0.0, 0.0);
    dw.dxfReal(40, height);
    dw.dxfReal(41, kAspect);
    dw.dxfReal(42, 50.0);
    dw.dxfReal(43, 0.0);
    dw.dxfReal(44, 0.0);
    dw.dxfReal(50, 0.0);
    dw.dxfReal(51, 0.0);
    dw.dxfInt(71, 0);
    dw.dxfInt(72, 100);
    dw.dxfInt(73, 1);
    dw.dxfInt(74, 3);
    dw.dxfInt(75, 0);
    dw.dxfInt(76, 0);
    dw.dxfInt(77, 0);
    dw.dxfInt(78, 0);
    dw.dxfInt(281, 0);
    dw.dxfInt(65, 1);
    dw.coord(110, 0.0, 0.0, 0.0);
    dw.coord(111, 1.0, 0.0, 0.0);
    dw.coord(112, 0.0, 1.0, 0.0);
    dw.dxfInt(79, 0);
    dw.dxfReal(146, 0.0);
    dw.tableEnd();
}

/// Text styles with their SHX font and big-font files (dxflib writes fonts as TrueType names
/// for this version, which would lose the big font). Returns the handle of "Standard".
unsigned long WriteTextStyles(BufferWriter& dw, const DrawingDocument& document) {
    unsigned long standard = 0;
    dw.tableStyle(static_cast<int>(document.TextStyles().size()));
    for (const TextStyleRecord& style : document.TextStyles()) {
        const unsigned long handle =
            BeginTableRecord(dw, "STYLE", 3, "AcDbTextStyleTableRecord", style.Name);
        if (style.Name == "Standard") {
            standard = handle;
        }
        dw.dxfReal(40, 0.0);
        dw.dxfReal(41, 1.0);
        dw.dxfReal(50, 0.0);
        dw.dxfInt(71, 0);
        dw.dxfReal(42, 2.5);
        dw.dxfString(3, style.FontFile);
        dw.dxfString(4, style.BigFontFile);
    }
    dw.tableEnd();
    return standard;
}

void WriteCoordinateSystems(BufferWriter& dw, const DrawingDocument& document) {
    dw.table("UCS", static_cast<int>(document.UserCoordinateSystems().size()), 7);
    for (const UcsRecord& ucs : document.UserCoordinateSystems()) {
        BeginTableRecord(dw, "UCS", 7, "AcDbUCSTableRecord", ucs.Name);
        dw.coord(10, ucs.Origin.X, ucs.Origin.Y, ucs.Origin.Z);
        dw.coord(11, ucs.XAxis.X, ucs.XAxis.Y, ucs.XAxis.Z);
        dw.coord(12, ucs.YAxis.X, ucs.YAxis.Y, ucs.YAxis.Z);
        dw.dxfInt(79, 0);
        dw.dxfReal(146, 0.0);
    }
    dw.tableEnd();
}

void WriteDimensionStyle(BufferWriter& dw, unsigned long standardTextStyle) {
    dw.dxfString(0, "TABLE");
    dw.dxfString(2, "DIMSTYLE");
    dw.dxfHex(5, 0xA);
    dw.dxfString(100, "AcDbSymbolTable");
    dw.dxfInt(70, 1);
    dw.dxfString(100, "AcDbDimStyleTable");
    dw.dxfInt(71, 0);
    BeginTableRecord(dw, "DIMSTYLE", 0xA, "AcDbDimStyleTableRecord", "Standard", 105);
    dw.dxfHex(340, static_cast<int>(standardTextStyle));
    dw.tableEnd();
}

void WriteEntity(DL_Dxf& dxf, BufferWriter& dw, const DrawnEntity& entity) {
    const DL_Attributes attributes = EntityAttributes(entity);
    std::visit(
        [&](const auto& shape) {
            using T = std::decay_t<decltype(shape)>;
            if constexpr (std::is_same_v<T, DrawnPoint>) {
                const Point& p = shape.Position;
                dxf.writePoint(dw, DL_PointData(p.X, p.Y, p.Z), attributes);
            } else if constexpr (std::is_same_v<T, DrawnLine>) {
                const Point& a = shape.Start;
                const Point& b = shape.End;
                dxf.writeLine(dw, DL_LineData(a.X, a.Y, a.Z, b.X, b.Y, b.Z), attributes);
            } else if constexpr (std::is_same_v<T, DrawnCircle>) {
                const Point& c = shape.Centre;
                dxf.writeCircle(dw, DL_CircleData(c.X, c.Y, c.Z, shape.Radius), attributes);
            } else if constexpr (std::is_same_v<T, DrawnArc>) {
                const Point& c = shape.Centre;
                dxf.writeArc(dw,
                             DL_ArcData(c.X, c.Y, c.Z, shape.Radius,
                                        shape.StartAngle * kDegreesPerRadian,
                                        shape.EndAngle * kDegreesPerRadian),
                             attributes);
            } else if constexpr (std::is_same_v<T, DrawnPolyline>) {
                dxf.writePolyline(dw,
                                  DL_PolylineData(static_cast<int>(shape.Vertices.size()), 0, 0, 0),
                                  attributes);
                for (const Point& v : shape.Vertices) {
                    dxf.writeVertex(dw, DL_VertexData(v.X, v.Y, 0.0, 0.0));
                }
                dxf.writePolylineEnd(dw);
            } else {
                const Point& i = shape.Insertion;
                const Point& a = shape.AlignmentPoint;
                dxf.writeText(dw,
                              DL_TextData(i.X, i.Y, i.Z, a.X, a.Y, a.Z, shape.Height,
                                          shape.WidthFactor, 0, static_cast<int>(shape.Horizontal),
                                          static_cast<int>(shape.Vertical), shape.Text, shape.Style,
                                          shape.Rotation),
                              attributes);
            }
        },
        entity.Shape);
}

} // namespace

std::string EncodeDxfString(std::string_view utf8) {
    GbkEncoder encoder;
    return encoder.Encode(utf8);
}

namespace {

void WriteDocument(BufferWriter& dw, const DrawingDocument& document,
                   const std::optional<Extents>& extents) {
    DL_Dxf dxf;

    WriteHeader(dxf, dw, document, extents);

    dw.sectionTables();
    WriteViewport(dw, extents);
    dw.tableLinetypes(3);
    dxf.writeLinetype(dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf.writeLinetype(dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf.writeLinetype(dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    dw.tableEnd();
    dw.tableLayers(static_cast<int>(document.Layers().size()));
    for (const LayerRecord& layer : document.Layers()) {
        dxf.writeLayer(dw, DL_LayerData(layer.Name, 0),
                       DL_Attributes("", layer.Color, -3, "CONTINUOUS", 1.0));
    }
    dw.tableEnd();
    const unsigned long standardStyle = WriteTextStyles(dw, document);
    dxf.writeView(dw);
    WriteCoordinateSystems(dw, document);
    dw.tableAppid(1);
    dxf.writeAppid(dw, "ACAD");
    dw.tableEnd();
    WriteDimensionStyle(dw, standardStyle);
    dxf.writeBlockRecord(dw);
    dw.tableEnd();
    dw.sectionEnd();

    dw.sectionBlocks();
    for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(dw, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(dw, block);
    }
    dw.sectionEnd();

    dw.sectionEntities();
    for (const DrawnEntity& entity : document.Entities()) {
        WriteEntity(dxf, dw, entity);
    }
    dw.sectionEnd();

    dxf.writeObjects(dw);
    dxf.writeObjectsEnd(dw);
    dw.dxfEOF();
}

} // namespace

void StreamDxf(const DrawingDocument& document, const ByteSink& sink) {
    const std::optional<Extents> extents = document.ComputeExtents();
    BufferWriter measure;
    WriteDocument(measure, document, extents);
    BufferWriter dw(sink, measure.LargestHandle());
    WriteDocument(dw, document, extents);
    dw.Finish();
}

std::string RenderDxf(const DrawingDocument& document) {
    std::string bytes;
    StreamDxf(document, [&](std::string_view piece) { bytes += piece; });
    return bytes;
}

void WriteDxf(const DrawingDocument& document, const std::filesystem::path& path) {
    formats::OutputFile output(path);
    WriteDxf(document, output);
    output.Commit();
}

void WriteDxf(const DrawingDocument& document, formats::OutputFile& output) {
    output.Write({});
    StreamDxf(document, [&](std::string_view piece) { output.Append(piece); });
}

} // namespace tesk::cad
