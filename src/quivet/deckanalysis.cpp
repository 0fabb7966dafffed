#include "quivet/deckanalysis.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/textfile.h"
#include "quivet/fieldnumber.h"
#include "quivet/typeinfo.h"

namespace quivet {

namespace {

using pal::wordSpans;
std::vector<std::string> words(const std::string& s) { return pal::splitWords(s); }

bool containsAny(const std::string& s, const char* a, const char* b, const char* c) {
    return s.find(a) != std::string::npos || s.find(b) != std::string::npos || s.find(c) != std::string::npos;
}

std::string leftTrim(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}

// Comment and empty lines carry no statement.
bool noStatement(const std::string& line) {
    const std::string t = leftTrim(line);
    return t.empty() || t[0] == '*';
}

// The count word of a statement; 0 when missing, not a number or negative.
int countOf(const std::string& line) {
    const auto w = words(line);
    if (w.size() < 2) return 0;
    const auto n = parseFieldInteger(w[1]);
    return n && *n > 0 ? *n : 0;
}

// The most parameters or inputs a unit may announce in all (the engine's own
// bound for a statement's count): a larger count is a damaged unit, never a sum
// that overflows.
constexpr int kMaxUnitCount = 100000;

class Analyser {
public:
    Analyser(const std::vector<std::string>& lines, const std::string& folder, DeckAnalysis& a, TypeFileCache* cache)
        : lines_(lines), folder_(folder), a_(a), cache_(cache) {}

    void run() {
        std::size_t cur = 0;
        // Every line is looked at, the last one too: a deck that does not end
        // with END keeps its last statement (an END line is dropped anyway).
        while (cur < lines_.size()) {
            const std::string& line = lines_[cur];
            const std::string t = pal::trim(line);
            const std::string key = pal::upper(t.substr(0, 3));
            if (key == "UNI") {
                const auto w = words(t);
                const std::string type = w.size() > 3 ? w[3] : std::string();
                if (neverAnalysedType(type)) {
                    a_.plainLines.push_back("  ");
                    a_.plainLines.push_back(line);
                    ++cur;
                } else {
                    cur = unit(cur);
                }
                continue;
            }
            if (key == "EQU" || key == "EQN" || key == "CON") {
                cur = block(cur);
                continue;
            }
            if (containsAny(line, "SIM", "Sim", "sim")) {
                a_.simulation = line;
                if (pal::upper(t.substr(0, 3)) == "SIM") a_.simulationStatement = line;
            }
            else if (containsAny(line, "ASS", "Ass", "ass"))
                a_.assignLines.push_back(line);
            else if (!containsAny(line, "END", "end", "End"))
                a_.plainLines.push_back(line);
            ++cur;
        }
    }

private:
    std::size_t block(std::size_t cur) {
        a_.plainLines.push_back(lines_[cur]);
        const int n = countOf(pal::trim(lines_[cur]));
        std::size_t i = cur + 1;
        for (int k = 0; k < n && i < lines_.size(); ++i) {
            const std::string& line = lines_[i];
            a_.plainLines.push_back(line);
            if (noStatement(line)) continue;
            const auto eq = line.find('=');
            const std::string name = pal::upper(pal::trim(line.substr(0, eq)));
            const std::string value = eq == std::string::npos ? std::string() : pal::trim(line.substr(eq + 1));
            addVariable(a_.variables, a_.variableIndex,
                        {claimVariableName(a_.variables, a_.variableIndex, name), value, 0, {}, {}});
            ++k;
        }
        while (i < lines_.size() && noStatement(lines_[i])) a_.plainLines.push_back(lines_[i++]);
        a_.plainLines.push_back("*|*");
        return i;
    }

    // The next statement line of a unit (upper case, leading blanks removed),
    // skipping comment and empty lines; none at the end of the deck.
    std::optional<std::string> next(std::size_t& i) {
        while (i < lines_.size()) {
            const std::string& line = lines_[i++];
            if (!noStatement(line)) return pal::upper(leftTrim(line));
        }
        return std::nullopt;
    }

