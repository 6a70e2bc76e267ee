#include "cad/design_line.h"

#include "state/command_handler.h"

namespace tesk::cad {

bool Command1(state::SharedState& s, state::Prompts& prompts, state::AlignmentMethod method,
              DrawingHost& host, const ProgressCallback& progress) {
    // The main window stays hidden behind the progress window, so the error box comes without
    // activating it first.
    return state::RunUnderHandler(prompts, false, [&] {
        if (method == state::AlignmentMethod::IntersectionPoint) {
            DrawDesignLineJd(s, host, progress);
        } else {
            DrawDesignLineElem(s, host, progress);
        }
    });
}

} // namespace tesk::cad
