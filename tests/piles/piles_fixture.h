#pragma once

#include "state/alignment_tables.h"
#include "state/shared_state.h"

#include <memory>

namespace tesk::testing {

/// A straight JD line heading due north from (1000, 2000), stations 0 .. 1000.
inline std::unique_ptr<state::SharedState> NorthLine() {
    auto s = std::make_unique<state::SharedState>();
    s->StartStation = 0.0;
    s->JdCount = 2;
    s->JdX[1] = 1000.0;
    s->JdY[1] = 2000.0;
    s->JdX[2] = 2000.0;
    s->JdY[2] = 2000.0;
    jd::BuildJdAlignment(*s);
    return s;
}

} // namespace tesk::testing
