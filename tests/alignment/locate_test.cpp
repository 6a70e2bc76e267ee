// The inverse question: Locate(PointAt(s) + o * left normal) gives back s and o, on every kind
// of segment; and the cases that have no single answer are reported as such.

#include "alignment/alignment.h"
#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "alignment/jd/jd_test_support.h"
#include "formats/readers.h"
#include "geometry/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tesk::alignment {
namespace {

using geometry::PlanePoint;
using geometry::StationPoint;

std::string Sample(const char* name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

PlanePoint Offset(const StationPoint& c, double o) {
    // Left of azimuth a is the direction a - pi/2.
    return {c.X + o * std::sin(c.Azimuth), c.Y - o * std::cos(c.Azimuth)};
}

// The mileages a round trip starts from: an even walk, every segment's ends and middle, and the
// main points.
std::vector<double> Stations(const Alignment& line, int count) {
    std::vector<double> m;
    for (int i = 0; i <= count; ++i) {
        m.push_back(line.Start() + (line.End() - line.Start()) * i / count);
    }
    for (const Segment& s : line.Segments()) {
        if (s.Kind != SegmentKind::Gap) {
            m.push_back(s.StartMileage);
            m.push_back(0.5 * (s.StartMileage + s.EndMileage));
        }
    }
    for (const MainPoint& p : line.MainPoints()) {
        m.push_back(p.Mileage);
    }
    return m;
}

// Every station and offset comes back: the foot at the station is among the feet, to 1e-6 m,
// its point is PointAt of its mileage, and no foot is nearer than the offset itself.
void ExpectRoundTrips(const Alignment& line, int count, const std::vector<double>& offsets) {
    int checked = 0;
    for (const double s : Stations(line, count)) {
        if (!line.Contains(s)) {
            continue;
        }
        StationPoint c;
        try {
            c = line.PointAt(s);
        } catch (const geometry::RuntimeError&) {
            continue; // a gap between overlapping curves: no point to start from
        }
        for (const double o : offsets) {
            const PlanePoint p = Offset(c, o);
            const Location where = line.Locate(p);
            ASSERT_FALSE(where.Feet.empty()) << "station " << s << " offset " << o;
            EXPECT_LE(std::fabs(where.Feet.front().Offset), std::fabs(o) + 1e-6)
                << "station " << s << " offset " << o;
            bool found = false;
            for (const Foot& f : where.Feet) {
                const StationPoint at = line.PointAt(f.Mileage);
                EXPECT_NEAR(at.X, f.Point.X, 1e-9);
                EXPECT_NEAR(at.Y, f.Point.Y, 1e-9);
                if (std::fabs(f.Mileage - s) <= 1e-6 && std::fabs(f.Offset - o) <= 1e-6) {
                    found = true;
                }
            }
            EXPECT_TRUE(found) << "station " << s << " offset " << o << ": "
                               << where.Feet.size() << " feet, nearest at "
                               << where.Feet.front().Mileage << " / "
                               << where.Feet.front().Offset;
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

const std::vector<double> kOffsets = {-50.0, -12.5, -1e-3, 0.0, 7.5, 50.0};

TEST(Locate, RoundTripsOnEveryKindOfLine) {
    struct Case {
        const char* Name;
        std::function<Alignment()> Line;
        std::vector<double> Offsets;
    };
    using jd::testing::Built;
    const std::vector<Case> cases = {
        {"JD sample (incomplete and unequal spirals)",
         [] { return jd::JdAlignment(formats::ReadJdFile(Sample("main_line.jdx"))).Line(); },
         kOffsets},
        {"element sample (egg and reversing spirals)",
         [] { return element::ElementAlignment(formats::ReadElementFile(Sample("ramp.jdx"))).Line(); },
         kOffsets},
        {"mixed survey-sized line", [] { return Built(jd::testing::MixedLine()).Line(); }, kOffsets},
        // A hairpin of radius 30: offsets beyond the radius on the inside see several feet.
        {"hairpin", [] {
             return Built(jd::testing::Hairpin(false, true, jd::testing::kHairpinSpirals[2])).Line();
         }, {-50.0, -12.5, 0.0, 7.5, 29.0, 31.0, 50.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ExpectRoundTrips(c.Line(), 400, c.Offsets);
    }
}

TEST(Locate, SpecialPointsAreReportedNotGuessed) {
    // A right-angle curve of radius 50 without spirals: start (0, 0) north to the vertex
    // (100, 0), then east.
    const Alignment line = jd::testing::Built(jd::testing::RightAngleLine(50.0, 0.0, 0.0)).Line();
    // The arc's centre: every point of the arc is a foot.
    const Location centre = line.Locate({50.0, 50.0});
    ASSERT_EQ(centre.ArcCentres.size(), 1u);
    EXPECT_NE(centre.ArcCentres.front().find("JD1"), std::string::npos);
    // Behind the start and beyond the end only the extensions are square to the point.
    EXPECT_TRUE(line.Locate({-30.0, 5.0}).Feet.empty());
    EXPECT_TRUE(line.Locate({95.0, 180.0}).Feet.empty());
    // Inside the bend, beyond the centre, a point is square to both straights (60 m away) and,
    // through the centre, to the arc (64.1 m): three feet, nearest first.
    const Location inside = line.Locate({40.0, 60.0});
    ASSERT_EQ(inside.Feet.size(), 3u);
    for (std::size_t i = 1; i < inside.Feet.size(); ++i) {
        EXPECT_LE(std::fabs(inside.Feet[i - 1].Offset), std::fabs(inside.Feet[i].Offset));
    }
    EXPECT_THROW(line.Locate({std::nan(""), 0.0}), geometry::RuntimeError);
}

TEST(Locate, AFootAtAJointIsReportedOnce) {
    // Points square to the line exactly at the main points of a curve with spirals.
    const jd::JdAlignment jdLine(jd::testing::InputOf(jd::testing::MixedLine(), 1000.0));
    const Alignment& line = jdLine.Line();
    for (const MainPoint& mp : line.MainPoints()) {
        if (!line.Contains(mp.Mileage)) {
            continue;
        }
        const Location where = line.Locate(Offset(line.PointAt(mp.Mileage), 3.0));
        int near = 0;
        for (const Foot& f : where.Feet) {
            near += std::fabs(f.Mileage - mp.Mileage) <= 1e-6 ? 1 : 0;
        }
        EXPECT_EQ(near, 1) << mp.Code << " at " << mp.Mileage;
    }
}

} // namespace
} // namespace tesk::alignment
