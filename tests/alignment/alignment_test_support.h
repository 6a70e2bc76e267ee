#pragma once

// Checks that hold for every built line, whichever builder laid it: the segment list chains the
// line from Start() to End(), PointAt finds the piece a plain scan of the segments finds, and
// beyond the ends the line runs on along its end tangents.

#include "alignment/alignment.h"
#include "geometry/error.h"

#include <cmath>
#include <cstddef>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

namespace tesk::alignment::testing {

/// The segment whose [StartMileage, EndMileage) holds `mileage`, by a scan of Segments();
/// nothing outside [Start(), End()).
inline std::optional<std::size_t> SegmentHolding(const Alignment& line, double mileage) {
    const std::vector<Segment>& segments = line.Segments();
    for (std::size_t k = 0; k < segments.size(); ++k) {
        if (segments[k].StartMileage <= mileage && mileage < segments[k].EndMileage) {
            return k;
        }
    }
    return std::nullopt;
}

/// What evaluating at a mileage gives: the point, or the code of the failure.
struct Outcome {
    std::optional<geometry::StationPoint> Point;
    geometry::ErrorCode Code = geometry::ErrorCode::Output;
};

template <typename Call> Outcome OutcomeOf(Call call) {
    try {
        return {call(), {}};
    } catch (const geometry::RuntimeError& e) {
        return {std::nullopt, e.Code()};
    }
}

/// PointAt(mileage) gives bit for bit what the formula of the segment holding it gives, or fails
/// with the same code (a gap between overlapping curves). Before the start and from the end on
/// it runs on along the tangent at the line's first or last point.
inline void ExpectSameAsSegmentScan(const Alignment& line, double mileage) {
    const std::vector<Segment>& segments = line.Segments();
    ASSERT_FALSE(segments.empty()) << "a line without segments";
    const std::optional<std::size_t> k = SegmentHolding(line, mileage);
    if (!k) {
        const bool before = mileage < line.Start();
        ASSERT_TRUE(before || mileage >= line.End()) << "mileage " << mileage << " in no segment";
        const geometry::StationPoint end =
            before ? geometry::StationPoint{segments.front().Start.X, segments.front().Start.Y,
                                            segments.front().StartAzimuth}
                   : line.PointOnSegment(segments.size() - 1, line.End());
        const double f = mileage - (before ? line.Start() : line.End());
        const geometry::StationPoint got = line.PointAt(mileage);
        const double tolerance = 1e-8 * (1.0 + std::fabs(f));
        EXPECT_NEAR(got.X, end.X + f * std::cos(end.Azimuth), tolerance) << "mileage " << mileage;
        EXPECT_NEAR(got.Y, end.Y + f * std::sin(end.Azimuth), tolerance) << "mileage " << mileage;
        EXPECT_NEAR(std::remainder(got.Azimuth - end.Azimuth, 2 * std::numbers::pi), 0.0, 1e-14)
            << "mileage " << mileage;
        return;
    }
    const Outcome got = OutcomeOf([&] { return line.PointAt(mileage); });
    const Outcome want = OutcomeOf([&] { return line.PointOnSegment(*k, mileage); });
    ASSERT_EQ(got.Point.has_value(), want.Point.has_value())
        << "mileage " << mileage << " segment " << *k << " of " << segments[*k].Source;
    if (!got.Point) {
        EXPECT_EQ(got.Code, want.Code) << "mileage " << mileage;
        return;
    }
    EXPECT_EQ(got.Point->X, want.Point->X) << "mileage " << mileage << " segment " << *k;
    EXPECT_EQ(got.Point->Y, want.Point->Y) << "mileage " << mileage << " segment " << *k;
    EXPECT_EQ(got.Point->Azimuth, want.Point->Azimuth)
        << "mileage " << mileage << " segment " << *k;
}

/// Every segment boundary and the doubles either side of it, every main point, and `count`
/// random mileages from 10 m before the start to 10 m beyond the end.
inline std::vector<double> ProbeMileages(const Alignment& line, int count, unsigned seed = 5) {
    std::vector<double> out;
    const double inf = std::numeric_limits<double>::infinity();
    for (const Segment& s : line.Segments()) {
        for (const double m : {s.StartMileage, s.EndMileage}) {
            out.insert(out.end(), {m, std::nextafter(m, -inf), std::nextafter(m, inf)});
        }
    }
    for (const MainPoint& p : line.MainPoints()) {
        out.push_back(p.Mileage);
    }
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> anywhere(line.Start() - 10.0, line.End() + 10.0);
    for (int k = 0; k < count; ++k) {
        out.push_back(anywhere(random));
    }
    return out;
}

/// PointAt against the segment scan at every probe mileage.
inline void ExpectPointAtMatchesSegmentScan(const Alignment& line, int count = 5000) {
    for (const double m : ProbeMileages(line, count)) {
        ExpectSameAsSegmentScan(line, m);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

/// The segments are ordered and contiguous, cover [Start(), End()] exactly, and each one's start
/// point and azimuth are PointAt's at its start mileage. With `continuous`, each segment's own
/// formula also reaches the next segment's start point and tangent (a line without overlaps).
inline void ExpectSegmentsChainTheLine(const Alignment& line, bool continuous) {
    const std::vector<Segment>& segments = line.Segments();
    if (segments.empty()) {
        EXPECT_EQ(line.Start(), line.End());
        return;
    }
    EXPECT_EQ(segments.front().StartMileage, line.Start());
    EXPECT_EQ(segments.back().EndMileage, line.End());
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const Segment& s = segments[k];
        SCOPED_TRACE(::testing::Message() << "segment " << k << " of " << s.Source);
        EXPECT_LT(s.StartMileage, s.EndMileage);
        if (k + 1 < segments.size()) {
            EXPECT_EQ(s.EndMileage, segments[k + 1].StartMileage);
        }
        if (s.Kind == SegmentKind::Gap) {
            EXPECT_FALSE(continuous) << "a gap in a line without overlaps";
            continue;
        }
        const geometry::StationPoint at = line.PointAt(s.StartMileage);
        EXPECT_EQ(s.Start.X, at.X);
        EXPECT_EQ(s.Start.Y, at.Y);
        EXPECT_EQ(s.StartAzimuth, at.Azimuth);
        if (continuous && k + 1 < segments.size()) {
            const geometry::StationPoint end = line.PointOnSegment(k, s.EndMileage);
            const Segment& next = segments[k + 1];
            EXPECT_NEAR(end.X, next.Start.X, 1e-8);
            EXPECT_NEAR(end.Y, next.Start.Y, 1e-8);
            EXPECT_NEAR(std::remainder(end.Azimuth - next.StartAzimuth, 2 * std::numbers::pi), 0.0,
                        1e-12);
        }
    }
}

} // namespace tesk::alignment::testing
