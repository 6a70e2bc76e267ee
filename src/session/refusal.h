#pragma once

// A refused command: the message the user sees and the field the window puts the focus on.

#include <string>

namespace tesk::session {

/// The input fields of the point frame ("任一点坐标"), for the focus after a refusal.
enum class Field {
    None,    ///< no field: the focus stays where it is
    Station, ///< the station text
    Angle,   ///< the right deflection angle
    Skew,    ///< the skew distance(s)
};

struct Refusal {
    std::string Message;
    Field Focus = Field::None;
    bool ActivateFirst = false; ///< bring the main window to the front before the message
};

} // namespace tesk::session
