#include "state/alignment_tables.h"

#include "geometry/error.h"

#include <memory>
#include <string>

namespace tesk::jd {

using geometry::ErrorCode;
using geometry::RuntimeError;

void BuildJdAlignment(state::SharedState& s) {
    const int n = s.JdCount;
    if (n < 1 || n > state::kMaxRows) {
        throw RuntimeError(ErrorCode::Format, "the JD line has " + std::to_string(n) +
                                                  " vertices; 1 to " +
                                                  std::to_string(state::kMaxRows) + " are allowed");
    }
    JdInput input;
    input.StartStation = s.StartStation;
    for (int i = 1; i <= n; ++i) {
        Vertex v;
        v.Name = s.JdNameLine[i];
        v.X = s.JdX[i];
        v.Y = s.JdY[i];
        v.Radius = s.JdRadius[i];
        v.Spiral1 = s.JdSpiral1[i];
        v.Spiral2 = s.JdSpiral2[i];
        v.Spiral1OuterRadius = s.JdSpiral1OuterRadius[i];
        v.Spiral2OuterRadius = s.JdSpiral2OuterRadius[i];
        v.Hairpin = s.JdHairpin[i] != 0.0;
        v.KeepBack = s.JdKeepBack[i] == 1.0;
        v.KeepAhead = s.JdKeepAhead[i] == 1.0;
        input.Vertices.push_back(std::move(v));
    }
    auto line = std::make_shared<const JdAlignment>(std::move(input));

    const std::vector<JdCurve>& rows = line->Curves();
    for (int i = 1; i <= n; ++i) {
        const JdCurve& r = rows[static_cast<std::size_t>(i - 1)];
        if (i > 1 && i < n) {
            s.JdRadius[i] = r.Radius;
            s.JdSpiral1[i] = r.Spiral1;
            s.JdSpiral2[i] = r.Spiral2;
            s.JdSpiral1OuterRadius[i] = r.Spiral1OuterRadius;
            s.JdSpiral2OuterRadius[i] = r.Spiral2OuterRadius;
        }
        if (i < n) {
            s.LegAzimuth[i] = r.LegAzimuth;
            s.StraightLength[i] = r.StraightLength;
        }
        s.Deflection[i] = r.Deflection;
        s.TurnsRight[i] = r.TurnsRight ? 1 : 0;
        s.Tangent1[i] = r.Tangent1;
        s.Tangent2[i] = r.Tangent2;
        s.CurveLength[i] = r.CurveLength;
        s.ArcLength[i] = r.ArcLength;
        s.ArcAngle[i] = r.ArcAngle;
        s.Spiral1Lead[i] = r.Spiral1Lead;
        s.Spiral2Lead[i] = r.Spiral2Lead;
        s.Spiral1OriginAzimuth[i] = r.Spiral1OriginAzimuth;
        s.Spiral2OriginAzimuth[i] = r.Spiral2OriginAzimuth;
        s.JdStation[i] = r.Station;
        s.StationZH[i] = r.StationZH;
        s.StationHY[i] = r.StationHY;
        s.StationQZ[i] = r.StationQZ;
        s.StationYH[i] = r.StationYH;
        s.StationHZ[i] = r.StationHZ;
        s.ZhX[i] = r.Zh.X;
        s.ZhY[i] = r.Zh.Y;
        s.HyX[i] = r.Hy.X;
        s.HyY[i] = r.Hy.Y;
        s.QzX[i] = r.Qz.X;
        s.QzY[i] = r.Qz.Y;
        s.YhX[i] = r.Yh.X;
        s.YhY[i] = r.Yh.Y;
        s.HzX[i] = r.Hz.X;
        s.HzY[i] = r.Hz.Y;
        s.AzimuthHY[i] = r.AzimuthHY;
        s.AzimuthQZ[i] = r.AzimuthQZ;
        s.AzimuthYH[i] = r.AzimuthYH;
    }
    bool increasing = true;
    for (int i = 2; i + 1 < n; ++i) {
        increasing = increasing && s.StationZH[i] < s.StationZH[i + 1];
    }
    s.StationZHIncreasing = increasing;
    s.JdLine = std::move(line);
}

geometry::StationPoint JdStationToPoint(const state::SharedState& s, double station) {
    if (!s.JdLine) {
        throw RuntimeError(ErrorCode::Geometry, "no JD line has been built");
    }
    return s.JdLine->Line().PointAt(station);
}

} // namespace tesk::jd

