// Make QUIVET's writer: the input is a deck, a NUL byte and a Header.txt. The
// QUIVET file made from the deck (with the header lines and the simulation
// card) is written as Make QUIVET writes it and read back from the file by the
// form reader, line for line the lines that were made.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "fuzzsupport.h"
#include "quivet/deckanalysis.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetgen.h"
#include "quivet/quivetreader.h"
#include "quivet/typeinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string folder = fuzz::scratchDir() + "/maker";
    fuzz::writeScratch("maker/Header.txt", parts[1]);
    const std::string deckPath = fuzz::writeScratch("maker/D.DCK", parts[0]);
    quivet::DeckAnalysis a;
    try {
        a = quivet::MakeDeck(deckPath, folder);
    } catch (const pal::IoError&) {
        return 0;
    }
    for (auto& u : a.units)
        for (auto& d : u.parameterInfo) d.selected = true;
    quivet::QuivetOptions options;
    const quivet::HeaderLines header = quivet::readHeaderLines(folder);
    options.header = header.error.empty() && !parts[1].empty() && parts[1][0] != '#';
    options.headerLines = header.lines;
    options.simulationCard = parts[0].size() % 2 == 0;
    std::vector<std::string> lines;
    try {
        lines = quivet::quivetFileLines(a, options);
    } catch (const quivet::QuivetError& e) {
        // Only a line beyond what a QUIVET file holds is refused.
        FUZZ_CHECK(std::string(e.what()).find("characters long") != std::string::npos);
        return 0;
    }
    for (const auto& line : lines) FUZZ_CHECK(line.size() <= 255);
    const std::string target = folder + "/" + quivet::proposedQuivetName("D.DCK");
    quivet::writeQuivetFile(target, lines);
    const auto written = pal::readLines(target);
    FUZZ_CHECK(written.size() == lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) FUZZ_CHECK(written[i] == lines[i]);
    for (const auto& line : fuzz::textLines(parts[0]))
        if (quivet::classifyLine(line) != quivet::LineClass::Deck) return 0;
    quivet::ReadOptions read;
    read.programDir = fuzz::scratchDir();
    try {
        (void)quivet::readQuivetFile(target, read);
    } catch (const quivet::QuivetError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FUZZ_CHECK(e.kind() != quivet::QuivetError::Kind::InputError);
    }
    return 0;
}
