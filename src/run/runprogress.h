// How far a running engine has come, in simulated time: the deck's SIMULATION
// statement gives the start and stop times, the last complete row of the plot
// data the time reached; the time left is estimated from the pace so far.
#pragma once
#include <optional>
#include <string>

namespace run {

struct SimulationSpan {
    double start = 0;
    double stop = 0;
    std::string unit;  // from a trailing "! [unit]" remark; may be empty
};

// The span of the deck's SIMULATION statement when its start and stop are
// numbers or names of constants the deck gives as numbers; none otherwise.
std::optional<SimulationSpan> simulationSpan(const std::string& deckText);

// The first value of the last complete row of a plot data file (its TIME), read
// from the file's end alone; none while the file has no complete row of numbers.
std::optional<double> lastRowTime(const std::string& plotDataPath);

struct RunProgress {
    int permille = -1;     // of the span done; -1 unknown
    std::string text;      // "TIME 36 of 72 h (50 %), about 12 s left"
};
// elapsedSeconds: wall time since the engine started.
RunProgress runProgress(std::optional<double> time, const std::optional<SimulationSpan>& span, double elapsedSeconds);

}  // namespace run
