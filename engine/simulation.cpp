#include "simulation.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kalvex {

std::string exponentText(double v, int digits) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits);
    std::string s(buf, res.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

namespace {
std::string lineRef(int line) { return "line " + std::to_string(line); }
}  // namespace

Simulation::Simulation(const Deck& deck) {
    results_.timeUnit = "s";
    compile(deck);
    simulationCard(deck);
    for (const auto& m : messages_)
        if (m.error) ready_ = false;
}

// Normal references go to the latest definition above the current line; inside
// INTEG's rate a name defined further down is allowed too (feedback through the
// integral's state).
int Simulation::resolve(const Deck& deck, std::size_t index, const std::string& name, bool inRate) const {
    const auto& defs = deck.definitions;
    const bool inConstant = !defs[index].equation;
    if (name == "TIME") {
        if (inConstant) throw ExpressionError("TIME cannot be used in CONSTANTS", 0);
        return 0;
    }
    const auto found = byName_.find(name);
    if (found == byName_.end()) return -1;
    const auto& at = found->second;
    const auto later = std::lower_bound(at.begin(), at.end(), index);
    if (later != at.begin()) {
        const std::size_t j = *(later - 1);
        if (inConstant && defs[j].equation)
            throw ExpressionError("the constant " + defs[index].name + " cannot use the equation " + name +
                                      " (" + lineRef(defs[j].line) + ")", 0);
        return static_cast<int>(j + 1);
    }
    if (later != at.end()) {
        const std::size_t j = *later;
        if (inRate && !inConstant) return static_cast<int>(j + 1);
        throw ExpressionError(name + " is defined only further down, in " + lineRef(defs[j].line) +
                                  (inConstant ? "" : "; use INTEG(rate, initial value) for feedback"), 0);
    }
    return -1;
}

void Simulation::compile(const Deck& deck) {
    const auto& defs = deck.definitions;
    slots_.assign(defs.size() + 1, 0.0);
    for (std::size_t i = 0; i < defs.size(); ++i) byName_[defs[i].name].push_back(i);
    bool failed = false;
    for (const auto& m : deck.messages) failed = failed || m.error;
    varies_.assign(defs.size(), false);
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const Definition& d = defs[i];
        Expression e;
        try {
            e = Expression::parse(d.expression, [&](const std::string& name, bool inRate) {
                const int slot = resolve(deck, i, name, inRate);
                // A name met only further down (inside INTEG) counts as varying.
                if (name == "TIME" || (slot > 0 && (static_cast<std::size_t>(slot) > i || varies_[slot - 1])))
                    varies_[i] = true;
                return slot;
            });
            if (e.hasIntegrals()) varies_[i] = true;
        } catch (const ExpressionError& err) {
            std::string where = err.column() > 0 ? " (column " + std::to_string(err.column()) + " of the expression)" : "";
            messages_.push_back({d.line, true, std::string(err.what()) + where});
            failed = true;
            continue;
        }
        if (d.equation) {
            equations_.push_back({std::move(e), i + 1, d.line, d.name});
            results_.names.push_back(d.name);
            results_.units.push_back(d.unit);
            continue;
        }
        if (e.hasIntegrals()) {
            messages_.push_back({d.line, true, "INTEG can be used only in EQUATIONS"});
            failed = true;
            continue;
        }
        // After an error, later constants may build on a value that was never
        // computed: they are not evaluated, so no follow-up errors appear.
        if (failed) continue;
        try {
            slots_[i + 1] = e.evaluate(slots_);
            constants_.push_back({d.name, d.unit, slots_[i + 1], d.line});
        } catch (const EvaluationError& err) {
            messages_.push_back({d.line, true, err.what()});
            failed = true;
        }
    }
    ready_ = !failed;
}

