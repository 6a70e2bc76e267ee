#pragma once

// The subcommands of the command-line tool. Each gets a loaded alignment and the options it
// needs, writes CSV to `out` and messages through the prompts, and returns the exit status.

#include "cli/console_prompts.h"
#include "formats/point_export.h"
#include "session/field_outputs.h"
#include "session/session.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tesk::cli {

/// Where the alignment comes from.
struct AlignmentFiles {
    std::string Jd;            ///< JD file (intersection-point method)
    std::string Breaks;        ///< chain-break file for Jd, optional
    std::string Elem;          ///< element file (element method)
    std::string LandXml;       ///< LandXML file (its first or named alignment)
    std::string AlignmentName; ///< the alignment of LandXml, by name; empty = the first
    std::string Profile;       ///< profile file (.sqx), optional: adds the design elevation h
    std::string CrossFall;     ///< cross-fall file (.hp) for Profile, optional
};

/// A point file asked for with --export FORMAT:FILE.
struct PointExport {
    formats::PointFormat Format = formats::PointFormat::Cass;
    std::string Path; ///< UTF-8
};

/// What a command that computes points also hands to the field: point files, and the polar
/// stake-out from an instrument station oriented on a backsight (--setup, --backsight).
struct FieldOptions {
    std::vector<PointExport> Exports;
    std::optional<session::PolarSetup> Setup;
    /// Whether the points must be collected at all.
    bool Any() const { return !Exports.empty() || Setup.has_value(); }
};

/// The field options of a command from the texts of --export (each "FORMAT:FILE"), --setup and
/// --backsight (both "X,Y" or both empty). Refuses, through `prompts`, an export text that is
/// not a known format, a colon and a file name, and a setup MakePolarSetup refuses.
std::optional<FieldOptions> ParseFieldOptions(ConsolePrompts& prompts,
                                              const std::vector<std::string>& exports,
                                              const std::string& setup,
                                              const std::string& backsight);

/// Loads the line `files` name; on failure reports through `prompts` and returns nothing.
std::optional<session::LoadedLine> LoadAlignment(ConsolePrompts& prompts,
                                                 const AlignmentFiles& files);

struct TableOptions {
    std::vector<std::string> Stations; ///< station texts as typed, each one row
    std::optional<std::string> From;   ///< first station text of a stake range; none = line start
    std::optional<std::string> To;     ///< last station text of a stake range; none = line end
    double Step = 20.0;                ///< stake interval of the range, m, > 0
    int Digits = 4;                    ///< decimals of the numbers written, 0..12
    /// Side stakes: offsets across the line at each stake, m, positive to the left, in the
    /// order given; none = the centre line only (the table's columns stay as they were)
    std::vector<double> Offsets;
    std::string Angle;  ///< right deflection angle of the side stakes, degrees; empty = 90
    FieldOptions Field; ///< point files of the stakes, and their polar stake-out columns
};
/// Station, mileage, X, Y and tangent azimuth (rad, at least 9 decimals) of every station given
/// and, for a range, of every multiple of the step of the written stationing and every main
/// point in it, in mileage order. With offsets: station, mileage, offset, X, Y of the side stake
/// and the line's azimuth, one row per stake per offset. Returns 0, or 1 after a refusal or
/// failure (reported).
int RunTable(const session::LoadedLine& line, ConsolePrompts& prompts, const TableOptions& options,
             std::ostream& out);

/// One row per curve (JD method: its main points with labels and coordinates) or per element
/// (element method: kind, radii, length, start station, point and azimuth), `digits` decimals
/// (0..12). Returns 0.
int RunCurves(const session::LoadedLine& line, int digits, std::ostream& out);

/// The fields of the window's "任一点坐标" frame, as typed.
struct PointOptions {
    std::string Station; ///< station text, optionally led by a mark letter
    std::string Skew;    ///< skew distance, m, positive = left of the line
    std::string Angle;   ///< right deflection angle, degrees, [0, 180); empty or 0 = 90
    int Digits = 4;      ///< decimals of the point files and the polar distance
    FieldOptions Field;  ///< the point as a point file, and its polar stake-out lines
};
/// The vertical-curve table of the loaded profile as CSV: station, mileage, elevation, grade_in,
/// grade_out (percent), radius, length, tangent, external, start_station, end_station. Returns 0,
/// or 1 without a profile (refused).
int RunProfile(const session::LoadedLine& line, ConsolePrompts& prompts, int digits,
               std::ostream& out);

