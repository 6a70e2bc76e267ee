#pragma once

// The "任一点坐标" frame of the main window: one station, skew distance and right deflection
// angle to the pile's X, Y and the line's tangent azimuth.

#include "state/method.h"
#include "geometry/plane.h"
#include "state/prompts.h"
#include "state/shared_state.h"

#include <optional>
#include <string>

namespace tesk::piles {

/// The three input fields of the frame, as typed.
struct PointFields {
    std::string Text1; ///< station text, optionally led by a mark letter
    std::string Text2; ///< right deflection angle, decimal degrees, [0, 180); empty or 0 = 90
    std::string Text3; ///< skew distance, m, positive = left of the line
};

/// What Compute writes into the output fields.
struct PointResult {
    std::string Text4;    ///< X of the pile, "0.0000"
    std::string Text5;    ///< Y of the pile, "0.0000"
    std::string Text6;    ///< tangent azimuth of the line at the station, fwj text
    double X = 0.0;       ///< m, north
    double Y = 0.0;       ///< m, east
    double Azimuth = 0.0; ///< rad
};

/// Compute (the "计  算" button). Returns the outputs, or nothing after a refusal (shown
/// through `prompts`, with the focus moved to the offending field) or after a failure of the
/// alignment at that station (shown as an error naming the station). The caller clears
/// Text4..Text6 before calling and fills them only from a result.
std::optional<PointResult> Command7(const state::SharedState& s, state::Prompts& prompts,
                                    state::AlignmentMethod method, const PointFields& fields);

/// The pile point at a design-line point: skew distance d (m, positive = left) along the
/// direction turned by theta (degrees, clockwise) from the tangent azimuth, then reversed.
geometry::PlanePoint OffsetPoint(const geometry::StationPoint& linePoint, double thetaDegrees, double d);

} // namespace tesk::piles
