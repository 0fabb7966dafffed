#include "deck/listingmessages.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "deck/deckline.h"

namespace deck {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

bool startsNoCase(std::string_view s, std::size_t at, std::string_view word) {
    return s.size() - std::min(at, s.size()) >= word.size() && pal::equalsNoCase(s.substr(at, word.size()), word);
}

std::size_t skipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && blank(s[i])) ++i;
    return i;
}

// A decimal number of at most nine digits at i; 0 (and i unchanged) when none.
int numberAt(std::string_view s, std::size_t& i) {
    std::size_t j = i;
    long n = 0;
    while (j < s.size() && digit(s[j]) && j - i < 9) n = n * 10 + (s[j++] - '0');
    if (j == i || (j < s.size() && digit(s[j]))) return 0;
    i = j;
    return static_cast<int>(n);
}

// "*** Error in line 12: text", "*** Warning: text", any case.
bool readMessage(std::string_view line, EngineMessage& m) {
    const std::size_t stars = line.find("***");
    if (stars == std::string_view::npos) return false;
    std::size_t i = skipBlanks(line, stars + 3);
    if (startsNoCase(line, i, "error") || startsNoCase(line, i, "fatal"))
        m.severity = Severity::Error;
    else if (startsNoCase(line, i, "warning"))
        m.severity = Severity::Warning;
    else
        return false;
    while (i < line.size() && !blank(line[i]) && line[i] != ':') ++i;
    std::size_t j = skipBlanks(line, i);
    if (startsNoCase(line, j, "in line")) {
        std::size_t k = skipBlanks(line, j + 7);
        if (const int n = numberAt(line, k)) {
            m.line = n;
            i = k;
        }
    }
    i = skipBlanks(line, i);
    if (i < line.size() && line[i] == ':') ++i;
    m.text = pal::trim(line.substr(i));
    if (m.text.empty()) m.text = pal::trim(line.substr(stars));
    return true;
}

// "   12  text": the echo of deck line 12 (a number, two blanks, the line).
bool readEcho(std::string_view line, int& number, std::string& text) {
    std::size_t i = skipBlanks(line, 0);
    const int n = numberAt(line, i);
    if (n <= 0) return false;
    if (i == line.size()) {
        text.clear();
    } else if (line.substr(i, 2) == "  ") {
        text = std::string(line.substr(i + 2));
    } else {
        return false;
    }
    number = n;
    return true;
}

// Deck lines as the editor holds them: cut at the longest line, no blanks at the end.
std::string_view comparable(std::string_view s) {
    s = s.substr(0, pal::kMaxLine);
    while (!s.empty() && (blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

ListingMessages parseListing(const std::vector<std::string>& lines) {
    ListingMessages out;
    std::unordered_map<int, std::string> echoes;
    // The line above the messages that follow it: an echo (its number) or any
    // other line (number 0).
    int aboveNumber = 0;
    std::string aboveText;
    int lastEcho = 0;
    bool numbered = false;
    std::vector<bool> fromAbove;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        EngineMessage m;
        if (readMessage(line, m)) {
            m.listingLine = static_cast<int>(k + 1);
            fromAbove.push_back(m.line == 0);
            if (m.line == 0) {
                m.line = aboveNumber;
                m.echo = aboveText;
                m.hasEcho = aboveNumber > 0 || !pal::trim(aboveText).empty();
            }
            (m.severity == Severity::Error ? out.errors : out.warnings)++;
            out.messages.push_back(std::move(m));
            continue;
        }
        int n = 0;
        std::string text;
        // Echo numbers rise; a summary line that happens to begin with a number
        // does not count.
        if (readEcho(line, n, text) && n > lastEcho) {
            numbered = true;
            lastEcho = aboveNumber = n;
            aboveText = text;
            echoes.emplace(n, std::move(text));
            continue;
        }
        aboveNumber = 0;
        aboveText = line;
    }
    for (std::size_t k = 0; k < out.messages.size(); ++k) {
        EngineMessage& m = out.messages[k];
        if (!fromAbove[k]) {
            const auto e = echoes.find(m.line);
            m.hasEcho = e != echoes.end();
            m.echo = m.hasEcho ? e->second : std::string();
        } else if (numbered && m.line == 0) {
            // In a numbered listing only an echo ties a message to a line.
            m.hasEcho = false;
            m.echo.clear();
        }
    }
    return out;
}

LinePlace placeOf(const EngineMessage& message, const std::vector<std::string>& deckLines) {
    const int count = static_cast<int>(deckLines.size());
    const int wanted = message.line;
    LinePlace p;
    const std::string_view echo = comparable(message.echo);
    auto holdsEcho = [&](int line) { return comparable(deckLines[static_cast<std::size_t>(line - 1)]) == echo; };

    if (wanted >= 1 && wanted <= count && (!message.hasEcho || holdsEcho(wanted))) {
        p.line = wanted;
        return p;
    }
    p.moved = true;
    if (message.hasEcho && count > 0) {
        // The nearest line that holds the text the engine read.
        const int from = std::clamp(wanted, 1, count);
        for (int d = 0; d < count; ++d) {
            for (int line : {from - d, from + d}) {
                if (line < 1 || line > count || !holdsEcho(line)) continue;
                p.line = line;
                p.note = wanted > 0 ? "The deck changed since the run: its line " + std::to_string(wanted) +
                                          " is now line " + std::to_string(line) + "."
                                    : "The listing numbers no lines: line " + std::to_string(line) +
                                          " holds the text the message follows.";
                return p;
            }
        }
    }
    p.line = std::clamp(wanted, 1, std::max(count, 1));
    if (wanted == 0)
        p.note = "The listing ties this message to no deck line.";
    else if (wanted > count)
        p.note = "The deck changed since the run: it has no line " + std::to_string(wanted) + " now; line " +
                 std::to_string(p.line) + " is the nearest.";
    else
        p.note = "The deck changed since the run: line " + std::to_string(wanted) +
                 " no longer holds the text the engine read.";
    return p;
}

std::vector<std::string> listingCandidates(const std::string& deckPath, const std::vector<std::string>& deckLines) {
    std::vector<std::string> out;
    std::string assigned;
    LineState state;
    for (const std::string& line : deckLines) {
        const ClassifiedLine c = classifyLine(line, state);
        state = c.after;
        if (c.statement != Statement::Assign) continue;
        for (const TokenSpan& t : c.tokens) {
            if (t.kind != Token::FileName) continue;
            std::string name = line.substr(t.start, t.length);
            if (pal::extensionTest(pal::fileNamePart(name)) != ".LST") continue;
            for (char& ch : name)
                if (ch == '\\') ch = '/';
            if (name.size() >= 2 && name[1] == ':') name.erase(0, 2);
            const std::string dir = pal::directoryPart(deckPath);
            assigned = name[0] == '/' || dir.empty() ? name : pal::joinPath(dir, name);
        }
    }
    if (!assigned.empty()) out.push_back(assigned);
    const std::string companion = pal::baseName(deckPath) + ".LST";
    out.push_back(pal::findFile(companion).value_or(companion));
    return out;
}

pal::MessageSet engineMessages(pal::MessageSource source, const std::string& deck, const std::string& listing,
                               const std::vector<std::string>& listingLines) {
    pal::MessageSet set{source, deck, parseListing(listingLines).messages};
    for (EngineMessage& m : set.messages) m.listing = listing;
    return set;
}

std::string countText(int errors, int warnings) {
    auto plural = [](int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); };
    std::string s = plural(errors, "error");
    if (warnings > 0) s += ", " + plural(warnings, "warning");
    return s;
}

}  // namespace deck
