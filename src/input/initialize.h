#pragma once

// The Initialize command ("初始化"): loads a design line and makes it the current alignment.

#include "state/method.h"
#include "state/prompts.h"
#include "state/shared_state.h"

#include <string>
#include <string_view>

namespace tesk::input {

inline constexpr std::string_view kAlignmentDialogTitle = "读取平面资料";
inline constexpr std::string_view kAlignmentDialogFilter =
    "文本文件(*.txt;*.jdx)|*.txt;*.jdx|所有文件（*.*)|*.*";
inline constexpr std::string_view kBreakDialogTitle = "读取断链资料";
inline constexpr std::string_view kBreakDialogFilter =
    "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*";

/// Initialize with the method option `method`: asks for the alignment file (and, for the JD
/// method, the chain-break file), reads, builds and labels the alignment. Returns true on
/// success: the caller then enables the seven alignment commands and empties the six point
/// fields. On any failure one error box is shown and `s` is left exactly as it was, so a
/// previously loaded alignment stays whole and usable.
bool Command4(state::SharedState& s, state::Prompts& prompts, state::AlignmentMethod method);

// The steps of Initialize, for callers that already know the paths (the command-line tool).
// Each throws geometry::RuntimeError on failure and may leave `s` partly written.

/// Reads a JD file, builds the alignment and copies the main-point azimuths.
void LoadJdAlignment(state::SharedState& s, const std::string& path);
/// The steps after reading a JD file: builds the alignment from the vertex table in `s` and
/// copies the main-point azimuths.
void CompleteJdAlignment(state::SharedState& s);
/// Reads a chain-break file and builds the sentinels, the section tables and the main-point
/// labels (which carry the section marks). Requires a loaded JD alignment.
void LoadChainBreaks(state::SharedState& s, const std::string& path);
/// The same as a chain-break file declaring none ("-1 0").
void UseNoChainBreaks(state::SharedState& s);
/// The steps after reading a chain-break file: sentinels, section tables and main-point
/// labels from the breaks in `s` (BreakCount, BreakBack, BreakAhead) and the built JD line.
void CompleteChainBreaks(state::SharedState& s);
/// Puts the chain breaks of `method` in force: those of the loaded JD line for the JD method,
/// none for the element method. The window calls it when the method option is read, so that
/// switching back to the JD method after an element Initialize reads the JD line with its own
/// chain breaks (an element Initialize switches them off but does not forget them).
void UseMethod(state::SharedState& s, state::AlignmentMethod method);
/// Reads an element file, splits reversing spirals, converts the start azimuth and builds the
/// element alignment; chain breaks are switched off.
void LoadElementAlignment(state::SharedState& s, const std::string& path);
/// The steps after reading an element file: split, start azimuth to degrees, construction.
void CompleteElementAlignment(state::SharedState& s);

} // namespace tesk::input