namespace tesk::element {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

void RequireElementCount(int count, const char* what) {
    if (count < 0 || count > state::kMaxRows) {
        throw RuntimeError(ErrorCode::Format, std::string(what) + " " + std::to_string(count) +
                                                  " outside 0.." + std::to_string(state::kMaxRows));
    }
}

const ElementAlignment& LineOf(const state::SharedState& s) {
    if (!s.ElementLine) {
        throw RuntimeError(ErrorCode::Geometry, "no element line has been built");
    }
    return *s.ElementLine;
}

} // namespace

void SplitReversingSpirals(state::SharedState& s) {
    RequireElementCount(s.ElemRowCount, "element row count");
    std::vector<ElementRow> rows;
    for (int i = 1; i <= s.ElemRowCount; ++i) {
        rows.push_back({s.ElemRowA[i], s.ElemRowB[i], s.ElemRowC[i]});
    }
    const std::vector<ElementRow> split = SplitReversingSpirals(rows);
    const int count = static_cast<int>(split.size());
    for (int i = 1; i <= count; ++i) {
        const ElementRow& row = split[static_cast<std::size_t>(i - 1)];
        s.ElemRowA[i] = s.ElemStartRadius[i] = row.StartRadius;
        s.ElemRowB[i] = s.ElemEndRadius[i] = row.EndRadius;
        s.ElemRowC[i] = s.ElemLength[i] = row.Length;
    }
    s.ElemRowCount = count;
    s.ElemCount = count;
    s.ElemStationIncreasing = false; // the stations belong to the elements before the split
}

void BuildElementAlignment(state::SharedState& s) {
    const int n = s.ElemCount;
    RequireElementCount(n, "element count");
    ElementInput input;
    input.StartStation = s.ElemStartStation;
    input.StartX = s.ElemStartX;
    input.StartY = s.ElemStartY;
    input.StartAzimuth = s.ElemStartAzimuth;
    for (int i = 1; i <= n; ++i) {
        input.Rows.push_back({s.ElemStartRadius[i], s.ElemEndRadius[i], s.ElemLength[i]});
    }
    auto line = std::make_shared<const ElementAlignment>(std::move(input));

    s.ElemStartAzimuth = line->StartAzimuth();
    const std::vector<Element>& elements = line->Elements();
    for (int i = 1; i <= n; ++i) {
        const Element& e = elements[static_cast<std::size_t>(i - 1)];
        s.ElemStation[i] = e.StartMileage;
        s.ElemAzimuth[i] = e.StartAzimuth;
        s.ElemX[i] = e.Start.X;
        s.ElemY[i] = e.Start.Y;
        s.ElemTurn[i] = e.Turn;
    }
    s.ElemStation[n + 1] = line->EndMileage();
    s.ElemAzimuth[n + 1] = line->EndAzimuth();
    s.ElemX[n + 1] = line->End().X;
    s.ElemY[n + 1] = line->End().Y;
    bool increasing = true;
    for (int i = 1; i <= n; ++i) {
        s.ElemDeltaX[i] = elements[static_cast<std::size_t>(i - 1)].Increment.X;
        s.ElemDeltaY[i] = elements[static_cast<std::size_t>(i - 1)].Increment.Y;
        increasing = increasing && s.ElemStation[i] < s.ElemStation[i + 1];
    }
    s.ElemStationIncreasing = increasing;
    s.ElementLine = std::move(line);
}

int FindElement(const state::SharedState& s, double station) {
    const int n = s.ElemCount;
    RequireElementCount(n, "element count");
    for (int i = 1; i <= n; ++i) {
        if (s.ElemStation[i] <= station && station < s.ElemStation[i + 1]) {
            return i;
        }
    }
    return n + 1;
}

geometry::StationPoint ElementPointAt(const state::SharedState& s, int element, double distance) {
    if (element < 1 || element > s.ElemCount) {
        throw RuntimeError(ErrorCode::IndexOutOfRange, "element " + std::to_string(element) +
                                                           " outside 1.." +
                                                           std::to_string(s.ElemCount));
    }
    return LineOf(s).PointOnElement(static_cast<std::size_t>(element - 1), distance);
}

geometry::StationPoint ElemStationToPoint(const state::SharedState& s, double station) {
    return LineOf(s).Line().PointAt(station);
}

} // namespace tesk::element
