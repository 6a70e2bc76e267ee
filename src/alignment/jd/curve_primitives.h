#pragma once

// Closed forms of the curve at one vertex: tangent lengths of a curve with spirals. Angles in
// radians, lengths in metres.

namespace tesk::jd {

/// Tangent length (m) on the entry side of a curve of radius r (m) whose entry spiral has shift
/// p1 and extension q1, exit spiral shift p2 (m), turning through g (rad, only |g| is used).
/// Throws RuntimeError(DivisionByZero) when sin |g| is 0 (g = 0: no curve to fit).
double TangentLengthBack(double r, double p1, double p2, double q1, double g);
/// Tangent length (m) on the exit side, with the exit spiral's extension q2; see
/// TangentLengthBack.
double TangentLengthAhead(double r, double p1, double p2, double q2, double g);

} // namespace tesk::jd
