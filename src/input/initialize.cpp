#include "input/initialize.h"

#include "state/alignment_tables.h"
#include "state/alignment_tables.h"
#include "geometry/angles.h"
#include "input/readers.h"
#include "state/command_handler.h"
#include "stationing/stationing.h"

#include <memory>

namespace tesk::input {

void CompleteChainBreaks(state::SharedState& s) {
    stationing::BuildChainBreakSections(s);
    s.JdBreakCount = s.BreakCount;
    for (int i = 2; i <= s.JdCount - 1; ++i) {
        s.LabelZH[i] = stationing::MileageToLabel(s, s.StationZH[i]);
        s.LabelHY[i] = stationing::MileageToLabel(s, s.StationHY[i]);
        s.LabelQZ[i] = stationing::MileageToLabel(s, s.StationQZ[i]);
        s.LabelYH[i] = stationing::MileageToLabel(s, s.StationYH[i]);
        s.LabelHZ[i] = stationing::MileageToLabel(s, s.StationHZ[i]);
    }
}

void LoadJdAlignment(state::SharedState& s, const std::string& path) {
    ReadJdFile(path, s);
    CompleteJdAlignment(s);
}

void CompleteJdAlignment(state::SharedState& s) {
    jd::BuildJdAlignment(s);
}

void LoadChainBreaks(state::SharedState& s, const std::string& path) {
    ReadChainBreakFile(path, s);
    CompleteChainBreaks(s);
}

void UseNoChainBreaks(state::SharedState& s) {
    s.BreakCount = 0;
    CompleteChainBreaks(s);
}

void LoadElementAlignment(state::SharedState& s, const std::string& path) {
    ReadElementFile(path, s);
    CompleteElementAlignment(s);
}

void CompleteElementAlignment(state::SharedState& s) {
    element::SplitReversingSpirals(s);
    s.ElemStartAzimuth = geometry::DmsToDegrees(s.ElemStartAzimuth);
    element::BuildElementAlignment(s);
    s.BreakCount = 0;
}

void UseMethod(state::SharedState& s, state::AlignmentMethod method) {
    s.BreakCount = method == state::AlignmentMethod::IntersectionPoint ? s.JdBreakCount : 0;
}

bool Command4(state::SharedState& s, state::Prompts& prompts, state::AlignmentMethod method) {
    // Work on a copy and take it over only when everything succeeded: a failed or cancelled
    // Initialize must not leave a half-overwritten alignment behind enabled commands.
    auto work = std::make_unique<state::SharedState>(s);
    const bool succeeded = state::RunUnderHandler(prompts, false, [&] {
        const std::string path(prompts.OpenFile(kAlignmentDialogTitle, kAlignmentDialogFilter));
        if (method == state::AlignmentMethod::IntersectionPoint) {
            LoadJdAlignment(*work, path);
            LoadChainBreaks(*work, prompts.OpenFile(kBreakDialogTitle, kBreakDialogFilter));
        } else {
            LoadElementAlignment(*work, path);
        }
    });
    if (succeeded) {
        s = std::move(*work);
    }
    return succeeded;
}

} // namespace tesk::input
