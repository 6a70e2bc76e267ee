// Point -> point at a skew distance: the pile position of one station of the element sample,
// a skew distance away from the line along a direction at a right deflection angle.
//
//     skew_point samples/ramp.jdx 250 6 75
//
// Offsets are positive to the LEFT of the line's direction; the angle is measured clockwise
// from the forward tangent (90 = square to the line).

#include "alignment/element/element_alignment.h"
#include "formats/readers.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "piles/pile_table.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using namespace tesk;
    if (argc != 5) {
        std::cerr << "usage: skew_point ELEMENT-FILE MILEAGE SKEW ANGLE\n";
        return 2;
    }
    try {
        const element::ElementAlignment line(formats::ReadElementFile(argv[1]));
        const double mileage = std::stod(argv[2]);
        const double skew = std::stod(argv[3]);
        const double angle = std::stod(argv[4]);
        if (!line.Line().Contains(mileage)) {
            std::cerr << "the mileage lies outside the line\n";
            return 1;
        }
        const geometry::StationPoint onLine = line.Line().PointAt(mileage);
        const geometry::PlanePoint pile = piles::OffsetPoint(onLine, angle, skew);
        std::cout << "on the line: X " << geometry::FormatFixed(onLine.X, 4) << "  Y "
                  << geometry::FormatFixed(onLine.Y, 4) << '\n'
                  << "pile:        X " << geometry::FormatFixed(pile.X, 4) << "  Y "
                  << geometry::FormatFixed(pile.Y, 4) << '\n';
    } catch (const geometry::RuntimeError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "not a number: " << e.what() << '\n';
        return 2;
    }
    return 0;
}