void Simulation::simulationCard(const Deck& deck) {
    if (!deck.simulation) {
        messages_.push_back({0, true, "the deck has no SIMULATION statement"});
        ready_ = false;
        return;
    }
    const SimulationCard& card = *deck.simulation;
    if (!card.timeUnit.empty()) results_.timeUnit = card.timeUnit;
    if (!ready_) return;  // its words may name constants that failed
    const auto& defs = deck.definitions;
    // Equations that do not change with TIME are constants under another
    // heading (generated forms put START, STOP and STEP in EQUATIONS): they are
    // evaluated once, in deck order, for the card.
    // One that cannot be computed is reported only when the card uses it; the
    // run reports it at its line otherwise.
    // After a failure the later ones may build on the missing value: they are
    // not computed either.
    std::vector<std::string> failed(defs.size());
    std::string firstFailure;
    for (Compiled& c : equations_) {
        if (varies_[c.slot - 1]) continue;
        if (!firstFailure.empty()) {
            failed[c.slot - 1] = firstFailure;
            continue;
        }
        try {
            slots_[c.slot] = c.expression.evaluate(slots_);
        } catch (const EvaluationError& err) {
            failed[c.slot - 1] = firstFailure = c.name + " (" + lineRef(c.line) + "): " + err.what();
        }
    }
    auto resolveConstant = [&](const std::string& name, bool) -> int {
        if (name == "TIME") throw ExpressionError("TIME cannot be used in SIMULATION", 0);
        const auto found = byName_.find(name);
        if (found == byName_.end()) return -1;
        const std::size_t j = found->second.back();
        if (varies_[j])
            throw ExpressionError("SIMULATION can use only constants and equations that do not change with "
                                  "TIME, and " + name + " does",
                                  0);
        if (!failed[j].empty()) throw ExpressionError(failed[j], 0);
        return static_cast<int>(j + 1);
    };
    const char* const what[] = {"start", "stop", "step"};
    const std::string* const words[] = {&card.start, &card.stop, &card.step};
    double v[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        try {
            Expression e = Expression::parse(*words[k], resolveConstant);
            if (e.hasIntegrals()) throw ExpressionError("INTEG cannot be used in SIMULATION", 0);
            v[k] = e.evaluate(slots_);
        } catch (const std::runtime_error& err) {
            messages_.push_back({card.line, true, std::string("the ") + what[k] + " time " + *words[k] + ": " + err.what()});
            ready_ = false;
            return;
        }
    }
    start_ = v[0];
    stop_ = v[1];
    step_ = v[2];
    if (step_ <= 0) {
        messages_.push_back({card.line, true, "the time step must be greater than 0"});
        ready_ = false;
        return;
    }
    if (stop_ < start_) {
        messages_.push_back({card.line, true, "the stop time is before the start time"});
        ready_ = false;
        return;
    }
    // A small tolerance keeps the stop time when (stop - start) / step is meant
    // to be whole but is not quite so in binary.
    const double intervals = std::floor((stop_ - start_) / step_ + 1e-9);
    if (intervals + 1 > static_cast<double>(kMaxSteps)) {
        messages_.push_back({card.line, true, "the run would take " + exponentText(intervals + 1, 3) +
                                                  " steps; at most " + std::to_string(kMaxSteps) +
                                                  " are allowed (enlarge the step)"});
        ready_ = false;
        return;
    }
    steps_ = static_cast<std::size_t>(intervals) + 1;
    if (steps_ * results_.columns() > kMaxValues) {
        messages_.push_back({card.line, true, "the run would produce " + std::to_string(steps_) + " rows of " +
                                                  std::to_string(results_.columns()) +
                                                  " values, more than the output files may hold; enlarge the step"});
        ready_ = false;
    }
}

void Simulation::run(const std::function<void(double)>& progress, const std::function<bool(std::size_t)>& afterRow) {
    if (!ready_) return;
    const std::size_t cols = results_.columns();
    results_.values.reserve(steps_ * cols);
    const std::size_t every = steps_ >= 10 ? steps_ / 10 : 1;
    for (std::size_t n = 0; n < steps_; ++n) {
        const double time = start_ + static_cast<double>(n) * step_;  // no drift from repeated addition
        slots_[0] = time;
        std::size_t current = 0;
        try {
            for (current = 0; current < equations_.size(); ++current) {
                Compiled& c = equations_[current];
                slots_[c.slot] = c.expression.evaluate(slots_);
            }
            results_.values.push_back(time);
            for (const Compiled& c : equations_) results_.values.push_back(slots_[c.slot]);
            for (current = 0; current < equations_.size(); ++current) {
                Compiled& c = equations_[current];
                if (c.expression.hasIntegrals()) c.expression.advance(slots_, step_);
            }
        } catch (const EvaluationError& err) {
            const Compiled& c = equations_[current];
            runMessages_.push_back({c.line, true, "at TIME = " + exponentText(time) + ", " + c.name + ": " + err.what()});
            return;
        }
        if (afterRow && !afterRow(n) && n + 1 < steps_) {
            runMessages_.push_back({0, true, "the run was stopped at TIME = " + exponentText(time) + ", before its stop time " +
                                                 exponentText(stop_) + "; the results end there"});
            return;
        }
        if (progress && (n + 1) % every == 0) progress(static_cast<double>(n + 1) / static_cast<double>(steps_));
    }
}

}  // namespace kalvex