/// X, Y and the azimuth text of one point, as the window shows them. Returns 0, or 1 after a
/// refusal or failure (reported).
int RunPoint(const session::LoadedLine& line, ConsolePrompts& prompts, const PointOptions& options,
             std::ostream& out);

struct LocateOptions {
    std::vector<std::string> Points; ///< "X,Y" texts of --point, named P1, P2, ...
    std::string PointFile;           ///< a point file (name,X,Y[,H] or CASS name,code,Y,X,H)
    int Digits = 4;                  ///< decimals of the numbers written, 0..12
    FieldOptions Field;              ///< the points as point files, and their polar columns
};
/// Point -> station: one CSV row name,x,y,station,mileage,offset,azimuth per foot of each
/// point, nearest first; a point without a foot, or at the centre of an arc, gets one row with
/// the last four fields empty and a message on stderr. Returns 0, or 1 when the points cannot
/// be read (reported).
int RunLocate(const session::LoadedLine& line, ConsolePrompts& prompts,
              const LocateOptions& options, std::ostream& out);

struct PilesOptions {
    std::string PileFile;
    /// Both outputs are written or neither: they are committed together after both were written.
    int Digits = 4;
    std::string Xlsx; ///< write the coordinate table as a workbook here when not empty
    std::string Dxf;  ///< draw into a new drawing and write it here when not empty
    double AtX = 0.0; ///< insertion point of the drawn table, survey X (north), m
    double AtY = 0.0; ///< survey Y (east), m
    bool Table = false, Sketch = false, StakeOut = false; ///< drawings asked for; none = all
    /// The piles as point files; with a setup the polar columns, the sheet "极坐标放样表" in the
    /// workbook and the set-up in the drawing. All outputs are committed together.
    FieldOptions Field;
};
/// The pile coordinate table of a pile file as CSV: pier (0-based), station text, entry
/// (1-based), L1, L2, X, Y; optionally the workbook and the drawings. The pile file is read once.
int RunPiles(const session::LoadedLine& line, ConsolePrompts& prompts, const PilesOptions& options,
             std::ostream& out);

/// Writes the line, its chain breaks and its profile as LandXML 1.2 to `path`.
int RunLandXml(const session::LoadedLine& line, ConsolePrompts& prompts, const std::string& path);

/// Draws the design line into a new drawing and writes it as DXF.
int RunDraw(const session::LoadedLine& line, ConsolePrompts& prompts, const std::string& dxfPath);

/// Whether the output files may be written: refuses (through `prompts`) an output path that
/// names one of the input files, under any spelling of its path ("输出文件不能是输入文件："),
/// a workbook and a drawing asked for in one file ("工作簿和图形不能写入同一文件："), and,
/// unless `force`, a path where something exists already, a dangling link included
/// ("输出文件已存在：…（要替换它请加 --force）"). An empty path means the output was not asked
/// for. Returns true when nothing was refused.
bool OutputsAreSafe(ConsolePrompts& prompts, const std::vector<std::string>& inputs,
                    const std::string& xlsx, const std::string& dxf, bool force);

/// The same for the point files of `field` next to the command's other outputs (`others`,
/// empty ones ignored): an input, an existing file without `force`, and two outputs in one file
/// ("两个输出不能写入同一文件：") are refused.
bool ExportsAreSafe(ConsolePrompts& prompts, const std::vector<std::string>& inputs,
                    const std::vector<std::string>& others, const FieldOptions& field, bool force);

/// `text` as one CSV field: control characters escaped (geometry::EscapeControlCharacters); a
/// text a spreadsheet would compute (it starts with '=', '+', '-' or '@' and is not a number)
/// led by an apostrophe and quoted; a field holding a comma or a quote quoted, its quotes
/// doubled.
std::string CsvField(const std::string& text);

} // namespace tesk::cli
