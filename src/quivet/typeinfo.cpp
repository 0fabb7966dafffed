#include "quivet/typeinfo.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "quivet/fieldnumber.h"

namespace quivet {

namespace {

constexpr std::size_t kMaxDescription = 40;
constexpr std::size_t kLabelWidth = 43;
// A constant's name leaves room on its deck line for "= " and any value the form
// writes, and for the occurrence number a repeated name gets.
constexpr std::size_t kMaxConstantName = 200;

std::vector<std::string> words(const std::string& s) { return pal::splitWords(s); }

bool contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

std::string leftTrim(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}

std::string fmt(const std::string& pattern, int first, const std::string& second) {
    std::string s = pattern;
    auto p = s.find("%d");
    if (p != std::string::npos) s.replace(p, 2, std::to_string(first));
    p = s.find("%d");
    if (p != std::string::npos) s.replace(p, 2, second);
    return s;
}

// An existing entry of dir whose name matches ignoring case (directories too).
std::optional<std::string> findEntryNoCase(const std::string& dir, const std::string& name) {
    const std::string exact = pal::joinPath(dir, name);
    std::error_code ec;
    if (std::filesystem::exists(exact, ec)) return exact;
    for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end; it.increment(ec))
        if (pal::equalsNoCase(it->path().filename().string(), name)) return pal::joinPath(dir, it->path().filename().string());
    return std::nullopt;
}

// The number a deck value or a variable stands for, if any. A remark after "!"
// (allowed in definitions) is not part of it.
std::optional<long double> numberOf(const std::string& text) {
    return parseFieldNumber(pal::trim(text.substr(0, text.find('!'))));
}

// Reads the descriptions of one list (parameters or inputs) from the lines.
class InfoReader {
public:
    InfoReader(const std::vector<std::string>& lines, std::size_t at) : lines_(lines), at_(at) {}

    std::optional<std::string> raw() {
        if (at_ >= lines_.size()) return std::nullopt;
        return lines_[at_++];
    }
    std::optional<std::string> upperLine() {
        auto l = raw();
        if (l) *l = pal::upper(*l);
        return l;
    }
    // Name, description and units lines; empty when missing or not convertible,
    // or when the name cannot be a constant's (problem() then says why).
    std::optional<TypeDescription> threeLines(std::optional<std::string> name) {
        const std::size_t nameLine = name ? at_ : at_ + 1;
        if (!name) name = upperLine();
        auto description = raw();
        auto units = raw();
        if (!name || !description || !units) return std::nullopt;
        auto d = makeDescription(*name, *description, *units);
        if (!d) return d;
        if (const auto why = unusableName(d->name)) {
            problem_ = "line " + std::to_string(nameLine) + ": \"" + pal::cut(d->name, 40) + "\" cannot name a constant (" + *why + ")";
            return std::nullopt;
        }
        return d;
    }
    static std::optional<TypeDescription> makeDescription(const std::string& name, const std::string& description,
                                                          const std::string& units) {
        auto tail = unitsTail(units);
        if (!tail) return std::nullopt;
        TypeDescription d;
        d.name = pal::upper(pal::trim(name));
        // A "|" would split the descriptor's label field, and a label starting with
        // "<", "?" or "*" would make a choice, file or heading line of it: such a
        // label is shown after a blank.
        std::string label = leftTrim(description);
        if (!label.empty() && (label[0] == '<' || label[0] == '?' || label[0] == '*')) label.insert(0, " ");
        d.description = pal::cut(label, kMaxDescription);
        for (char& c : d.description)
            if (c == '|') c = '/';
        d.tail = *tail;
        return d;
    }
    // Why a name cannot stand before "=" in a constant's statement that the form
    // reads back and saves within a deck line; nothing when it can.
    static std::optional<std::string> unusableName(const std::string& name) {
        if (name.empty()) return "it is empty";
        if (name.size() > kMaxConstantName) return "it is longer than " + std::to_string(kMaxConstantName) + " characters";
        if (name[0] == '*') return "a line starting with \"*\" is a comment";
        for (char c : name)
            if (c == '=' || c == '!' || c == ' ' || c == '\t' || c == '|')
                return std::string("it holds \"") + c + "\"";
        return std::nullopt;
    }
    const std::string& problem() const { return problem_; }
    // The name/description/units scheme with "REP" for `count` entries. Returns
    // the 1-based number of the entry that failed, 0 when all were read.
    int list(std::size_t count, bool stopAtInputs, std::vector<TypeDescription>& out) {
        for (std::size_t i = 0; i < count; ++i) {
            auto name = upperLine();
            if (!name || (stopAtInputs && contains(*name, "INP"))) return static_cast<int>(i + 1);
            if (contains(*name, "REP")) {
                auto d = threeLines(std::nullopt);
                if (!d) return static_cast<int>(i + 1);
                out.insert(out.end(), count - i, *d);
                return 0;
            }
            auto d = threeLines(name);
            if (!d) return static_cast<int>(i + 1);
            out.push_back(*d);
        }
        return 0;
    }
    bool skipToInputs() {
        while (auto l = upperLine())
            if (contains(*l, "INP")) return true;
        return false;
    }
    std::size_t position() const { return at_; }

private:
    const std::vector<std::string>& lines_;
    std::size_t at_;
    std::string problem_;
};

bool sameNumber(const std::string& word, const std::string& typeNumber) {
    const auto a = parseFieldInteger(word), b = parseFieldInteger(typeNumber);
    if (a && b) return *a == *b;
    return pal::upper(word) == pal::upper(typeNumber);
}

// The rounded mode value of parameter k: its deck value, or the value of the
// variable it names. 0 when neither is a number.
long long modeValue(const DeckUnit& unit, int k, const std::vector<DeckVariable>& variables) {
    if (k < 1 || static_cast<std::size_t>(k) > unit.parameters.size()) return 0;
    const std::string& text = unit.parameters[k - 1];
    auto v = numberOf(text);
    if (!v) {
        for (const auto& var : variables)
            if (var.name == pal::upper(text)) {
                v = numberOf(var.value);
                break;
            }
    }
    if (!v || std::fabs(*v) > 1e15L) return 0;
    return std::llrint(*v);  // ties to even under the default rounding mode
}

long double numberOrZero(const std::vector<std::string>& values, std::size_t k) {
    if (k < 1 || k > values.size()) return 0;
    return numberOf(values[k - 1]).value_or(0);
}

}  // namespace

