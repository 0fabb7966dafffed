#include "deck.h"

#include <charconv>
#include <unordered_map>

#include "common/bytes.h"
#include "expression.h"

namespace kalvex {

namespace {

bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '_'; }

// A trailing remark "! [m3/h] tank inflow" gives the unit "m3/h". Units go into
// blank-separated plot data, so blanks inside become "_".
std::string unitOfRemark(const std::string& remark) {
    const std::string r = pal::trim(remark);
    if (r.empty() || r[0] != '[') return {};
    const auto close = r.find(']');
    if (close == std::string::npos) return {};
    std::string unit = pal::trim(r.substr(1, close - 1));
    for (char& c : unit)
        if (c == ' ' || c == '\t' || c == ',') c = '_';
    return pal::cut(unit, kMaxNameLength);
}

bool knownStatement(const std::string& kw) {
    static const char* const kKeywords[] = {"UNI", "PAR", "INP", "DER", "TRA", "EQU",
                                             "EQN", "CON", "ASS", "SIM", "END"};
    for (const char* k : kKeywords)
        if (kw == k) return true;
    return false;
}

bool parseCount(const std::string& word, long& n) {
    const auto res = std::from_chars(word.data(), word.data() + word.size(), n);
    return res.ec == std::errc() && res.ptr == word.data() + word.size() && n >= 0;
}

class DeckReader {
public:
    explicit DeckReader(Deck& deck) : deck_(deck) {}

    void read(const std::string& bytes) {
        splitLines(bytes);
        for (std::size_t i = 0; i < deck_.lines.size() && !deck_.hasEnd; ++i)
            statement(static_cast<int>(i + 1), deck_.lines[i]);
        if (pending_ > 0)
            error(blockLine_, blockWord_ + " announces " + std::to_string(blockCount_) + " definitions, but the deck ends after " +
                                  std::to_string(blockCount_ - pending_));
        if (!deck_.hasEnd) warning(0, "the deck has no END statement");
    }

private:
    void error(int line, const std::string& text) { deck_.messages.push_back({line, true, text}); }
    void warning(int line, const std::string& text) { deck_.messages.push_back({line, false, text}); }

    void splitLines(const std::string& bytes) {
        std::size_t start = 0;
        while (start < bytes.size()) {
            auto end = bytes.find('\n', start);
            if (end == std::string::npos) end = bytes.size();
            std::string line = bytes.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            deck_.lines.push_back(std::move(line));
            start = end + 1;
        }
    }

