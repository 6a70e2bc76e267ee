#pragma once

// Helpers of the element-alignment tests: element lines built from rows as the element reader
// reads them, and an independent reference for the geometry. The reference knows nothing of
// clothoid series: it takes an element as what it is, a curve whose curvature runs linearly in
// arc length from 1/start radius to 1/end radius (0 for the code 10000), and integrates it (see
// support/linear_curvature.h).

#include "alignment/element/element_alignment.h"
#include "geometry/angles.h"
#include "geometry/error.h"
#include "support/linear_curvature.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace tesk::element::testing {
using geometry::DmsToDegrees;
using tesk::testing::AngleGap;
using tesk::testing::Integrate;
using tesk::testing::RefPoint;

struct Row {
    double StartRadius; ///< m, signed, 10000 = infinite
    double EndRadius;   ///< m
    double Length;      ///< m
};

/// The error code of the geometry::RuntimeError `call` throws; a test failure when it throws none.
inline geometry::ErrorCode CodeOf(const auto& call) {
    try {
        call();
    } catch (const geometry::RuntimeError& e) {
        return e.Code();
    }
    ADD_FAILURE() << "no RuntimeError thrown";
    return geometry::ErrorCode::Output;
}

/// The element rows of `rows`.
inline std::vector<ElementRow> RowsOf(const std::vector<Row>& rows) {
    std::vector<ElementRow> out;
    for (const Row& r : rows) {
        out.push_back({r.StartRadius, r.EndRadius, r.Length});
    }
    return out;
}

/// The input of an element file: head values (start azimuth as d.mmss, as written) and rows.
inline ElementInput InputOf(double station, double x, double y, double azimuthDms,
                            const std::vector<Row>& rows) {
    return {station, x, y, DmsToDegrees(azimuthDms), RowsOf(rows)};
}

/// The line of an element file.
inline ElementAlignment Load(double station, double x, double y, double azimuthDms,
                             const std::vector<Row>& rows) {
    return ElementAlignment(InputOf(station, x, y, azimuthDms, rows));
}

/// A joint of the line: its mileage, point and azimuth (rad, in [0, 2*pi)).
struct Joint {
    double Mileage = 0.0;
    geometry::PlanePoint Point;
    double Azimuth = 0.0;
};

/// The start of element i (0-based); for i = Elements().size() the end of the line.
inline Joint JointOf(const ElementAlignment& line, std::size_t i) {
    if (i == line.Elements().size()) {
        return {line.EndMileage(), line.End(), line.EndAzimuth()};
    }
    const Element& e = line.Elements()[i];
    return {e.StartMileage, e.Start, e.StartAzimuth};
}

inline long double Curvature(double radius) {
    return radius == 10000.0 ? 0.0L : 1.0L / static_cast<long double>(radius);
}

/// The line of `rows` (unsplit rows are fine: a reversing spiral is one linear-curvature curve)
/// from a start point and azimuth (radians), evaluated by integration alone.
class ReferenceLine {
public:
    ReferenceLine(double station, double x, double y, double azimuthRadians, std::vector<Row> rows)
        : m_rows(std::move(rows)) {
        RefPoint p{x, y, azimuthRadians};
        long double s = station;
        for (const Row& r : m_rows) {
            m_starts.push_back(p);
            m_stations.push_back(s);
            p = Integrate(p, Curvature(r.StartRadius), Rate(r), r.Length);
            s += r.Length;
        }
        m_starts.push_back(p);
        m_stations.push_back(s);
    }

    /// The point at a station inside the line (first element whose range holds it).
    RefPoint At(double station) const {
        const std::size_t n = m_rows.size();
        std::size_t i = 0;
        while (i + 1 < n && station >= m_stations[i + 1]) {
            ++i;
        }
        const Row& r = m_rows[i];
        return Integrate(m_starts[i], Curvature(r.StartRadius), Rate(r),
                         static_cast<long double>(station) - m_stations[i]);
    }

    /// The end of element i (0-based), i.e. the start of element i+1.
    const RefPoint& Start(std::size_t i) const { return m_starts[i]; }
    long double Station(std::size_t i) const { return m_stations[i]; }

private:
    static long double Rate(const Row& r) {
        return r.Length == 0.0 ? 0.0L
                               : (Curvature(r.EndRadius) - Curvature(r.StartRadius)) / r.Length;
    }

    std::vector<Row> m_rows;
    std::vector<RefPoint> m_starts;
    std::vector<long double> m_stations;
};

inline double Degrees(double deg) {
    return deg * std::numbers::pi / 180.0;
}

} // namespace tesk::element::testing
