// Chain breaks: reads a JD file with its chain-break file and prints the written station of
// some mileages, and the mileage of some written station texts ("B15120" = 15120 m in the
// section after the first break).
//
//     chain_breaks samples/main_line.jdx samples/main_line.dl 12000 14000 16000 -- B15120 C16500

#include "alignment/jd/jd_alignment.h"
#include "formats/readers.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using namespace tesk;
    if (argc < 3) {
        std::cerr << "usage: chain_breaks JD-FILE BREAK-FILE MILEAGE... [-- STATION-TEXT...]\n";
        return 2;
    }
    try {
        const jd::JdAlignment line(formats::ReadJdFile(argv[1]));
        // The chain breaks belong to the line: the sections run from its start to its end.
        const stationing::Stationing breaks(formats::ReadChainBreakFile(argv[2]),
                                            line.Line().Start(), line.Line().End());
        std::cout << breaks.BreakCount() << " chain breaks\n";
        bool texts = false;
        for (int i = 3; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--") {
                texts = true;
            } else if (!texts) {
                std::cout << "mileage " << arg << " -> "
                          << breaks.MileageToLabel(std::stod(arg)) << '\n';
            } else if (const auto refusal = breaks.CheckStationText(arg)) {
                std::cout << arg << " refused: " << *refusal << '\n';
            } else {
                std::cout << arg << " -> mileage "
                          << geometry::FormatFixed(breaks.StationTextToMileage(arg), 3) << '\n';
            }
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
