#pragma once

#include "geometry/error.h"

#include <string>
#include <vector>

namespace tesk::state {

/// A fixed-size table indexed First..Last (usually 1..1000). Every access is bounds-checked:
/// an index outside the table throws RuntimeError(IndexOutOfRange). Cells never written read
/// as T{} (0 or the empty string).
template <typename T, int First, int Last> class Table {
    static_assert(First <= Last);

public:
    static constexpr int kFirst = First;
    static constexpr int kLast = Last;

    Table() : m_cells(static_cast<std::size_t>(Last - First + 1)) {}

    T& operator[](int i) { return m_cells[Offset(i)]; }
    const T& operator[](int i) const { return m_cells[Offset(i)]; }

    /// Sets every cell back to T{}.
    void Clear() { m_cells.assign(m_cells.size(), T{}); }

private:
    static std::size_t Offset(int i) {
        if (i < First || i > Last) {
            throw geometry::RuntimeError(geometry::ErrorCode::IndexOutOfRange,
                               "index " + std::to_string(i) + " outside table " +
                                   std::to_string(First) + ".." + std::to_string(Last));
        }
        return static_cast<std::size_t>(i - First);
    }

    std::vector<T> m_cells;
};

} // namespace tesk::state
