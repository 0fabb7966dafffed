// Run decks: the input is a deck, a NUL byte, the table's variable names (one
// a line) and, after a second NUL byte, the values (10 bytes each, with a
// format byte). Every run deck has the deck's lines, each tabled constant's
// line carries the run's value in a text that reads back exactly, and the
// deck is never one of the run decks.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "fuzzsupport.h"
#include "table/numberparse.h"
#include "table/rundecks.h"
#include "table/tabledata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 3);
    const std::string deck = fuzz::writeScratch("runs/D.DCK", parts[0]);
    std::vector<std::string> names;
    for (const auto& n : fuzz::textLines(parts[1]))
        if (!n.empty() && names.size() < 64) names.push_back(n);
    const std::string& values = parts[2];
    const int runs = names.empty() ? 0 : std::min<int>(static_cast<int>(values.size() / 10 / names.size()), 5);
    table::TableData t(deck, names, runs);
    for (int r = 1; r <= runs; ++r)
        for (int c = 1; c <= t.variables(); ++c) {
            const char* v = values.data() + 10 * ((r - 1) * t.variables() + (c - 1));
            double x = 0;
            std::memcpy(&x, v, sizeof x);
            if (std::isfinite(x)) t.setValue(c, r, x);
            t.setFormat(c, pal::LabelFormat{static_cast<std::uint8_t>(v[8] % 3), static_cast<std::int16_t>(v[9] % 20)});
        }
    table::RunDeckOutcome outcome;
    try {
        outcome = table::writeRunDecks(t);
    } catch (const pal::IoError&) {
        return 0;
    }
    const auto deckLines = pal::readLines(deck);
    FUZZ_CHECK(pal::readFileBytes(deck) == parts[0]);
    for (int r = 1; r <= runs && !outcome.failed; ++r) {
        const std::string& path = t.runDeckNames.at(static_cast<std::size_t>(r));
        FUZZ_CHECK(path == table::runDeckPath(deck, r));
        FUZZ_CHECK(pal::readLines(path).size() == deckLines.size());
        std::remove(path.c_str());
    }
    for (int c = 1; c <= t.variables() && runs >= 1; ++c) {
        const long double v = t.value(c, 1);
        if (!(std::fabs(v) <= table::kDefinedLimit)) continue;
        const auto back = table::parseDecimal(table::runDeckValueText(t.columns[std::size_t(c - 1)].format, v));
        FUZZ_CHECK(back && *back == v);
    }
    return 0;
}
