// The inverse question: from a point to the feet of its perpendiculars on the line.

#include "alignment/alignment.h"
#include "alignment/foot_index_detail.h"
#include "geometry/angles.h"
#include "geometry/error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tesk::alignment {

using geometry::PlanePoint;
using geometry::StationPoint;

namespace detail {

// Sub-pieces of a curved segment turn through at most this (rad) and are at most this long (m):
// within one, the foot function changes sign at most once unless the point lies near a centre
// of curvature, and the sampled bounding box misses at most the sagitta.
constexpr double kPieceTurn = 0.2;
constexpr double kPieceLength = 200.0;

int PiecesOf(const Segment& s) {
    const double length = s.EndMileage - s.StartMileage;
    const double turn = 0.5 * (std::fabs(s.StartCurvature) + std::fabs(s.EndCurvature)) * length;
    const double byTurn = std::ceil(turn / kPieceTurn);
    const double byLength = std::ceil(length / kPieceLength);
    return static_cast<int>(std::clamp(std::max(byTurn, byLength), 1.0, 4096.0));
}

namespace {

struct Sampled {
    double MinX, MaxX, MinY, MaxY;
    double MinAzimuth, MaxAzimuth; // unwrapped along the line
};

} // namespace

FootIndex FootIndex::Build(const Alignment& line) {
    FootIndex index;
    const std::vector<Segment>& segments = line.Segments();
    if (segments.empty()) {
        return index;
    }
    // Leaves: each segment sampled; azimuths unwrapped along the whole line.
    std::vector<Sampled> leaves;
    leaves.reserve(segments.size());
    double previous = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const Segment& s = segments[k];
        Sampled box{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
        if (s.Kind == SegmentKind::Gap) {
            leaves.push_back(box); // empty: never a foot
            continue;
        }
        const int pieces = PiecesOf(s);
        const double length = s.EndMileage - s.StartMileage;
        const double curvature = std::max(std::fabs(s.StartCurvature), std::fabs(s.EndCurvature));
        const double step = length / pieces;
        // What a chord of a sub-piece can miss of the curve, and a little more for rounding.
        const double margin = curvature * step * step / 8.0 + 1e-6;
        for (int j = 0; j <= pieces; ++j) {
            const double m = j == pieces ? s.EndMileage : s.StartMileage + j * step;
            const StationPoint p = line.PointOnSegment(k, m);
            double a = p.Azimuth;
            if (!std::isnan(previous)) {
                a = previous + geometry::ReduceAngle(a - previous);
            }
            previous = a;
            box.MinX = std::min(box.MinX, p.X - margin);
            box.MaxX = std::max(box.MaxX, p.X + margin);
            box.MinY = std::min(box.MinY, p.Y - margin);
            box.MaxY = std::max(box.MaxY, p.Y + margin);
            box.MinAzimuth = std::min(box.MinAzimuth, a);
            box.MaxAzimuth = std::max(box.MaxAzimuth, a);
        }
        // Between samples the tangent turns at most half a piece's turn beyond them.
        const double slack = 0.5 * curvature * step + 1e-9;
        box.MinAzimuth -= slack;
        box.MaxAzimuth += slack;
        leaves.push_back(box);
    }

    // A balanced tree over the leaves, built top-down.
    struct Range {
        std::size_t Node, First, Last;
    };
    index.Nodes.push_back({});
    std::vector<Range> todo{{0, 0, leaves.size()}};
    while (!todo.empty()) {
        const Range r = todo.back();
        todo.pop_back();
        Sampled all = leaves[r.First];
        for (std::size_t k = r.First + 1; k < r.Last; ++k) {
            const Sampled& b = leaves[k];
            all.MinX = std::min(all.MinX, b.MinX);
            all.MaxX = std::max(all.MaxX, b.MaxX);
            all.MinY = std::min(all.MinY, b.MinY);
            all.MaxY = std::max(all.MaxY, b.MaxY);
            all.MinAzimuth = std::min(all.MinAzimuth, b.MinAzimuth);
            all.MaxAzimuth = std::max(all.MaxAzimuth, b.MaxAzimuth);
        }
        FootNode node;
        node.MinX = all.MinX;
        node.MaxX = all.MaxX;
        node.MinY = all.MinY;
        node.MaxY = all.MaxY;
        node.First = r.First;
        node.Last = r.Last;
        const double half = 0.5 * (all.MaxAzimuth - all.MinAzimuth);
        if (std::isfinite(half) && half < 0.45 * geometry::kPi) {
            const double middle = 0.5 * (all.MaxAzimuth + all.MinAzimuth);
            node.ConeX = std::cos(middle);
            node.ConeY = std::sin(middle);
            node.ConeCos = std::cos(half);
            node.ConeSin = std::sin(half);
            node.Pruned = true;
        }
        if (r.Last - r.First > 1) {
            const std::size_t middle = r.First + (r.Last - r.First) / 2;
            node.Left = index.Nodes.size();
            index.Nodes.push_back({});
            node.Right = index.Nodes.size();
            index.Nodes.push_back({});
            todo.push_back({node.Left, r.First, middle});
            todo.push_back({node.Right, middle, r.Last});
        }
        index.Nodes[r.Node] = node;
    }
    return index;
}

bool FootIndex::MayHaveFoot(const FootNode& node, PlanePoint p, double maxDistance) {
    if (!(node.MinX <= node.MaxX)) {
        return false; // only gaps
    }
    const double dx = std::max({node.MinX - p.X, 0.0, p.X - node.MaxX});
    const double dy = std::max({node.MinY - p.Y, 0.0, p.Y - node.MaxY});
    if (dx > maxDistance || dy > maxDistance || std::hypot(dx, dy) > maxDistance) {
        return false;
    }
    if (!node.Pruned) {
        return true;
    }
    // v = C - P for C in the box; a foot needs v . T = 0 for a tangent T of the cone. Over the
    // cone v . T lies within |v| cos(angle(v, m) -+ h): all positive when
    // v.m cos h > |v x m| sin h for every corner, all negative when -v.m cos h > |v x m| sin h.
    double minAlong = std::numeric_limits<double>::infinity();
    double maxAlong = -std::numeric_limits<double>::infinity();
    double maxAcross = 0.0;
    for (const double x : {node.MinX, node.MaxX}) {
        for (const double y : {node.MinY, node.MaxY}) {
            const double vx = x - p.X;
            const double vy = y - p.Y;
            const double along = vx * node.ConeX + vy * node.ConeY;
            const double across = std::fabs(vx * node.ConeY - vy * node.ConeX);
            minAlong = std::min(minAlong, along);
            maxAlong = std::max(maxAlong, along);
            maxAcross = std::max(maxAcross, across);
        }
    }
    const double slack = maxAcross * node.ConeSin;
    return !(minAlong * node.ConeCos > slack || -maxAlong * node.ConeCos > slack);
}

} // namespace detail

