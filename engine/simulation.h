// The simulation of a read deck: compiles its definitions, evaluates the
// constants once, then the equations in deck order at every time step.
#pragma once
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "deck.h"
#include "expression.h"

namespace kalvex {

constexpr std::size_t kMaxSteps = 200000;        // rows of one run
constexpr std::size_t kMaxValues = 10000000;     // rows x columns kept for the output files

struct ConstantValue {
    std::string name;
    std::string unit;
    double value = 0;
    int line = 0;
};

struct Results {
    std::string timeUnit;
    std::vector<std::string> names;  // the equations, in deck order
    std::vector<std::string> units;
    std::vector<double> values;      // row by row: TIME, then one value per equation
    std::size_t columns() const { return names.size() + 1; }
    std::size_t rowCount() const { return values.size() / columns(); }
    double at(std::size_t row, std::size_t column) const { return values[row * columns() + column]; }
};

class Simulation {
public:
    explicit Simulation(const Deck& deck);

    // True when the deck compiled and its SIMULATION card is usable.
    bool ready() const { return ready_; }
    // Runs from start to stop; stops at the first evaluation error, keeping the
    // rows computed before it. progress gets the fraction done now and then;
    // afterRow is called with each new row's index and ends the run early (a run
    // message says where) when it answers false.
    void run(const std::function<void(double)>& progress = {},
             const std::function<bool(std::size_t)>& afterRow = {});

    // Errors and warnings of the definitions and the SIMULATION card (deck lines).
    const std::vector<DeckMessage>& messages() const { return messages_; }
    // Errors met while running (their text names the line and the time).
    const std::vector<DeckMessage>& runMessages() const { return runMessages_; }
    const std::vector<ConstantValue>& constants() const { return constants_; }
    const Results& results() const { return results_; }
    double start() const { return start_; }
    double stop() const { return stop_; }
    double step() const { return step_; }
    std::size_t steps() const { return steps_; }

private:
    struct Compiled {
        Expression expression;
        std::size_t slot;
        int line;
        std::string name;
    };
    void compile(const Deck& deck);
    void simulationCard(const Deck& deck);
    int resolve(const Deck& deck, std::size_t index, const std::string& name, bool inRate) const;

    std::vector<DeckMessage> messages_;
    std::vector<DeckMessage> runMessages_;
    std::vector<ConstantValue> constants_;
    std::vector<Compiled> equations_;
    // Per definition: its value changes in the run (it uses TIME, an integral,
    // or such a value). The others may set the SIMULATION card.
    std::vector<bool> varies_;
    std::vector<double> slots_;  // 0: TIME, then one per definition
    // The definitions of each name, in deck order (a hashed look-up keeps large decks linear).
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;
    Results results_;
    double start_ = 0, stop_ = 0, step_ = 0;
    std::size_t steps_ = 0;
    bool ready_ = false;
};

// Number text of the engine's files: exponent form with the given digits after
// the point, e.g. 1.250000E+01, whatever the process locale.
std::string exponentText(double v, int digits = 6);

}  // namespace kalvex
