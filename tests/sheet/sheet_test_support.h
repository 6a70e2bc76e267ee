#pragma once

// The border lines and cell names the worksheet tests compare with.

#include "sheet/workbook.h"

#include <string_view>

namespace tesk::sheet::testing {

inline const Border kThin{LineStyle::Continuous, BorderWeight::Thin, kColorIndexAutomatic};
inline const Border kMedium{LineStyle::Continuous, BorderWeight::Medium, kColorIndexAutomatic};
inline const Border kNone{};

/// The cell named `name` ("B3").
inline CellAddress At(std::string_view name) {
    return ParseCell(name);
}

} // namespace tesk::sheet::testing
