#pragma once

// Point files for survey instruments and field software: the computed points (piles, stakes,
// side stakes, located points) written so that a total station or a GNSS controller reads them
// without retyping.
//
//   cass  the Chinese coordinate file (.dat): name,code,Y,X,H — east BEFORE north; GBK, CR LF
//   csv   name,N,E,Z,code (PNEZD), no heading row; UTF-8 with a byte-order mark, CR LF
//   gsi   Leica GSI-16 (.gsi): a block per point, "*" first; words of 24 characters (word index,
//         4 characters of information, sign, 16 data characters, a blank): 11 point ID,
//         81 easting, 82 northing, 83 height, 71 remark (the code); ASCII, CR LF
//   sdr   Sokkia SDR33 (.sdr): a 00NM header record, then one 08KI record per point in fixed
//         columns (1-4 "08KI", 5-20 ID, 21-36 N, 37-52 E, 53-68 Z, 69-84 code); ASCII, CR LF
//
// Names. CASS and CSV keep the names (CASS in GBK); GSI and SDR take an ID of at most 16
// printable ASCII characters: see PointIds. Two points of the same name are refused before
// anything is written (DuplicateName), in every format.
//
// Heights. A point without H gets an empty field (cass, csv), no word 83 (gsi), or 0 in the
// fixed Z column (sdr, which requires a value).

#include "formats/output_file.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

enum class PointFormat { Cass, Csv, Gsi, Sdr };

/// The format named "cass", "csv", "gsi" or "sdr" (in any case); nothing for another name.
std::optional<PointFormat> PointFormatNamed(std::string_view name);
/// "cass", "csv", "gsi", "sdr".
std::string_view PointFormatName(PointFormat format);
/// The usual file extension with its dot: ".dat", ".csv", ".gsi", ".sdr".
std::string_view PointFormatExtension(PointFormat format);

/// One point to write.
struct FieldPoint {
    std::string Name;        ///< UTF-8, as the program shows it ("3-2", "K15+120L12.5")
    double X = 0.0;          ///< m, north
    double Y = 0.0;          ///< m, east
    std::optional<double> H; ///< m, design elevation; none without a profile
    std::string Code;        ///< feature code, UTF-8; may be empty
};

/// The first name that two of `points` share, if any (compared as given, before any mapping):
/// the first met a second time, reading in order.
std::optional<std::string> DuplicateName(const std::vector<FieldPoint>& points);

/// The point IDs `format` writes for `points`, in order, unique within the file:
/// - cass, csv: the names, with control characters and (cass) commas as "_";
/// - gsi, sdr: printable ASCII kept (a blank becomes "_"), each run of other characters becomes
///   one "_"; an empty result becomes "P"; longer than 16 characters, the last 16 are kept
///   (names differ at their end: stations, offsets, pile numbers); an ID equal to an earlier one
///   gets "~2", "~3", ... (shortened in front to fit). GSI compares IDs without their leading
///   zeros, as instruments read the zero-filled field, and writes an ID of zeros only, or one
///   that starts with 0 and is not a number, with a "P" in front ("0" -> "P0", the pile
///   "0-1" -> "P0-1"), since it would read back as nothing or as "-1".
///   In every format a name written unchanged keeps its ID even when an earlier name maps to it
///   (a point "a_b" is never renamed because of a point "a,b" written "a_b" in cass).
/// Call DuplicateName first: names that are the same are not told apart here.
std::vector<std::string> PointIds(PointFormat format, const std::vector<FieldPoint>& points);

/// The bytes of the point file of `points`, coordinates and heights with `digits` decimals
/// (0..12; gsi in mm for 0..3 decimals, 0.1 mm for 4, 0.01 mm for 5 or more; sdr with fewer
/// decimals where a number would not fit its 16 columns). `sdrDateTime` is the header's date
/// and time ("08-Dec-26 15:50"). Throws geometry::RuntimeError(Output), naming the point, for a
/// coordinate or height that is not finite or too large for the format's fields (gsi, sdr), and
/// for two points of the same name (see DuplicateName) or `digits` outside 0..12.
std::string RenderPointFile(PointFormat format, const std::vector<FieldPoint>& points, int digits,
                            std::string_view sdrDateTime = "01-Jan-00 00:00");

/// Writes RenderPointFile (with the current local date and time for sdr) into the temporary of
/// `output`, for a command that commits all its outputs together. Throws as OutputFile::Write
/// and RenderPointFile.
void WritePointFile(PointFormat format, const std::vector<FieldPoint>& points, int digits,
                    OutputFile& output);

} // namespace tesk::formats
