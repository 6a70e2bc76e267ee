#pragma once

#include "state/method.h"
#include "geometry/plane.h"
#include "state/shared_state.h"

namespace tesk::piles {

/// First and last continuous station of the loaded alignment of `method`, m.
struct StationRange {
    double First = 0.0;
    double Last = 0.0;
    bool Contains(double mileage) const { return First <= mileage && mileage <= Last; }
};

StationRange AlignmentRange(const state::SharedState& s, state::AlignmentMethod method);

/// The design-line point and tangent azimuth at a continuous station on the alignment of
/// `method`. Throws geometry::RuntimeError when the alignment cannot be evaluated there.
geometry::StationPoint EvaluateStation(const state::SharedState& s, state::AlignmentMethod method,
                                    double mileage);

} // namespace tesk::piles