    std::size_t unit(std::size_t cur) {
        DeckUnit u;
        u.line = cur;
        const std::size_t firstMessage = a_.messages.size();
        u.unitLine = pal::upper(pal::trim(lines_[cur]));
        const auto w = words(u.unitLine);
        u.typeNumber = w.size() > 3 ? w[3] : std::string();
        u.statementLines.push_back(u.unitLine);
        bool wrong = false;
        auto report = [&](const std::string& what) {
            if (!wrong) a_.messages.push_back({" The " + what + " number for unit " + u.typeNumber + " is not defined correctly", false});
            wrong = true;
        };

        std::size_t i = cur + 1;
        std::size_t afterLast = i;  // the line after the unit's last statement line
        // Reads value lines until `have` holds `count` words; joinCommas joins "3," with "1".
        // Each word's place in the deck goes to places.
        auto values = [&](std::vector<std::string>& have, std::vector<DeckPlace>& places, int count, bool joinCommas,
                          const char* what) {
            while (have.size() < static_cast<std::size_t>(count)) {
                auto line = next(i);
                if (!line) return;
                u.statementLines.push_back(*line);
                afterLast = i;
                const std::size_t lineIndex = i - 1;
                const std::size_t indent = lines_[lineIndex].size() - line->size();
                std::vector<std::string> ws;
                std::vector<DeckPlace> at;
                const auto spans = wordSpans(*line);
                for (std::size_t k = 0; k < spans.size(); ++k) {
                    const std::size_t start = spans[k].first;
                    std::size_t end = start + spans[k].second;
                    std::string word = line->substr(start, spans[k].second);
                    while (joinCommas && !word.empty() && word.back() == ',' && k + 1 < spans.size()) {
                        ++k;
                        word += line->substr(spans[k].first, spans[k].second);
                        end = spans[k].first + spans[k].second;
                    }
                    ws.push_back(std::move(word));
                    at.push_back({lineIndex, indent + start, end - start});
                }
                if (have.size() + ws.size() > static_cast<std::size_t>(count)) {
                    if (what) report(what);
                    ws.resize(count - have.size());
                    at.resize(ws.size());
                }
                have.insert(have.end(), ws.begin(), ws.end());
                places.insert(places.end(), at.begin(), at.end());
            }
        };

        // Adds the count of a PARAMETERS or INPUTS line, bounded.
        auto addCount = [&](int& total, const std::string& statement, const char* what) {
            const long long sum = static_cast<long long>(total) + countOf(statement);
            if (sum > kMaxUnitCount) report(what);
            total = static_cast<int>(std::min<long long>(sum, kMaxUnitCount));
        };

        auto line = next(i);
        while (line) {
            const std::string key = line->substr(0, 3);
            if (key == "PAR") {
                u.statementLines.push_back(*line);
                afterLast = i;
                addCount(u.parameterCount, *line, "parameters");
                values(u.parameters, u.parameterPlaces, u.parameterCount, false, "parameters");
            } else if (key == "INP") {
                u.statementLines.push_back(*line);
                afterLast = i;
                addCount(u.inputCount, *line, "inputs");
                values(u.connections, u.connectionPlaces, u.inputCount, true, "inputs");
                values(u.initialValues, u.initialValuePlaces, u.inputCount, false, "inputs");
            } else if (key == "DER") {
                u.statementLines.push_back(*line);
                afterLast = i;
                u.derivativeCount = std::min(countOf(*line), kMaxUnitCount);
                u.derivatives.clear();
                std::vector<DeckPlace> unused;
                values(u.derivatives, unused, u.derivativeCount, false, nullptr);
            } else if (key == "TRA") {
                u.statementLines.push_back(*line);
                afterLast = i;
                u.trace = *line;
            } else {
                break;
            }
            line = next(i);
        }

        if (wrong) {
            u.noData = true;
            u.description = u.unitLine.substr(0, 7) + " - NO DATA AVAILABLE";
        } else {
            loadUnitDescription(folder_, u, a_.variables, a_.messages, cache_);
        }
        for (std::size_t k = firstMessage; k < a_.messages.size(); ++k) a_.messages[k].line = static_cast<int>(cur + 1);
        a_.units.push_back(std::move(u));
        // Comments after the unit go back to the deck reader with the statement
        // that ended it, so they are kept among the plain lines.
        return line ? afterLast : lines_.size();
    }

    const std::vector<std::string>& lines_;
    const std::string& folder_;
    DeckAnalysis& a_;
    TypeFileCache* cache_;
};

}  // namespace

bool neverAnalysedType(const std::string& typeNumber) {
    static const int kCopied[] = {9, 14, 15, 17, 19, 24, 25, 26, 27, 28, 29, 40, 41, 55, 56, 65};
    const auto n = parseFieldInteger(typeNumber);
    if (!n) return false;
    for (int t : kCopied)
        if (*n == t) return true;
    return false;
}

std::string claimVariableName(std::vector<DeckVariable>& variables, VariableIndex& index, const std::string& name) {
    const auto first = index.find(name);
    if (first == index.end()) return name;
    DeckVariable& v = variables[first->second];
    // A name of the deck may already end in that number (AREA and AREA1 both
    // defined): the count goes on until the name is free.
    std::string candidate;
    do candidate = name + std::to_string(++v.occurrences);
    while (index.count(candidate));
    return candidate;
}

void addVariable(std::vector<DeckVariable>& variables, VariableIndex& index, DeckVariable v) {
    index.try_emplace(v.name, variables.size());
    variables.push_back(std::move(v));
}

std::string claimVariableName(std::vector<DeckVariable>& variables, const std::string& name) {
    VariableIndex index;
    for (std::size_t i = 0; i < variables.size(); ++i) index.try_emplace(variables[i].name, i);
    return claimVariableName(variables, index, name);
}

DeckAnalysis analyseDeckLines(const std::vector<std::string>& lines, const std::string& folder, TypeFileCache* cache) {
    DeckAnalysis a;
    Analyser(lines, folder, a, cache).run();
    return a;
}

DeckAnalysis MakeDeck(const std::string& deckPath, const std::string& folder) {
    return analyseDeckLines(pal::readLines(deckPath), folder);
}

}  // namespace quivet
