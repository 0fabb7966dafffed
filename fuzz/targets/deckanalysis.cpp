// Type files and deck analysis: the input is a deck, a NUL byte and a type
// file (installed as INFO/TYPE1.INF to INFO/TYPE3.INF). Any deck is analysed;
// with every selectable parameter and input chosen, each line of the QUIVET
// file made from it is read by the form reader.
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "quivet/deckanalysis.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetgen.h"
#include "quivet/quivetreader.h"
#include "quivet/typeinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string folder = fuzz::scratchDir() + "/engine";
    for (const char* n : {"1", "2", "3"}) fuzz::writeScratch(std::string("engine/INFO/TYPE") + n + ".INF", parts[1]);
    const auto deck = fuzz::textLines(parts[0]);
    quivet::DeckAnalysis a = quivet::analyseDeckLines(deck, folder);
    for (const auto& u : a.units) {
        FUZZ_CHECK(u.parameterCount >= 0 && u.inputCount >= 0 && u.derivativeCount >= 0);
        FUZZ_CHECK(u.parameterInfo.size() <= u.parameters.size() && u.inputInfo.size() <= u.connections.size());
    }
    for (auto& u : a.units) {
        for (auto& d : u.parameterInfo) d.selected = true;
        for (auto& d : u.inputInfo) d.selected = true;
    }
    (void)quivet::unitsTail(parts[1].substr(0, parts[1].find('\n')));

    quivet::QuivetOptions options;
    std::vector<std::string> lines;
    try {
        lines = quivet::quivetFileLines(a, options);
    } catch (const quivet::QuivetError& e) {
        // Only a line beyond what a QUIVET file holds is refused.
        FUZZ_CHECK(std::string(e.what()).find("characters long") != std::string::npos);
        return 0;
    }
    for (const auto& line : lines) FUZZ_CHECK(line.size() <= 255);
    // Lines the deck itself gives as form markup are the deck's own, not the generator's.
    for (const auto& line : deck)
        if (quivet::classifyLine(line) != quivet::LineClass::Deck) return 0;
    quivet::ReadOptions read;
    read.programDir = fuzz::scratchDir();
    try {
        (void)quivet::parseQuivetLines(lines, fuzz::scratchDir() + "/F.QVD", read);
    } catch (const quivet::QuivetError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FUZZ_CHECK(e.kind() != quivet::QuivetError::Kind::InputError);
    }
    return 0;
}
