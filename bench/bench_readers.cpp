// Decks of many constants through the three readers that look names up: the
// deck constants scan (New Table, opening a table), the stand-in engine's deck
// reader with its compilation, and the deck analysis of Make QUIVET file. Each
// repeats names, so every look-up is exercised; the times should grow linearly.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "deck.h"
#include "quivet/deckanalysis.h"
#include "simulation.h"
#include "table/deckconstants.h"

namespace {

double medianSeconds(int repeats, const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// n constants, every tenth name used before (the scan numbers them), each
// after the first referring to the one before, then a few equations.
std::vector<std::string> deckLines(int n) {
    // Blocks of 20,000: the engine takes at most 100,000 definitions a block.
    std::vector<std::string> lines = {"* a deck of " + std::to_string(n) + " constants"};
    for (int i = 0; i < n; ++i) {
        if (i % 20000 == 0) lines.push_back("CONSTANTS " + std::to_string(std::min(20000, n - i)));
        const std::string name = i % 10 == 9 ? "C" + std::to_string(i - 9) : "C" + std::to_string(i);
        lines.push_back(name + " = " + (i == 0 ? std::string("1.5") : "C" + std::to_string(i - 1 - (i % 10 == 0)) + " + 1"));
    }
    lines.push_back("EQUATIONS 2");
    lines.push_back("Y = C0 * TIME");
    lines.push_back("Z = Y + C" + std::to_string(n - 2));
    lines.push_back("SIMULATION 0 10 1");
    lines.push_back("END");
    return lines;
}

}  // namespace

int main() {
    std::printf("Readers of decks with many constants (median of 3; target under 0.5 s at 120,000):\n");
    for (int n : {20000, 120000}) {
        const auto lines = deckLines(n);
        std::string bytes;
        for (const auto& l : lines) bytes += l + "\r\n";
        std::size_t found = 0;
        const double scan = medianSeconds(3, [&] { found = table::scanConstantsLines(lines)->size(); });
        bool ready = false;
        const double engine = medianSeconds(3, [&] {
            const kalvex::Deck deck = kalvex::readDeck(bytes);
            ready = kalvex::Simulation(deck).ready();
        });
        std::size_t variables = 0;
        const double analysis = medianSeconds(3, [&] { variables = quivet::analyseDeckLines(lines, "/nonexistent").variables.size(); });
        std::printf("  %6d constants: constants scan %.3f s (%zu found), engine deck reader %.3f s (%s), "
                    "deck analysis %.3f s (%zu variables)\n",
                    n, scan, found, engine, ready ? "ready" : "NOT READY", analysis, variables);
    }
    return 0;
}
