#include "compare/reference.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "run/runplan.h"

namespace fs = std::filesystem;

namespace cmp {

namespace {

[[noreturn]] void fail(const std::error_code& e, const std::string& path) { throw pal::IoError(e.value(), path, e.message()); }

fs::file_time_type modified(const std::string& path) {
    std::error_code e;
    const auto t = fs::last_write_time(path, e);
    if (e) fail(e, path);
    return t;
}

// Every result the deck's runs write, whether or not it is new.
std::vector<std::string> resultFilesOf(const std::string& deckPath) {
    const run::RunResultFiles named = run::resultFiles(deckPath, pal::readLines(deckPath));
    std::vector<std::string> files;
    for (const std::string& f : {named.listing, named.plot})
        if (auto found = pal::findFile(f)) files.push_back(*found);
    // Output tables: the one ASSIGN names, and every ".O*" of the base name.
    if (auto found = pal::findFile(named.output)) files.push_back(*found);
    const std::string base = pal::baseName(deckPath);
    const std::string dir = pal::directoryPart(deckPath);
    for (const std::string& name : pal::matchFiles(dir, pal::fileNamePart(base) + ".O*"))
        files.push_back(pal::joinPath(dir, name));
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

void copyThroughTemporary(const std::string& from, const std::string& to) {
    const std::string temporary = to + ".~copy";
    std::error_code e;
    fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, e);
    if (e) {
        fs::remove(temporary, e);
        fail(e, to);
    }
    fs::rename(temporary, to, e);
    if (e) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        fail(e, to);
    }
}

}  // namespace

std::string referenceFolder(const std::string& deckPath) { return pal::baseName(deckPath) + ".ref"; }

std::vector<std::string> latestResults(const std::string& deckPath) {
    const auto deckTime = modified(deckPath);
    std::vector<std::string> out;
    for (const std::string& f : resultFilesOf(deckPath))
        if (modified(f) >= deckTime) out.push_back(f);
    return out;
}

std::vector<std::string> keepAsReference(const std::string& deckPath) {
    const std::vector<std::string> results = latestResults(deckPath);
    if (results.empty())
        throw std::runtime_error("The deck " + pal::fileNamePart(deckPath) +
                                 " has no results newer than itself: run it (F8) first.");
    const std::string folder = referenceFolder(deckPath);
    std::error_code e;
    fs::create_directories(folder, e);
    if (e) fail(e, folder);
    std::set<std::string> kept;
    for (const std::string& f : results) {
        const std::string name = pal::fileNamePart(f);
        copyThroughTemporary(f, pal::joinPath(folder, name));
        kept.insert(name);
    }
    // Results of an earlier reference that this run did not write go.
    std::vector<fs::path> stale;
    for (const auto& entry : fs::directory_iterator(folder, e))
        if (entry.is_regular_file() && !kept.count(entry.path().filename().string())) stale.push_back(entry.path());
    for (const fs::path& p : stale) fs::remove(p, e);
    return {kept.begin(), kept.end()};
}

std::vector<ReferencePair> referencePairs(const std::string& deckPath) {
    const std::string folder = referenceFolder(deckPath);
    if (!pal::directoryExists(folder))
        throw std::runtime_error("The deck " + pal::fileNamePart(deckPath) +
                                 " has no reference results yet: run it and choose KALVEX > Keep as Reference.");
    const auto deckTime = modified(deckPath);
    const std::vector<std::string> current = resultFilesOf(deckPath);
    std::vector<ReferencePair> pairs;
    std::error_code e;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder, e))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    if (e) fail(e, folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        ReferencePair p;
        p.reference = pal::joinPath(folder, name);
        for (const std::string& f : current)
            if (pal::equalsNoCase(pal::fileNamePart(f), name)) p.current = f;
        if (!p.current.empty()) p.stale = modified(p.current) < deckTime;
        pairs.push_back(std::move(p));
    }
    return pairs;
}

}  // namespace cmp
