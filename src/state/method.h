#pragma once

namespace tesk::state {

/// Which alignment the commands read: the main window's method option.
enum class AlignmentMethod {
    IntersectionPoint, ///< "交点法—主线": JD tables
    Element,           ///< "积木法—互通": element tables
};

} // namespace tesk::state
