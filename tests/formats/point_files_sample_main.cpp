// Writes the sample points in every point file format into the folder named by the first
// argument: points.dat (cass), points.csv, points_mm.gsi (3 decimals), points_01mm.gsi
// (4 decimals), points_001mm.gsi (5 decimals), points.sdr (4 decimals) and points_12.sdr
// (12 decimals). check_point_files.py reads them back by the published layouts and compares
// with the same points, listed there.

#include "formats/output_file.h"
#include "formats/point_export.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

using namespace tesk::formats;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // name, north X, east Y, height, code
    const std::vector<FieldPoint> points = {
        {"K12+345.678", 3385123.45678, 512987.65432, 45.67891, "PILE"},
        {"桩号1", -1234.56789, -98765.43211, std::nullopt, "桥墩"},
        {"a,b", 0.00004, -0.00004, -0.00006, "say \"x\""},
        {"a_b", 10.0, 20.0, 30.0, ""},
        {"K15+120.000L12.500", 99999999.12344, 1.5, 2.25, "L,12"},
        {"K15+120.000R12.500", -99999999.12344, -1.5, -2.25, ""},
        {"007", 7.0, 0.007, 0.0, ""},
        {"7", 7.7, 0.0, std::nullopt, ""},
        {"0", 0.0, 0.0, 0.0, ""},
        {"桥", 1.23456, 6.54321, 9.87654, ""},
        {"𠀀a", 2.0, 3.0, 4.0, ""},
        {"P 1", 5.0, 6.0, 7.0, ""},
    };
    const struct {
        PointFormat format;
        int digits;
        const char* file;
    } files[] = {
        {PointFormat::Cass, 4, "points.dat"},      {PointFormat::Csv, 4, "points.csv"},
        {PointFormat::Gsi, 3, "points_mm.gsi"},    {PointFormat::Gsi, 4, "points_01mm.gsi"},
        {PointFormat::Gsi, 5, "points_001mm.gsi"}, {PointFormat::Sdr, 4, "points.sdr"},
        {PointFormat::Sdr, 12, "points_12.sdr"},
    };
    try {
        std::filesystem::create_directories(argv[1]);
        for (const auto& f : files) {
            OutputFile output(std::filesystem::path(argv[1]) / f.file);
            WritePointFile(f.format, points, f.digits, output);
            output.Commit();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
