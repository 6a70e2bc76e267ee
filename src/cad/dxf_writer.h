#pragma once

// Saving a drawing as DXF (AutoCAD 2000, ASCII) that AutoCAD, LibreCAD and ezdxf open: the
// layers, text styles with their font files, the named coordinate systems and every entity in
// world coordinates. Chinese drawings are exchanged in the Simplified Chinese code page, so the
// file declares $DWGCODEPAGE = ANSI_936 and every string is written in GBK.

#include "cad/drawing_document.h"
#include "formats/output_file.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tesk::cad {

/// A UTF-8 string as a DXF string value in GBK: characters GBK lacks become \U+XXXX escapes
/// (which CAD programs decode), bytes that are not UTF-8 become '?', and control characters
/// (a line break would end the value early) become blanks.
std::string EncodeDxfString(std::string_view utf8);

/// Where the bytes of a DXF file go, a piece at a time, in order.
using ByteSink = std::function<void(std::string_view)>;

/// Writes the DXF file of `document` to `sink` in pieces of about a megabyte, so that a large
/// drawing is never held as one string. Exceptions from `sink` pass through.
void StreamDxf(const DrawingDocument& document, const ByteSink& sink);

/// The whole DXF file of `document`, as the bytes to be written (StreamDxf into a string).
std::string RenderDxf(const DrawingDocument& document);

/// Writes `document` to `path`, replacing a file that is there (the caller asks the user first).
/// The bytes are streamed to a temporary file in the same folder that is flushed to disk and
/// renamed over `path` only when complete (formats::OutputFile), so a failed write leaves an older file
/// intact. Throws geometry::RuntimeError(FileAccess) naming `path` when the file cannot be written;
/// no temporary file is left behind.
void WriteDxf(const DrawingDocument& document, const std::filesystem::path& path);

/// Writes `document` into the temporary of `output` without committing it, for a command that
/// commits all its outputs together (formats::CommitAll). Throws as OutputFile::Write.
void WriteDxf(const DrawingDocument& document, formats::OutputFile& output);

} // namespace tesk::cad
