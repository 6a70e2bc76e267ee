// The pile outputs of a large bridge: N piers of 20 piles each written as the coordinate sheet
// (XLSX) and drawn as the coordinate table, the pile sketch and the stake-out points (DXF).

#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "piles/pile_table.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/pile_sheet.h"
#include "sheet/xlsx_writer.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

using namespace tesk;

piles::PileTable Bridge(int piers) {
    piles::PileTable table;
    for (int k = 0; k < piers; ++k) {
        piles::Pier pier;
        pier.StationText = std::to_string(12100 + 10 * k);
        pier.Mileage = 12100.0 + 10.0 * k;
        pier.Deflection = 90.0;
        pier.Reference = {3'452'000.0 + 10.0 * k, 502'000.0};
        for (int j = 0; j < 20; ++j) {
            pier.Entries.push_back({-9.5 + j, 0.0});
        }
        table.Piers.push_back(std::move(pier));
    }
    return table;
}

void BM_PileOutputs(benchmark::State& state) {
    const piles::PileTable table = Bridge(static_cast<int>(state.range(0)));
    const auto folder = std::filesystem::temp_directory_path();
    const auto xlsx = folder / "tesk_bench_piles.xlsx";
    const auto dxf = folder / "tesk_bench_piles.dxf";
    for (auto _ : state) {
        sheet::Workbook workbook;
        sheet::WriteCoordinateSheet(workbook, sheet::ToSheetTable(table));
        sheet::WriteXlsx(workbook, xlsx);
        cad::DrawingDocument document;
        document.SetPickHandler([](std::string_view) {
            return std::optional<cad::Point>(cad::Point{0.0, 0.0, 0.0});
        });
        cad::DrawCoordinateTable(table, document);
        cad::DrawPileSketch(table, document);
        cad::DrawPileStakeOut(table, document);
        cad::WriteDxf(document, dxf);
    }
    std::filesystem::remove(xlsx);
    std::filesystem::remove(dxf);
}
BENCHMARK(BM_PileOutputs)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace
