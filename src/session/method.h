#pragma once

namespace tesk::session {

/// Which loaded line the commands read: the main window's method option.
enum class AlignmentMethod {
    IntersectionPoint, ///< "交点法—主线": a JD file with its chain breaks
    Element,           ///< "积木法—互通": an element file
};

} // namespace tesk::session
