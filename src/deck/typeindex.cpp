#include "deck/typeindex.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "quivet/fieldnumber.h"
#include "quivet/typeinfo.h"

namespace deck {

namespace {

// A type description is a few kilobytes; a larger file is not one.
constexpr std::uintmax_t kMaxTypeFile = 4u << 20;

// The number in a file name TYPEn.INF (any case); -1 for other names.
int numberOfFile(const std::string& name) {
    const std::string u = pal::upper(name);
    if (u.size() < 9 || u.compare(0, 4, "TYPE") != 0 || u.compare(u.size() - 4, 4, ".INF") != 0) return -1;
    const std::string digits = u.substr(4, u.size() - 8);
    if (digits.empty() || digits.size() > 6) return -1;
    for (char c : digits)
        if (c < '0' || c > '9') return -1;
    return std::stoi(digits);
}

}  // namespace

std::string typeTitle(const std::string& headerLine) {
    // Past the first two words: "TYPE" and the number.
    std::size_t i = 0;
    for (int word = 0; word < 2; ++word) {
        while (i < headerLine.size() && (headerLine[i] == ' ' || headerLine[i] == '\t')) ++i;
        while (i < headerLine.size() && headerLine[i] != ' ' && headerLine[i] != '\t') ++i;
    }
    return pal::trim(headerLine.substr(i));
}

std::vector<TypeEntry> readTypeIndex(const std::string& engineFolder) {
    // The INFO folder as the type files are looked for, in any letter case.
    const std::string infoDir = pal::directoryPart(quivet::typeInfoPath(engineFolder, "0"));
    std::vector<TypeEntry> index;
    for (const std::string& name : pal::matchFiles(infoDir, "TYPE*.INF")) {
        const int n = numberOfFile(name);
        if (n < 0) continue;
        TypeEntry e{n, {}, pal::joinPath(infoDir, name)};
        std::error_code ec;
        const auto size = std::filesystem::file_size(e.path, ec);
        if (!ec && size <= kMaxTypeFile) {
            try {
                const auto lines = pal::readLines(e.path);
                if (const auto at = quivet::typeHeaderLine(lines, std::to_string(n))) e.name = typeTitle(lines[*at]);
            } catch (const pal::IoError&) {
                // Listed without a name.
            }
        }
        index.push_back(std::move(e));
    }
    std::stable_sort(index.begin(), index.end(), [](const TypeEntry& a, const TypeEntry& b) { return a.number < b.number; });
    // Two files of one number in different letter case: the first one counts.
    index.erase(std::unique(index.begin(), index.end(), [](const TypeEntry& a, const TypeEntry& b) { return a.number == b.number; }),
                index.end());
    return index;
}

std::string typeName(const std::vector<TypeEntry>& index, const std::string& typeNumber) {
    const auto n = quivet::parseFieldInteger(typeNumber);
    if (!n) return {};
    const auto it = std::lower_bound(index.begin(), index.end(), *n, [](const TypeEntry& e, int v) { return e.number < v; });
    return it != index.end() && it->number == *n ? it->name : std::string();
}

std::string typeHelpFile(const std::vector<pal::IndexEntry>& entries, const std::string& typeNumber) {
    const auto n = quivet::parseFieldInteger(typeNumber);
    if (!n) return {};
    const std::string fileName = "TYPE" + std::to_string(*n) + ".INF";
    for (const pal::IndexEntry& e : entries) {
        std::size_t i = 0;
        const std::string t = pal::upper(e.title);
        auto word = [&] {
            while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
            const std::size_t start = i;
            while (i < t.size() && t[i] != ' ' && t[i] != '\t' && t[i] != ':' && t[i] != '-') ++i;
            return t.substr(start, i - start);
        };
        const bool byTitle = word() == "TYPE" && quivet::parseFieldInteger(word()) == *n;
        if ((byTitle || pal::equalsNoCase(pal::fileNamePart(e.file), fileName)) && !e.help.empty()) return e.help;
    }
    return {};
}

std::string typeInfoText(const std::string& engineFolder, const std::string& typeNumber) {
    const std::string path = quivet::typeInfoPath(engineFolder, typeNumber);
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxTypeFile) return "The information file " + path + " is too large to be one.";
    try {
        const auto lines = pal::readLines(path);
        const auto at = quivet::typeHeaderLine(lines, typeNumber);
        if (!at) return "The information file " + path + " describes no type " + typeNumber + ".";
        std::string text;
        for (std::size_t i = *at; i < lines.size(); ++i) text += lines[i] + "\n";
        return text;
    } catch (const pal::IoError& e) {
        return "The information file " + path + " cannot be read: " + e.what();
    }
}

}  // namespace deck
