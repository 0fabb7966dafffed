#include "table/rundecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "table/numberparse.h"

namespace table {

namespace {

std::string deckBase(const std::string& deckPath) { return pal::baseName(deckPath); }

// Only the file name is upper-cased: the directories must stay as they exist.
std::string upperBase(const std::string& deckPath) {
    const std::string base = deckBase(deckPath);
    const std::string name = pal::fileNamePart(base);
    return base.substr(0, base.size() - name.size()) + pal::upper(name);
}

}  // namespace

std::string runSuffix(int run) { return run <= 1 ? std::string() : std::to_string(run - 1); }

std::string runDeckPath(const std::string& deckPath, int run) { return upperBase(deckPath) + runSuffix(run) + ".TMP"; }

namespace {

// A run deck line in upper case, except the text that may name files: comment
// and descriptor lines (pictures, choice files, commands) stay as written, and an
// ASSIGN statement only gets its keyword upper-cased (Linux file names are
// case-sensitive).
std::string upperStatement(const std::string& line) {
    if (line.empty() || line[0] == '*') return line;
    const std::string up = pal::upper(line);
    if (up.rfind("ASS", 0) != 0) return up;
    const std::size_t wordEnd = std::min(line.find_first_of(" \t"), line.size());
    return up.substr(0, wordEnd) + line.substr(wordEnd);
}

}  // namespace

std::string runDeckValueText(pal::LabelFormat format, long double value) {
    return pal::ExactText(pal::FormatValue(format, value), value);
}

std::vector<std::string> runDeckLines(const std::vector<std::string>& deckLines, const std::string& deckPath, int run,
                                      const std::vector<std::string>& names, const std::vector<std::string>& valueTexts) {
    const std::string fileName = pal::upper(pal::fileNamePart(deckBase(deckPath)));
    const std::string suffix = runSuffix(run);
    // Each line's name is looked up once; of columns that share a name the last
    // one sets the value.
    std::unordered_map<std::string, std::size_t> column;
    column.reserve(names.size());
    for (std::size_t j = 0; j < names.size() && j < valueTexts.size(); ++j)
        if (!names[j].empty()) column[names[j]] = j;
    std::vector<std::string> out;
    out.reserve(deckLines.size());
    for (const std::string& deckLine : deckLines) {
        std::string line = upperStatement(deckLine);
        if (pal::upper(line.substr(0, 3)) == "ASS" && !suffix.empty()) {
            // The deck's own base name, in any letter case, gets the run number.
            const auto at = pal::upper(line).find(fileName + ".");
            if (at != std::string::npos && at >= 4) line.insert(at + fileName.size(), suffix);
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos && eq > 0) {
            const auto named = column.find(pal::trim(std::string_view(line).substr(0, eq)));
            if (named != column.end()) line = named->first + "=" + valueTexts[named->second];
        }
        out.push_back(std::move(line));
    }
    return out;
}

RunDeckOutcome writeRunDecks(TableData& t) {
    RunDeckOutcome outcome;
    const int runs = t.runs();
    if (runs <= 0) return outcome;
    std::vector<std::string> names;
    for (const auto& c : t.columns) names.push_back(pal::upper(pal::trim(c.name.substr(0, 20))));

    std::vector<std::string> deck;
    bool deckRead = false;
    for (int i = 1; i <= runs; ++i) {
        std::vector<std::string> values;
        for (int j = 1; j <= t.variables(); ++j) {
            const long double x = t.value(j, i);
            // Markers, and anything a damaged file may hold that is no number.
            if (!(x <= kDefinedLimit)) {
                char text[96];
                std::snprintf(text, sizeof text, "Parameter in the col #%d, run #%d isn't defined", j, i);
                outcome.failed = true;
                outcome.message = text;
                return outcome;
            }
            values.push_back(runDeckValueText(t.columns[static_cast<std::size_t>(j - 1)].format, x));
        }
        if (!deckRead) {
            deck = pal::readLines(pal::findFile(t.deckPath).value_or(t.deckPath));
            deckRead = true;
        }
        const std::string path = runDeckPath(t.deckPath, i);
        if (t.runDeckNames.size() <= static_cast<std::size_t>(i)) t.runDeckNames.resize(static_cast<std::size_t>(i) + 1);
        t.runDeckNames[static_cast<std::size_t>(i)] = path;
        try {
            pal::writeLinesCRLF(path, runDeckLines(deck, t.deckPath, i, names, values));
        } catch (const pal::IoError&) {
            outcome.failed = true;
            outcome.message = "Error writing table file " + path;
            return outcome;
        }
    }
    return outcome;
}

}  // namespace table
