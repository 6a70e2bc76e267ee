#include "alignment/alignment.h"

#include "alignment/foot_index_detail.h"
#include "alignment/formula_detail.h"
#include "geometry/angles.h"
#include "geometry/clothoid.h"
#include "geometry/error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace tesk::alignment {

using geometry::ErrorCode;
using geometry::RuntimeError;
using geometry::StationPoint;

namespace detail {

StationPoint Evaluate(const Formula& p, double mileage) {
    const double f = p.Direction * (mileage - p.BaseMileage);
    // A local offset (u along Frame, v to its right) placed at Base.
    const auto place = [&p](double u, double v) {
        return geometry::PlanePoint{p.Base.X + u * p.CosFrame - v * p.SinFrame,
                                    p.Base.Y + u * p.SinFrame + v * p.CosFrame};
    };
    switch (p.Kind) {
    case Rule::Straight:
        return {p.Base.X + f * p.CosFrame, p.Base.Y + f * p.SinFrame, p.Frame};
    case Rule::Arc: {
        // The chord of half angle h = l/2R: u = 2R sin h cos h, v = 2R sin^2 h, which keeps its
        // digits for short arcs and needs one sine-cosine pair.
        const double r = p.ArcRadius;
        const double h = geometry::Divide(std::fabs(f), 2.0 * r, "arc radius");
        const double sh = std::sin(h);
        const double ch = std::cos(h);
        const double twoRSin = 2.0 * r * sh;
        const geometry::PlanePoint pt = place(twoRSin * ch, twoRSin * sh);
        return {pt.X, pt.Y, p.Azimuth0 + f / p.TurnRadius};
    }
    case Rule::ClothoidFromOrigin: {
        const double along = f + p.Lead;
        const geometry::LocalOffset d =
            geometry::ClothoidChord(std::fabs(p.Lead), std::fabs(along), p.K);
        const geometry::PlanePoint pt = place(p.ChordSign * d.U, p.ChordSign * d.V);
        return {pt.X, pt.Y, p.Azimuth0 + p.TurnSign * (along * along / p.TwoK)};
    }
    case Rule::ClothoidPiece: {
        const geometry::LocalOffset d =
            geometry::ClothoidSegment(p.StartCurvature, p.CurvatureRate, f);
        const geometry::PlanePoint pt = place(d.U, d.V);
        return {pt.X, pt.Y, p.Frame + (p.StartCurvature + 0.5 * p.CurvatureRate * f) * f};
    }
    case Rule::Gap:
        break;
    }
    throw RuntimeError(ErrorCode::Geometry,
                       "the station is covered by no part of the curve (overlapping or "
                       "inconsistent tables)");
}

} // namespace detail

namespace {

SegmentKind KindOf(const detail::Formula& f) {
    switch (f.Kind) {
    case detail::Rule::Straight:
        return SegmentKind::Line;
    case detail::Rule::Arc:
        return SegmentKind::Arc;
    case detail::Rule::ClothoidFromOrigin:
    case detail::Rule::ClothoidPiece:
        return f.CurvatureAtStart == f.CurvatureAtEnd ? SegmentKind::Arc : SegmentKind::Clothoid;
    case detail::Rule::Gap:
        return SegmentKind::Gap;
    }
    return SegmentKind::Gap;
}

} // namespace

Alignment::Alignment() = default;
Alignment::~Alignment() = default;
Alignment::Alignment(const Alignment&) = default;
Alignment& Alignment::operator=(const Alignment&) = default;
Alignment::Alignment(Alignment&&) noexcept = default;
Alignment& Alignment::operator=(Alignment&&) noexcept = default;

