#pragma once

// The subcommands of the command-line tool. Each gets a loaded alignment and the options it
// needs, writes CSV to `out` and messages through the prompts, and returns the exit status.

#include "cli/console_prompts.h"
#include "state/method.h"
#include "state/shared_state.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tesk::cli {

/// Where the alignment comes from.
struct AlignmentFiles {
    std::string Jd;     ///< JD file (intersection-point method)
    std::string Breaks; ///< chain-break file for Jd, optional
    std::string Elem;   ///< element file (element method)
    state::AlignmentMethod Method() const {
        return Elem.empty() ? state::AlignmentMethod::IntersectionPoint
                            : state::AlignmentMethod::Element;
    }
};

/// Loads the alignment into `s`; on failure reports through `prompts` and returns false.
bool LoadAlignment(state::SharedState& s, ConsolePrompts& prompts, const AlignmentFiles& files);

struct TableOptions {
    std::vector<std::string> Stations;
    std::optional<std::string> From, To;
    double Step = 20.0;
    int Digits = 4;
};
int RunTable(const state::SharedState& s, ConsolePrompts& prompts, state::AlignmentMethod method,
             const TableOptions& options, std::ostream& out);

int RunCurves(const state::SharedState& s, state::AlignmentMethod method, int digits,
              std::ostream& out);

struct PointOptions {
    std::string Station;
    std::string Skew;
    std::string Angle;
};
int RunPoint(const state::SharedState& s, ConsolePrompts& prompts, state::AlignmentMethod method,
             const PointOptions& options, std::ostream& out);

struct PilesOptions {
    std::string PileFile;
    int Digits = 4;
    std::string Xlsx; ///< write the coordinate table as a workbook here when not empty
    std::string Dxf;  ///< draw into a new drawing and write it here when not empty
    double AtX = 0.0; ///< insertion point of the drawn table, survey X (north), m
    double AtY = 0.0; ///< survey Y (east), m
    bool Table = false, Sketch = false, StakeOut = false; ///< drawings asked for; none = all
};
/// The pile coordinate table of a pile file as CSV: pier (0-based), station text, entry
/// (1-based), L1, L2, X, Y; optionally the workbook and the drawings.
int RunPiles(const state::SharedState& s, ConsolePrompts& prompts, state::AlignmentMethod method,
             const PilesOptions& options, std::ostream& out);

/// Draws the design line into a new drawing and writes it as DXF.
int RunDraw(state::SharedState& s, ConsolePrompts& prompts, state::AlignmentMethod method,
            const std::string& dxfPath);

/// Whether the output files may be written: refuses (through `prompts`) an output path that
/// names one of the input files, under any spelling of its path, and a workbook and a drawing
/// asked for in one file. Empty paths are not given. Returns true when nothing was refused.
bool OutputsAreSafe(ConsolePrompts& prompts, const std::vector<std::string>& inputs,
                    const std::string& xlsx, const std::string& dxf);

/// Quotes a CSV field when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text);

} // namespace tesk::cli