    void statement(int lineNo, const std::string& raw) {
        // Read whole all the same; the warning tells why the program's editor shows it cut.
        if (raw.size() > kMaxDeckLine)
            warning(lineNo, "the line is longer than " + std::to_string(kMaxDeckLine) + " characters");
        const std::string whole = pal::trim(raw);
        if (whole.empty() || whole[0] == '*') return;  // blank, comment or descriptor line
        const auto bang = whole.find('!');
        const std::string remark = bang == std::string::npos ? std::string() : whole.substr(bang + 1);
        const std::string text = pal::trim(whole.substr(0, bang == std::string::npos ? whole.size() : bang));
        if (text.empty()) return;  // a line holding only a remark
        const std::string kw = pal::upper(text.substr(0, 3));

        if (pending_ > 0) {
            if (text.find('=') != std::string::npos) return definition(lineNo, text, remark);
            if (knownStatement(kw)) {
                error(blockLine_, blockWord_ + " announces " + std::to_string(blockCount_) + " definitions, but only " +
                                      std::to_string(blockCount_ - pending_) + " follow");
                pending_ = 0;
            } else {
                error(lineNo, "NAME=expression expected in the " + blockWord_ + " block");
                --pending_;
                return;
            }
        }

        const auto words = statementWords(text);
        if (kw == "CON" || kw == "EQU" || kw == "EQN") {
            inUnit_ = false;
            blockWord_ = kw == "CON" ? "CONSTANTS" : "EQUATIONS";
            equations_ = kw != "CON";
            long n = 0;
            if (words.size() < 2 || !parseCount(words[1], n) || n > 100000) {
                error(lineNo, blockWord_ + " needs the number of definitions that follow, e.g. " + blockWord_ + " 3");
                return;
            }
            if (words.size() > 2) warning(lineNo, "text after the count is ignored");
            pending_ = blockCount_ = n;
            blockLine_ = lineNo;
        } else if (kw == "SIM") {
            inUnit_ = false;
            if (deck_.simulation) {
                error(lineNo, "a second SIMULATION statement (the first is in line " +
                                  std::to_string(deck_.simulation->line) + ")");
                return;
            }
            if (words.size() < 4) {
                error(lineNo, "SIMULATION needs start, stop and step, e.g. SIMULATION 0 24 0.5");
                return;
            }
            if (words.size() > 4) warning(lineNo, "text after the step is ignored");
            deck_.simulation = SimulationCard{words[1], words[2], words[3], unitOfRemark(remark), lineNo};
        } else if (kw == "ASS") {
            inUnit_ = false;
            if (words.size() < 2) {
                error(lineNo, "ASSIGN needs a file name and a logical unit, e.g. ASSIGN PUMP.LST 6");
                return;
            }
            deck_.assigns.push_back({words[1], lineNo});
        } else if (kw == "UNI") {
            inUnit_ = true;
            ++deck_.unitStatements;
        } else if (kw == "PAR" || kw == "INP" || kw == "DER" || kw == "TRA") {
            if (!inUnit_) warning(lineNo, "component data outside a UNIT; skipped");
            inUnit_ = true;  // the data lines that follow belong to the component
        } else if (kw == "END") {
            deck_.hasEnd = true;
        } else if (inUnit_) {
            // A data line of a component: echoed, not simulated.
        } else if (text.find('=') != std::string::npos) {
            error(lineNo, "a definition outside a CONSTANTS or EQUATIONS block (is the count of the block too small?)");
        } else {
            warning(lineNo, "statement not known to this engine; skipped");
        }
    }

    void definition(int lineNo, const std::string& text, const std::string& remark) {
        --pending_;
        const auto eq = text.find('=');
        const std::string name = pal::upper(pal::trim(text.substr(0, eq)));
        const std::string expr = pal::trim(text.substr(eq + 1));
        if (name.empty()) return error(lineNo, "the name before \"=\" is missing");
        if (!isNameStart(name[0])) return error(lineNo, "the name " + name + " must begin with a letter");
        for (char c : name)
            if (!isNameChar(c))
                return error(lineNo, "the name " + name + " may hold only letters, digits and \"_\"");
        if (name.size() > kMaxNameLength)
            return error(lineNo, "the name " + name + " is longer than " + std::to_string(kMaxNameLength) + " characters");
        if (name == "TIME") return error(lineNo, "TIME is the simulation time and cannot be defined");
        if (Expression::isFunctionName(name)) return error(lineNo, name + " is a function name and cannot be defined");
        const auto [first, isNew] = firstLine_.try_emplace(name, lineNo);
        if (!isNew)
            warning(lineNo, name + " is defined again (first in line " + std::to_string(first->second) +
                                "); later lines use this definition");
        deck_.definitions.push_back({name, expr, unitOfRemark(remark), lineNo, equations_});
    }

    Deck& deck_;
    // The line of each name's first definition: large decks need a hashed look-up.
    std::unordered_map<std::string, int> firstLine_;
    long pending_ = 0;
    long blockCount_ = 0;
    int blockLine_ = 0;
    std::string blockWord_;
    bool equations_ = false;
    bool inUnit_ = false;
};

}  // namespace

std::vector<std::string> statementWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(std::move(word)), word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

Deck readDeck(const std::string& bytes) {
    Deck deck;
    DeckReader(deck).read(bytes);
    return deck;
}

}  // namespace kalvex