namespace {

// The foot function: the component along the tangent of the vector from the line's point to p.
// It is zero at a foot.
double Along(const StationPoint& c, PlanePoint p) {
    return (p.X - c.X) * std::cos(c.Azimuth) + (p.Y - c.Y) * std::sin(c.Azimuth);
}

Foot FootAt(const StationPoint& c, double mileage, PlanePoint p) {
    // The left normal of azimuth a is the direction a - pi/2: (sin a, -cos a).
    const double offset = (p.X - c.X) * std::sin(c.Azimuth) - (p.Y - c.Y) * std::cos(c.Azimuth);
    return {mileage, offset, c.Azimuth, {c.X, c.Y}};
}

} // namespace

void Alignment::LocateOnSegment(std::size_t k, PlanePoint p, Location& out) const {
    const Segment& s = m_segments[k];
    const double length = s.EndMileage - s.StartMileage;
    if (s.Kind == SegmentKind::Line) {
        const double t = (p.X - s.Start.X) * std::cos(s.StartAzimuth) +
                         (p.Y - s.Start.Y) * std::sin(s.StartAzimuth);
        const double tolerance = 1e-9 * std::max(1.0, length);
        if (t >= -tolerance && t <= length + tolerance) {
            const double m = std::clamp(s.StartMileage + t, s.StartMileage, s.EndMileage);
            out.Feet.push_back(FootAt(PointOnSegment(k, m), m, p));
        }
        return;
    }
    if (s.Kind == SegmentKind::Arc && s.StartCurvature != 0.0) {
        // The centre lies 1/k to the right of the tangent (k > 0 turns right).
        const double r = 1.0 / s.StartCurvature;
        const PlanePoint centre{s.Start.X - r * std::sin(s.StartAzimuth),
                                s.Start.Y + r * std::cos(s.StartAzimuth)};
        if (geometry::Distance(centre, p) <= 1e-9 * std::max(1.0, std::fabs(r))) {
            out.ArcCentres.push_back(s.Source);
            return;
        }
    }
    // Sub-pieces short and straight enough that a sign change of the foot function brackets a
    // foot; each bracket is closed by regula falsi (Illinois) on the segment's own formula. A
    // point farther from the curve than its radius of curvature may see two feet close together
    // (near the evolute), with no sign change between the sub-piece's ends: there the extremum
    // of the foot function is found and the piece split at it.
    const double curvature = std::max(std::fabs(s.StartCurvature), std::fabs(s.EndCurvature));
    const int pieces = detail::PiecesOf(s);
    const double step = length / pieces;
    const auto f = [&](double m) { return Along(PointOnSegment(k, m), p); };
    const auto bracketed = [&](double lo, double flo, double hi, double fhi) {
        int side = 0;
        double m = lo;
        for (int iteration = 0; iteration < 100; ++iteration) {
            m = (lo * fhi - hi * flo) / (fhi - flo);
            if (!(m > lo && m < hi)) {
                m = 0.5 * (lo + hi);
            }
            const double fm = f(m);
            if (fm == 0.0 || hi - lo <= 1e-12 * std::max(1.0, std::fabs(m))) {
                break;
            }
            if ((fm < 0.0) == (flo < 0.0)) {
                lo = m;
                flo = fm;
                if (side == -1) {
                    fhi *= 0.5;
                }
                side = -1;
            } else {
                hi = m;
                fhi = fm;
                if (side == 1) {
                    flo *= 0.5;
                }
                side = 1;
            }
        }
        out.Feet.push_back(FootAt(PointOnSegment(k, m), m, p));
    };
    // The slope of the foot function by a central difference.
    const auto slope = [&](double m) {
        const double h = 1e-6 * std::max(1.0, step);
        return (f(m + h) - f(m - h)) / (2.0 * h);
    };
    // At the segment's ends a foot may sit exactly on the joint, where rounding can give the foot
    // function the same tiny sign on both sides: there a value within a nanometre is a foot.
    const auto atEnd = [](double v) { return std::fabs(v) <= 1e-9 ? 0.0 : v; };
    double a = s.StartMileage;
    StationPoint ca = PointOnSegment(k, a);
    double fa = atEnd(Along(ca, p));
    for (int j = 1; j <= pieces; ++j) {
        const double b = j == pieces ? s.EndMileage : s.StartMileage + j * step;
        const StationPoint cb = PointOnSegment(k, b);
        const double fb = j == pieces ? atEnd(Along(cb, p)) : Along(cb, p);
        if (fa == 0.0) {
            out.Feet.push_back(FootAt(ca, a, p));
        } else if (fb != 0.0 && (fa < 0.0) != (fb < 0.0)) {
            bracketed(a, fa, b, fb);
        } else if (fb != 0.0 && geometry::Distance({ca.X, ca.Y}, p) * curvature >= 0.5) {
            // No sign change: look for an extremum of the foot function inside the piece.
            double lo = a, hi = b;
            double slo = slope(lo);
            const double shi = slope(hi);
            if ((slo < 0.0) != (shi < 0.0)) {
                for (int iteration = 0; iteration < 60 && hi - lo > 1e-9 * step; ++iteration) {
                    const double mid = 0.5 * (lo + hi);
                    const double sm = slope(mid);
                    if ((sm < 0.0) == (slo < 0.0)) {
                        lo = mid;
                        slo = sm;
                    } else {
                        hi = mid;
                    }
                }
                const double e = 0.5 * (lo + hi);
                const double fe = f(e);
                if (fe == 0.0) {
                    out.Feet.push_back(FootAt(PointOnSegment(k, e), e, p));
                } else if ((fe < 0.0) != (fa < 0.0)) {
                    bracketed(a, fa, e, fe);
                    bracketed(e, fe, b, fb);
                }
            }
        }
        a = b;
        ca = cb;
        fa = fb;
    }
    if (fa == 0.0) {
        out.Feet.push_back(FootAt(ca, a, p));
    }
}

