// Writes the binary seed files of the fuzz corpora from the formats' own
// writers: makeseeds <fuzz/corpus directory>. The text seeds are written by
// hand or copied from the installation; this program is run again only when a
// format changes.
#include <filesystem>
#include <fstream>
#include <string>

#include "plot/pmxfile.h"
#include "common/settings.h"
#include "diagram/wmfbuilder.h"  // tests/diagram
#include "table/tablefile.h"

namespace {

void put(const std::filesystem::path& dir, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];

    plot::PlotDocument doc;
    doc.caption = "Tank level";
    doc.record.x.title = "TIME";
    doc.record.y.title = "LEVEL";
    for (int c = 0; c < 2; ++c) {
        plot::CurveRecord curve;
        curve.curveNumber = c + 1;
        curve.xColumn = 0;
        curve.yColumn = c + 1;
        curve.xName = "TIME";
        curve.yName = c == 0 ? "LEVEL" : "QPUMP";
        curve.firstRow = 1;
        curve.lastRow = curve.pointCount = curve.fileRows = 3;
        curve.x = {0, 1, 2};
        curve.y = {1.5, 2.25, -0.5};
        doc.record.curves.push_back(curve);
    }
    put(root / "pmxfile", "two-curves.pmx", plot::encodePmx(doc));
    doc.record.curves.clear();
    put(root / "pmxfile", "empty.pmx", plot::encodePmx(doc));

    table::TableData t("/home/user/PUMP.DCK", {"AREA", "HMAX", "QMAX"}, 3);
    t.setValue(1, 1, 12);
    t.setValue(2, 2, 4.5L);
    t.runDeckNames[1] = "PUMP1.DCK";
    put(root / "tablefile", "three-runs.tbl", table::encodeTableFile(t, {10, 20, 0, 0, 400, 300}));
    put(root / "tablefile", "empty.tbl", table::encodeTableFile(table::TableData(), {}));

    const auto dft = pal::encodeDFT(pal::Settings{});
    put(root / "settings", "PALUMARO.DFT", std::string(reinterpret_cast<const char*>(dft.data()), dft.size()));

    auto w = wmftest::Builder::placeable(0, 0, 1000, 800, 1440);
    w.rec(0x020C, {800, 1000}).rec(0x020B, {0, 0}).rec(0x0214, {10, 10}).rec(0x0213, {500, 700});
    w.rec(0x041B, {700, 900, 100, 100}).rec(0x0418, {600, 600, 200, 200});
    w.recBytes(0x0B41, wmftest::Builder::w32(0x00CC0020) + wmftest::Builder::w16(2) + wmftest::Builder::w16(2) +
                           wmftest::Builder::w16(0) + wmftest::Builder::w16(0) + wmftest::Builder::w16(100) +
                           wmftest::Builder::w16(100) + wmftest::Builder::w16(0) +
                           wmftest::Builder::dib24(2, 2, 255, 0, 0));
    w.rec(0x0000, {});
    put(root / "wmffile", "placeable.wmf", w.bytes());
    auto p = wmftest::Builder::plain();
    p.rec(0x020C, {100, 100}).rec(0x0325, {3, 0, 0, 50, 50, 100, 0}).rec(0x0000, {});
    put(root / "wmffile", "plain.wmf", p.bytes());
    return 0;
}