bool DeckUnit::parameterSelectable(std::size_t i) const {
    return i < parameters.size() && parseFieldNumber(parameters[i]).has_value();
}

bool DeckUnit::inputSelectable(std::size_t i) const {
    if (i >= connections.size() || i >= initialValues.size()) return false;
    const std::string& c = connections[i];
    const bool unconnected = c.size() >= 2 && c.compare(c.size() - 2, 2, ",0") == 0 && c != "-1,0";
    return unconnected && parseFieldNumber(initialValues[i]).has_value();
}

std::string engineFolder(const std::string& kalvexDir, const std::string& programDir) {
    return pal::directoryExists(kalvexDir) ? kalvexDir : programDir;
}

std::string typeInfoPath(const std::string& folder, const std::string& typeNumber) {
    const std::string name = "TYPE" + typeNumber + ".INF";
    const std::string info = findEntryNoCase(folder, "INFO").value_or(pal::joinPath(folder, "INFO"));
    return pal::findFile(pal::joinPath(info, name)).value_or(pal::joinPath(info, name));
}

std::optional<std::string> unitsTail(const std::string& unitsLine) {
    const auto w = words(unitsLine);
    for (const auto& word : w)
        if (word.find('|') != std::string::npos) return std::nullopt;
    // The form reads these fields as numbers; a text that is none would end the form.
    auto numbers = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            if (!parseFieldNumber(w[i])) return false;
        return true;
    };
    std::string tail;
    if (!w.empty() && (w[0] == "none" || w[0] == "None" || w[0] == "NONE")) {
        if (w.size() < 3 || !numbers(1, 3)) return std::nullopt;
        tail = "|||0|1|" + w[1] + "|" + w[2] + "|";
    } else {
        if (w.size() < 6 || !numbers(2, 6)) return std::nullopt;
        for (std::size_t i = 0; i < 6; ++i) tail += "|" + w[i];
        tail += "|";
    }
    // A descriptor longer than a deck line would lose its end when written.
    if (2 + kLabelWidth + tail.size() > pal::kMaxLine) return std::nullopt;
    return tail;
}