Location Alignment::Locate(PlanePoint p, double maxDistance) const {
    geometry::RequireFinite(p.X, "point X");
    geometry::RequireFinite(p.Y, "point Y");
    Location out;
    if (!m_footIndex) {
        return out;
    }
    std::call_once(m_footIndex->Once,
                   [this] { m_footIndex->Index = detail::FootIndex::Build(*this); });
    const std::vector<detail::FootNode>& nodes = m_footIndex->Index.Nodes;
    if (nodes.empty()) {
        return out;
    }
    std::vector<std::size_t> stack{0};
    std::vector<std::size_t> leaves;
    while (!stack.empty()) {
        const detail::FootNode& node = nodes[stack.back()];
        stack.pop_back();
        if (!detail::FootIndex::MayHaveFoot(node, p, maxDistance)) {
            continue;
        }
        if (node.Left == 0) {
            leaves.push_back(node.First);
        } else {
            stack.push_back(node.Right);
            stack.push_back(node.Left);
        }
    }
    std::sort(leaves.begin(), leaves.end());
    for (const std::size_t k : leaves) {
        LocateOnSegment(k, p, out);
    }
    // A foot at a joint is found from both sides: keep it once.
    std::sort(out.Feet.begin(), out.Feet.end(),
              [](const Foot& x, const Foot& y) { return x.Mileage < y.Mileage; });
    std::vector<Foot> feet;
    for (const Foot& f : out.Feet) {
        if (feet.empty() || f.Mileage - feet.back().Mileage > 1e-7 * std::max(1.0, std::fabs(f.Mileage)) ||
            std::fabs(f.Offset - feet.back().Offset) > 1e-6) {
            feet.push_back(f);
        }
    }
    for (Foot& f : feet) {
        f.Azimuth = geometry::NormaliseAzimuth(f.Azimuth);
    }
    std::stable_sort(feet.begin(), feet.end(), [](const Foot& x, const Foot& y) {
        return std::fabs(x.Offset) < std::fabs(y.Offset);
    });
    out.Feet.clear();
    for (const Foot& f : feet) {
        if (std::fabs(f.Offset) <= maxDistance) {
            out.Feet.push_back(f);
        }
    }
    return out;
}

} // namespace tesk::alignment
