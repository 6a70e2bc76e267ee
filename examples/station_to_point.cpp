// Station -> point: loads a JD file and prints the point and tangent azimuth of a few stations.
//
//     station_to_point samples/main_line.jdx 12000 12500.5 13000
//
// Every question to the line is asked in continuous mileage (metres along the line); the
// Alignment answers with survey coordinates (X north, Y east) and the azimuth clockwise from
// north, in radians.

#include "alignment/jd/jd_alignment.h"
#include "formats/readers.h"
#include "geometry/angles.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using namespace tesk;
    if (argc < 3) {
        std::cerr << "usage: station_to_point JD-FILE MILEAGE...\n";
        return 2;
    }
    try {
        // Read once, build once: the line is immutable from here on.
        const jd::JdAlignment line(formats::ReadJdFile(argv[1]));
        std::cout << "line from " << geometry::FormatFixed(line.Line().Start(), 3) << " to "
                  << geometry::FormatFixed(line.Line().End(), 3) << " m\n";
        for (int i = 2; i < argc; ++i) {
            const double mileage = std::stod(argv[i]);
            const geometry::StationPoint p = line.Line().PointAt(mileage);
            std::cout << geometry::FormatFixed(mileage, 3) << ": X " << geometry::FormatFixed(p.X, 4)
                      << "  Y " << geometry::FormatFixed(p.Y, 4) << "  azimuth "
                      << geometry::AzimuthText(p.Azimuth) << '\n';
        }
    } catch (const geometry::RuntimeError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "not a number: " << e.what() << '\n';
        return 2;
    }
    return 0;
}