Alignment Alignment::FromFormulas(std::vector<detail::Formula> formulas, double start,
                                  double end, std::vector<MainPoint> mainPoints,
                                  std::vector<std::string> sources, std::string emptyMessage) {
    Alignment a;
    a.m_sources = std::make_shared<const std::vector<std::string>>(std::move(sources));
    a.m_start = start;
    a.m_end = end;
    a.m_mainPoints = std::move(mainPoints);
    a.m_emptyMessage = std::move(emptyMessage);
    if (formulas.empty()) {
        return a;
    }
    formulas.front().StartMileage = -std::numeric_limits<double>::infinity();
    for (detail::Formula& f : formulas) {
        f.CosFrame = std::cos(f.Frame);
        f.SinFrame = std::sin(f.Frame);
    }
    a.m_pieceStarts.reserve(formulas.size());
    for (const detail::Formula& f : formulas) {
        a.m_pieceStarts.push_back(f.StartMileage);
    }
    a.m_formulas = std::move(formulas);

    // Buckets over the finite starts: a mileage's bucket B(m) = floor((m - origin) * scale) is
    // monotonic in m, so the piece holding m lies between the last piece of an earlier bucket
    // and the last piece of its own bucket.
    const std::size_t n = a.m_pieceStarts.size();
    if (n > 1) {
        const double first = a.m_pieceStarts[1];
        const double last = a.m_pieceStarts[n - 1];
        const std::size_t buckets = 2 * n;
        a.m_bucketOrigin = first;
        const double scale = static_cast<double>(buckets) / (last - first);
        a.m_bucketScale = last > first && std::isfinite(scale) ? scale : 0.0;
        a.m_bucketFirst.assign(buckets + 1, n);
        // m_bucketFirst[b] = the first piece i >= 1 whose bucket is >= b.
        std::size_t i = 1;
        for (std::size_t b = 0; b <= buckets; ++b) {
            while (i < n && a.BucketOf(a.m_pieceStarts[i]) < b) {
                ++i;
            }
            a.m_bucketFirst[b] = i;
        }
    }

    // The segment list between start and end.
    for (std::size_t i = 0; i < n; ++i) {
        const double from = std::max(a.m_pieceStarts[i], start);
        const double to = std::min(i + 1 < n ? a.m_pieceStarts[i + 1] : end, end);
        if (!(from < to)) {
            continue;
        }
        const detail::Formula& f = a.m_formulas[i];
        Segment s;
        s.Kind = KindOf(f);
        s.StartMileage = from;
        s.EndMileage = to;
        s.StartCurvature = f.CurvatureAtStart;
        s.EndCurvature = f.CurvatureAtEnd;
        if (f.Source != detail::kNoSource) {
            s.Source = a.m_sources->at(f.Source);
        }
        if (s.Kind != SegmentKind::Gap) {
            const StationPoint p = detail::Evaluate(f, from);
            s.Start = {p.X, p.Y};
            s.StartAzimuth = geometry::NormaliseAzimuth(p.Azimuth);
        }
        a.m_segments.push_back(std::move(s));
        a.m_segmentPiece.push_back(i);
    }
    a.m_footIndex = std::make_shared<detail::LazyFootIndex>();
    return a;
}

std::size_t Alignment::BucketOf(double mileage) const {
    const double b = std::floor((mileage - m_bucketOrigin) * m_bucketScale);
    const double last = static_cast<double>(m_bucketFirst.size() - 1);
    return static_cast<std::size_t>(std::clamp(b, 0.0, last));
}

std::size_t Alignment::PieceOf(double mileage) const {
    const std::size_t n = m_pieceStarts.size();
    if (n == 1 || mileage < m_pieceStarts[1]) {
        return 0;
    }
    const std::size_t b = BucketOf(mileage);
    // The answer is the last piece with start <= mileage among lo .. hi.
    std::size_t lo = m_bucketFirst[b] - 1; // start < mileage (an earlier bucket, or piece 0)
    std::size_t hi = b + 1 < m_bucketFirst.size() ? m_bucketFirst[b + 1] - 1 : n - 1;
    if (lo < 1 && mileage >= m_pieceStarts[1]) {
        lo = 1;
    }
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo + 1) / 2;
        if (m_pieceStarts[mid] <= mileage) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

StationPoint Alignment::PointAt(double mileage) const {
    geometry::RequireFinite(mileage, "station");
    if (m_formulas.empty()) {
        throw RuntimeError(ErrorCode::Geometry, m_emptyMessage);
    }
    return Evaluate(PieceOf(mileage), mileage);
}

StationPoint Alignment::PointOnSegment(std::size_t segment, double mileage) const {
    geometry::RequireFinite(mileage, "station");
    if (segment >= m_segments.size()) {
        throw RuntimeError(ErrorCode::IndexOutOfRange,
                           "segment " + std::to_string(segment) + " outside 0.." +
                               std::to_string(m_segments.size()));
    }
    return Evaluate(m_segmentPiece[segment], mileage);
}

StationPoint Alignment::Evaluate(std::size_t piece, double mileage) const {
    const detail::Formula& f = m_formulas[piece];
    const auto where = [&]() -> std::string {
        return f.Source == detail::kNoSource ? std::string() : " at " + m_sources->at(f.Source);
    };
    StationPoint p;
    try {
        p = detail::Evaluate(f, mileage);
    } catch (const RuntimeError& e) {
        if (f.Source == detail::kNoSource) {
            throw;
        }
        throw RuntimeError(ErrorCode::Geometry, std::string(e.what()) + where());
    }
    if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Azimuth)) {
        throw RuntimeError(ErrorCode::NonFinite, "the line gives no finite point" + where());
    }
    p.Azimuth = geometry::NormaliseAzimuth(p.Azimuth);
    return p;
}

} // namespace tesk::alignment
