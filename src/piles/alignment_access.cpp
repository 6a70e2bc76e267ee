#include "piles/alignment_access.h"

#include "state/alignment_tables.h"
#include "state/alignment_tables.h"

namespace tesk::piles {

using state::AlignmentMethod;

StationRange AlignmentRange(const state::SharedState& s, AlignmentMethod method) {
    if (method == AlignmentMethod::IntersectionPoint) {
        return {s.JdStation[1], s.JdStation[s.JdCount]};
    }
    return {s.ElemStation[1], s.ElemStation[s.ElemCount + 1]};
}

geometry::StationPoint EvaluateStation(const state::SharedState& s, AlignmentMethod method,
                                    double mileage) {
    if (method == AlignmentMethod::IntersectionPoint) {
        return jd::JdStationToPoint(s, mileage);
    }
    return element::ElemStationToPoint(s, mileage);
}

} // namespace tesk::piles