bool describeUnit(const std::vector<std::string>& lines, DeckUnit& unit, const std::vector<DeckVariable>& variables,
                  std::vector<AnalysisMessage>& messages, const std::string& fileName) {
    const std::string& n = unit.typeNumber;
    const InfoReader* reader = nullptr;
    auto fail = [&](const std::string& text) {
        if (reader && !reader->problem().empty())
            messages.push_back({"The type file " + (fileName.empty() ? "of type " + n : fileName) + ", " +
                                    reader->problem(), false});
        else
            messages.push_back({text, false});
        return false;
    };

    const auto headerAt = typeHeaderLine(lines, n);
    if (!headerAt) return fail("Type " + n + " can not be found");
    const std::string header = pal::upper(lines[*headerAt]);
    std::size_t at = *headerAt + 1;

    // Mode sections chosen by parameter values; the line after them is passed over.
    std::string line = at < lines.size() ? pal::upper(lines[at]) : std::string();
    while (contains(line, "PARMOD")) {
        const auto w = words(line);
        const int k = w.size() > 1 ? parseFieldInteger(w[1]).value_or(0) : 0;
        const long long m = modeValue(unit, k, variables);
        const std::string section = contains(line, "ZERO")
                                        ? "MODE " + std::to_string(k) + (m < 1 ? " NEG" : " POS")
                                        : "MODE " + std::to_string(k) + "-" + std::to_string(m);
        std::size_t j = at;
        while (j < lines.size() && !contains(pal::upper(lines[j]), section.c_str())) ++j;
        if (j == lines.size()) return fail("  Error in Type " + n + " ! " + section + " can not be found");
        at = j + 1;
        line = at < lines.size() ? pal::upper(lines[at]) : std::string();
    }
    ++at;

    InfoReader r(lines, at);
    reader = &r;
    std::vector<TypeDescription> params, inputs;
    const std::size_t parameterCount = unit.parameters.size();
    const bool typeFour = parseFieldInteger(n) == 4;
    if (typeFour) {
        const int d = unit.derivativeCount;
        TypeDescription lastRead;
        auto group = [&](int count, bool keep) -> bool {
            for (int i = 1; i <= count; ++i) {
                auto desc = r.threeLines(std::nullopt);
                if (!desc) return fail(fmt("Parameter %d for type %d isn't defined correctly", i, n));
                if (keep) params.push_back(*desc);
                lastRead = *desc;
            }
            return true;
        };
        // Repeats are bounded by the parameters they can describe. The
        // description is a copy: it may be an element of the list that grows.
        auto repeat = [&](const TypeDescription desc, long long times) {
            for (long long t = 0; t < times && params.size() < parameterCount; ++t) params.push_back(desc);
        };
        if (!group(6, true)) return false;
        if (numberOrZero(unit.parameters, 6) > 0 && d > 1) repeat(params.back(), d - 1);
        if (!group(14, true)) return false;
        if (!group(2, numberOrZero(unit.parameters, 1) == 3)) return false;
        if (numberOrZero(unit.parameters, 5) < 0 && d > 1) repeat(lastRead, d);
    } else {
        if (int bad = r.list(parameterCount, true, params))
            return fail(fmt("Parameter %d for type %d isn't defined correctly", bad, n));
    }
    if (!unit.connections.empty()) {
        const bool found = r.skipToInputs();
        int bad = found ? r.list(unit.connections.size(), false, inputs) : 1;
        if (bad) {
            if (typeFour)
                return fail("Input " + std::to_string(bad) + " for Type " + n + " isn't defined correctly ");
            return fail(fmt("Input %d for type %d isn't defined correctly", bad, n));
        }
    }
    if (params.size() > parameterCount) params.resize(parameterCount);
    unit.description = header;
    unit.parameterInfo = std::move(params);
    unit.inputInfo = std::move(inputs);
    return true;
}

std::optional<std::size_t> typeHeaderLine(const std::vector<std::string>& lines, const std::string& n) {
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const std::string u = pal::upper(lines[at]);
        if (!contains(u, "TYPE")) continue;
        const auto w = words(u);
        if (w.size() > 1 && sameNumber(w[1], n)) return at;
    }
    return std::nullopt;
}

const std::vector<std::string>& TypeFileCache::lines(const std::string& path) {
    if (const auto f = files_.find(path); f != files_.end()) return f->second;
    if (const auto e = failures_.find(path); e != failures_.end()) throw e->second;
    try {
        return files_.emplace(path, pal::readLines(path, pal::kMaxLine)).first->second;
    } catch (const pal::IoError& e) {
        failures_.emplace(path, e);
        throw;
    }
}

void loadUnitDescription(const std::string& folder, DeckUnit& unit, const std::vector<DeckVariable>& variables,
                         std::vector<AnalysisMessage>& messages, TypeFileCache* cache) {
    const std::string path = typeInfoPath(folder, unit.typeNumber);
    bool ok = false;
    try {
        std::vector<std::string> read;
        const auto& lines = cache ? cache->lines(path) : (read = pal::readLines(path, pal::kMaxLine));
        ok = describeUnit(lines, unit, variables, messages, path);
    } catch (const pal::IoError& e) {
        messages.push_back({"Error " + std::to_string(e.code()) + " was encountered while trying to open file " + path,
                            true});
    }
    if (!ok) {
        unit.noData = true;
        unit.description = unit.unitLine.substr(0, 7) + " - NO DATA AVAILABLE";
        unit.parameterInfo.clear();
        unit.inputInfo.clear();
    }
}

HeaderLines readHeaderLines(const std::string& folder) {
    const std::string path = pal::findFile(pal::joinPath(folder, "Header.txt")).value_or(pal::joinPath(folder, "Header.txt"));
    HeaderLines h;
    try {
        const auto lines = pal::readLines(path, pal::kMaxLine);
        h.lines.push_back("*|*");
        for (const auto& l : lines) h.lines.push_back("*|*" + pal::cut(l, pal::kMaxLine - 3));
        h.lines.push_back("*|*");
    } catch (const pal::IoError& e) {
        h.lines.clear();
        h.error = "Error " + std::to_string(e.code()) + " while reading file " + path;
    }
    return h;
}

}  // namespace quivet
