// The stand-in engine's deck reader and simulation: any deck is read with
// messages; a ready deck of a few steps runs, and its plot data has lines of at
// most 255 characters that the shell's reader reads back with every column named.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "deck.h"
#include "fuzzsupport.h"
#include "plot/plotdata.h"
#include "reports.h"
#include "simulation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const kalvex::Deck deck = kalvex::readDeck(bytes);
    for (const auto& m : deck.messages) FUZZ_CHECK(m.line >= 0 && static_cast<std::size_t>(m.line) <= deck.lines.size());
    kalvex::Simulation sim(deck);
    kalvex::ReportOptions options;
    (void)kalvex::listingLines(deck, &sim, options);
    if (!sim.ready() || sim.steps() > 50 || deck.definitions.size() > 200) return 0;
    sim.run();
    const auto plot = kalvex::plotLines(sim.results());
    std::string text;
    for (const auto& line : plot) {
        FUZZ_CHECK(line.size() <= 255);
        text += line + "\r\n";
    }
    (void)kalvex::outputLines(sim, options);
    try {
        const plot::PlotDataTable t = plot::parsePlotData(text, "F.PLT");
        FUZZ_CHECK(static_cast<std::size_t>(t.columnCount()) == kalvex::plotColumnCount(sim.results()));
    } catch (const pal::IoError&) {
        // Only a value beyond the plots' range may be refused.
    }
    return 0;
}
