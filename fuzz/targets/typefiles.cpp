// Type files of every layout Make QUIVET reads (parameter lists with REP,
// PARMOD mode sections, the fixed layout of type 4): the input is a deck, a
// NUL byte and a type file, installed as INFO/TYPEn.INF for every type number
// the deck's UNIT lines name. Each unit gets no more descriptions than it has
// parameters and inputs, and the QUIVET file made with every one of them
// chosen is read by the form reader.
#include <cstdint>
#include <set>
#include <string>

#include "common/bytes.h"
#include "fuzzsupport.h"
#include "quivet/deckanalysis.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetgen.h"
#include "quivet/quivetreader.h"

namespace {

// The type numbers of "UNIT n TYPE m" lines (the fourth word), at most eight
// that can be file names.
std::set<std::string> typeNumbers(const std::vector<std::string>& deck) {
    std::set<std::string> out;
    for (const std::string& line : deck) {
        if (pal::upper(line.substr(0, 4)) != "UNIT") continue;
        std::vector<std::string> w;
        std::string word;
        for (char c : line + " ")
            if (c == ' ' || c == '\t') {
                if (!word.empty()) w.push_back(word), word.clear();
            } else {
                word += c;
            }
        if (w.size() < 4 || w[3].size() > 8 || w[3].find_first_of("/\\.") != std::string::npos) continue;
        out.insert(w[3]);
        if (out.size() == 8) break;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string folder = fuzz::scratchDir() + "/types";
    const auto deck = fuzz::textLines(parts[0]);
    const auto types = typeNumbers(deck);
    for (const std::string& n : types) fuzz::writeScratch("types/INFO/TYPE" + n + ".INF", parts[1]);
    quivet::DeckAnalysis a = quivet::analyseDeckLines(deck, folder);
    for (const std::string& n : types) std::remove((folder + "/INFO/TYPE" + n + ".INF").c_str());
    for (auto& u : a.units) {
        FUZZ_CHECK(u.parameterInfo.size() <= u.parameters.size() && u.inputInfo.size() <= u.connections.size());
        for (const auto& d : u.parameterInfo) FUZZ_CHECK(!d.name.empty() && d.description.size() <= 40);
        for (auto& d : u.parameterInfo) d.selected = true;
        for (auto& d : u.inputInfo) d.selected = true;
    }
    for (const auto& line : deck)
        if (quivet::classifyLine(line) != quivet::LineClass::Deck) return 0;
    std::vector<std::string> lines;
    try {
        lines = quivet::quivetFileLines(a, quivet::QuivetOptions{});
    } catch (const quivet::QuivetError& e) {
        // Only a line beyond what a QUIVET file holds is refused.
        FUZZ_CHECK(std::string(e.what()).find("characters long") != std::string::npos);
        return 0;
    }
    for (const auto& line : lines) FUZZ_CHECK(line.size() <= 255);
    quivet::ReadOptions read;
    read.programDir = fuzz::scratchDir();
    try {
        (void)quivet::parseQuivetLines(lines, fuzz::scratchDir() + "/T.QVD", read);
    } catch (const quivet::QuivetError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FUZZ_CHECK(e.kind() != quivet::QuivetError::Kind::InputError);
    }
    return 0;
}
