#pragma once

// LandXML 1.2: reading an alignment that design software delivers (its horizontal geometry, its
// chain breaks and its design profile) and writing one of ours back.
//
// Reading. The file's <Alignments><Alignment> (one picked by name, else the first) gives:
//   * CoordGeom: Line, Curve (circular arc) and Spiral (clothoid only) elements, each laid from
//     its own <Start> point (point text is "northing easting [elevation]", so X north, Y east as
//     everywhere in the program) with its length, radius, rotation (rot="cw" turns right) and
//     the direction at its start. That direction is taken from the element's own points (Line:
//     Start to End; Curve: Center, else the chord Start-End; Spiral: the chord Start-End, else
//     Start to PI), else from the dir/dirStart attribute, else from the previous element's end.
//     The dir/dirStart attributes are cross-checked against the points. How a file measures its
//     directions is found from the file itself: clockwise from north (the program's azimuth) or
//     counter-clockwise from east (the mathematical angle), whichever its elements with both a
//     direction and points agree with; clockwise from north when nothing tells.
//   * Gaps between consecutive elements of more than 1 mm in position or 1″ in direction (or
//     more than what the printed digits of the points can explain) come back as warnings naming
//     the elements and the size; smaller ones are rounding and pass silently.
//   * The Alignment's staStart is the start mileage; element staStart values are cross-checked.
//   * StaEquation (staBack, staAhead, staInternal) become the chain breaks, in the order of
//     staInternal (at most 19); staInternal must agree with where the written stations put the
//     break, or the file is refused.
//   * Units: linearUnit is kept as written and shown, never converted; angularUnit and
//     directionUnit may be radians, grads, decimal degrees or "decimal dd.mm.ss".
//   * Profile/ProfAlign: PVI, ParaCurve (length L: R = L / |omega|), UnsymParaCurve (lengthIn,
//     lengthOut) and CircCurve (radius) become the grade points of a profile::Profile; the PVI
//     stations are taken as the alignment's continuous (internal) mileage.
//   * Element names are matched by their local name, so national variants of LandXML 1.2 under
//     another default namespace (Inframodel) read the same way.
//
// Refused with geometry::RuntimeError naming the file (and the element and its line where there
// is one): a file over 32 MiB (FileAccess), not XML or not LandXML (Format), no alignment or no
// alignment of the asked name (Format, the names listed), an Alignment without CoordGeom, a
// spiral other than a clothoid, IrregularLine and Chain elements, unknown units, missing or
// malformed attributes and points (all Format).
//
// Writing. LandXML 1.2 with Units Metric (linearUnit meter; angularUnit and directionUnit
// radians), one Alignment with CoordGeom (Line with Start, End; Curve with Start, Center, End,
// PI, rot, radius, delta; Spiral with Start, PI, End, rot, radiusStart/radiusEnd or INF), every
// element with staStart and length, StaEquation per chain break (staBack, staAhead,
// staInternal) and, with a profile, Profile/ProfAlign with PVI and ParaCurve (UnsymParaCurve
// with lengthIn/lengthOut, CircCurve with radius and its horizontal length, for those curves).
// No dir/dirStart attributes are written: software differs on how it measures them, and every
// element's points say its direction unambiguously. A reversing spiral is written as two
// spirals meeting at curvature 0; a curve of 180 degrees or more has no PI. Numbers are written
// with the digits that read back to the same double, so reading the file back gives the same points
// within 1e-9 m.

#include "alignment/alignment.h"
#include "alignment/placed/placed_alignment.h"
#include "profile/profile.h"
#include "stationing/stationing.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

/// Largest LandXML file read, bytes.
inline constexpr std::uintmax_t kMaxLandXmlBytes = 32u * 1024u * 1024u;

/// The units a LandXML file declares, as written.
struct LandXmlUnits {
    std::string System = "Metric";     ///< "Metric" or "Imperial"
    std::string Linear = "meter";      ///< linearUnit as written, e.g. "meter", "USSurveyFoot"
    std::string Angular = "radians";   ///< angularUnit as written
    std::string Direction = "radians"; ///< directionUnit as written
};

/// Everything a loaded line needs from one alignment of a LandXML file.
struct LandXmlAlignment {
    std::string Name;                        ///< the Alignment's name attribute (may be empty)
    std::vector<std::string> AlignmentNames; ///< every Alignment's name in the file, in order
    std::shared_ptr<const placed::PlacedAlignment> Line; ///< the horizontal alignment, built
    std::vector<stationing::ChainBreak> Breaks;          ///< from StaEquation, in order
    std::shared_ptr<const profile::Profile> Profile;     ///< from ProfAlign; null when none
    LandXmlUnits Units;
    /// True when the file's directions were found to be counter-clockwise from east.
    bool DirectionsFromEast = false;
    /// Gaps, disagreements and assumptions, each naming the element: to show the user.
    std::vector<std::string> Warnings;
};

/// Reads the alignment called `alignmentName` (the first one when empty) of the LandXML file at
/// `path`. Throws geometry::RuntimeError: EmptyPath for an empty path, FileAccess for a file
/// that cannot be read or is over kMaxLandXmlBytes, Format (message starting with the path) for
/// everything refused above, and the builders' codes (prefixed with the path) for geometry that
/// cannot be built.
LandXmlAlignment ReadLandXml(const std::string& path, const std::string& alignmentName = {});

/// The same for a file's bytes already in memory; `where` (e.g. the path) starts the messages.
LandXmlAlignment ReadLandXmlText(std::string_view bytes, const std::string& alignmentName = {},
                                 const std::string& where = "LandXML");

/// The names of the alignments in a LandXML file, in order (for a choice list). Throws as
/// ReadLandXml for a file that cannot be read or is not LandXML.
std::vector<std::string> LandXmlAlignmentNames(const std::string& path);

/// The LandXML text of `line` (its segments, continuous mileage from line.Start()), its chain
/// breaks (written stations, in order) and optionally its profile, as described above, under the
/// alignment name `name`. Throws geometry::RuntimeError(Format) for a line with a gap between
/// overlapping curves (which LandXML cannot say) or no segments, and NonFinite for a value that
/// is not finite.
std::string LandXmlText(const alignment::Alignment& line,
                        const std::vector<stationing::ChainBreak>& breaks,
                        const profile::Profile* profile, const std::string& name = "Tesk");

/// Writes LandXmlText(...) to `path` through OutputFile (all at once). Throws as LandXmlText,
/// and geometry::RuntimeError(FileAccess) naming the path when it cannot be written.
void WriteLandXml(const std::filesystem::path& path, const alignment::Alignment& line,
                  const std::vector<stationing::ChainBreak>& breaks,
                  const profile::Profile* profile, const std::string& name = "Tesk");

} // namespace tesk::formats
