// The SIMULATION card of the stand-in engine: names of constants, and of
// equations that do not change with TIME, set start, stop and step; and every
// shipped sample deck, made into a QUIVET file with the simulation template,
// runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/textfile.h"
#include "deck.h"
#include "enginerun.h"
#include "quivet/deckanalysis.h"
#include "quivet/quivetgen.h"
#include "quivet/typeinfo.h"
#include "simulation.h"
#include "support/coretemp.h"

namespace fs = std::filesystem;

namespace {

kalvex::Simulation simulate(const std::string& deckText) {
    return kalvex::Simulation(kalvex::readDeck(deckText));
}

std::string messages(const kalvex::Simulation& s) {
    std::string out;
    for (const auto& m : s.messages()) out += std::to_string(m.line) + ": " + m.text + "\n";
    return out;
}

std::string sourceDir() {
    const char* src = std::getenv("PALUMARO_SOURCE_DIR");
    return src ? src : ".";
}

}  // namespace

TEST(SimulationCard, NamesOfConstantsAndOfEquationsThatDoNotChangeWithTime) {
    // The shape of the generated template: START, STOP and STEP in EQUATIONS.
    const auto s = simulate(
        "CONSTANTS 1\nDAY1=2\n"
        "EQUATIONS 6\nSTEP=0.5\nDAY=DAY1+0\nSTART=24*(DAY-1)+1\nSTOP=START+3\nY=TIME*2\nPLOTS=INT((STOP-START)/2+0.5)\n"
        "SIMULATION START STOP STEP\nEND\n");
    ASSERT_TRUE(s.ready()) << messages(s);
    EXPECT_EQ(s.start(), 25);
    EXPECT_EQ(s.stop(), 28);
    EXPECT_EQ(s.step(), 0.5);
    EXPECT_EQ(s.steps(), 7u);

    // An equation that changes with TIME, directly, through another one or
    // through an integral, cannot set the card.
    for (const char* varying : {"E=TIME+1", "E=Y+1", "E=INTEG(1, 0)"}) {
        const auto bad = simulate(std::string("EQUATIONS 2\nY=TIME\n") + varying + "\nSIMULATION 0 E 1\nEND\n");
        EXPECT_FALSE(bad.ready()) << varying;
        EXPECT_NE(messages(bad).find("do not change with TIME, and E does"), std::string::npos) << messages(bad);
    }
    // One that cannot be computed is reported for the card that uses it only.
    const auto zero = simulate("EQUATIONS 2\nZ=1/0\nW=Z+1\nSIMULATION 0 W 1\nEND\n");
    EXPECT_FALSE(zero.ready());
    EXPECT_NE(messages(zero).find("Z (line 2)"), std::string::npos) << messages(zero);
    const auto unused = simulate("EQUATIONS 1\nZ=1/0\nSIMULATION 0 2 1\nEND\n");
    EXPECT_TRUE(unused.ready()) << messages(unused);
}

TEST(SimulationCard, EverySampleDeckMadeIntoAQuivetFileRuns) {
    coretest::TempDir d;
    const std::string samples = sourceDir() + "/installation/samples";
    const std::string folder = sourceDir() + "/installation";  // type files, Header.txt, KALWIN
    int decks = 0;
    for (const auto& entry : fs::directory_iterator(samples)) {
        if (entry.path().extension() != ".DCK") continue;
        ++decks;
        const std::string name = entry.path().stem().string();
        // Make QUIVET file with every parameter and input that can be chosen
        // chosen, with its defaults (header and simulation card) and with the
        // deck's own SIMULATION statement instead.
        quivet::DeckAnalysis a = quivet::MakeDeck(entry.path().string(), folder);
        for (auto& u : a.units) {
            for (std::size_t i = 0; i < u.parameterInfo.size(); ++i) u.parameterInfo[i].selected = u.parameterSelectable(i);
            for (std::size_t i = 0; i < u.inputInfo.size(); ++i) u.inputInfo[i].selected = u.inputSelectable(i);
        }
        for (const bool simulationCard : {true, false}) {
            SCOPED_TRACE(name + (simulationCard ? " with the simulation card" : " with its own SIMULATION"));
            quivet::QuivetOptions options;
            options.header = true;
            options.headerLines = quivet::readHeaderLines(folder).lines;
            options.simulationCard = simulationCard;
            const std::string qvd = d / (name + ".QVD");
            quivet::writeQuivetFile(qvd, quivet::quivetFileLines(a, options));

            std::ostringstream console;
            const int code = kalvex::runEngine({qvd}, d.path.string(), console);
            const std::string listing = pal::readFileBytes(d / (name + ".LST"));
            // The card proposes each deck's own start, stop and step, so the
            // oscillator keeps its small step too: every run succeeds.
            EXPECT_EQ(code, kalvex::kExitOk) << console.str() << listing;
            const auto plt = pal::readLines(d / (name + ".PLT"));
            EXPECT_GT(plt.size(), 3u) << listing;  // names, units and rows of results
        }
    }
    EXPECT_EQ(decks, 5);
}
