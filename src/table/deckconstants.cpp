#include "table/deckconstants.h"

#include <charconv>
#include <sstream>
#include <unordered_map>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace table {

namespace {

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string word(const std::vector<std::string>& w, std::size_t oneBased) {
    return oneBased <= w.size() ? w[oneBased - 1] : std::string();
}

std::string leftTrim(const std::string& s) {
    const auto p = s.find_first_not_of(" \t");
    return p == std::string::npos ? std::string() : s.substr(p);
}

int integerValue(const std::string& text) {
    int n = 0;
    const char* first = text.data();
    if (!text.empty() && text[0] == '+') ++first;
    const auto r = std::from_chars(first, text.data() + text.size(), n);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() ? n : 0;
}

// A QUIVET unit header ("*|*     ***** UNIT n TYPE m name ...") names the block.
std::string unitContextOf(const std::string& line) {
    const auto w = words(line.size() > 14 ? line.substr(14) : std::string());
    std::string context = "UNIT " + word(w, 2) + " " + word(w, 5);
    const std::string w6 = word(w, 6);
    if (!w6.empty() && w6[0] != '*') context += " " + w6;
    return leftTrim(context);
}

// Sequential reading with the end-of-file test of a text file: after the last
// line has been read the reader is at its end.
class LineReader {
public:
    explicit LineReader(const std::vector<std::string>& lines) : lines_(lines) {}
    bool eof() const { return pos_ >= lines_.size(); }
    std::string next() { return eof() ? std::string() : lines_[pos_++]; }

    // The next line that is a field descriptor line ("*|...") or no comment at
    // all; comment lines and QUIVET markup (headings, pictures, commands) are
    // skipped, a unit heading among them naming the block from there on. At the
    // end of the file: an empty line.
    std::string nextSignificant() {
        while (!eof()) {
            std::string line = next();
            if (isMarkup(line)) {
                if (isUnitHeading(line)) context = unitContextOf(pal::trim(line));
                continue;
            }
            if (isDescriptor(line) || line.empty() || line[0] != '*') return line;
        }
        return {};
    }

    static bool isDescriptor(const std::string& line) { return line.size() >= 2 && line[1] == '|' && !isMarkup(line); }
    static bool isUnitHeading(const std::string& line) { return line.find("*|*     ***** UNIT") != std::string::npos; }
    // Descriptor lines that describe no statement: a heading ("*|*"), a picture,
    // a before- or after-command.
    static bool isMarkup(const std::string& line) {
        if (line.size() < 3 || line[0] != '*' || line[1] != '|') return false;
        if (line[2] == '*') return true;
        const std::string up = pal::upper(line.substr(2, 9));
        return up.rfind("<PICTURE>", 0) == 0 || up.rfind("<BEFORE>", 0) == 0 || up.rfind("<AFTER>", 0) == 0;
    }

    std::string context = " ";  // the unit block the scan is in

private:
    const std::vector<std::string>& lines_;
    std::size_t pos_ = 0;
};

std::string descriptionOf(const std::string& descriptorLine) {
    std::string text = descriptorLine.size() > 2 ? descriptorLine.substr(2) : std::string();
    const auto bar = text.find('|');
    if (bar != std::string::npos) text.resize(bar + 1);
    return pal::trim(text);
}

// The occurrence number of the latest constant of each base name (hashed, so a
// deck of many constants is scanned in linear time).
using Occurrences = std::unordered_map<std::string, int>;

// Reads one CONSTANTS block; returns the line that follows it.
std::string readBlock(LineReader& in, const std::string& statement, std::vector<DeckVariable>& list,
                      Occurrences& occurrences) {
    const int n = integerValue(word(words(statement), 2));
    std::string line = in.nextSignificant();
    for (int k = 0; k < n; ++k) {
        // A count larger than the block ends with the file.
        if (line.empty() && in.eof()) break;
        const auto eq = line.find('=');
        const std::string current = line;
        const std::string context = in.context;  // reading on may pass the next unit's heading
        line = in.nextSignificant();
        std::string description = kNoDescription;
        if (LineReader::isDescriptor(line)) {
            description = descriptionOf(line);
            line = in.nextSignificant();
        }
        if (eq == std::string::npos) continue;  // not a constant: nothing to table

        DeckVariable v;
        const std::string base = pal::upper(leftTrim(current.substr(0, eq)));
        v.name = base;
        const auto [latest, isNew] = occurrences.try_emplace(pal::trim(base), 0);
        if (!isNew) {
            v.occurrence = ++latest->second;
            v.name += std::to_string(v.occurrence);
        }
        v.unitContext = leftTrim(context);
        v.valueText = current.substr(eq + 1);
        v.description = description.substr(0, 40);
        list.push_back(std::move(v));
    }
    return line;
}

}  // namespace

std::optional<std::vector<DeckVariable>> scanConstantsLines(const std::vector<std::string>& lines) {
    std::optional<std::vector<DeckVariable>> result;
    Occurrences occurrences;
    LineReader in(lines);
    std::string line = in.next();
    while (!in.eof()) {
        line = pal::trim(line);
        if (LineReader::isUnitHeading(line)) in.context = unitContextOf(line);
        if (pal::upper(line.substr(0, 3)) == "CON") {
            if (!result) result.emplace();
            // The line after the block is examined in turn: it may open the next
            // block or name the next unit.
            line = readBlock(in, line, *result, occurrences);
        } else {
            line = in.next();
        }
    }
    return result;
}

std::optional<std::vector<DeckVariable>> ScanDeckConstants(const std::string& deckPath) {
    std::vector<std::string> lines;
    try {
        lines = pal::readLines(pal::findFile(deckPath).value_or(deckPath));
    } catch (const pal::IoError&) {
        return std::nullopt;
    }
    return scanConstantsLines(lines);
}

}  // namespace table
