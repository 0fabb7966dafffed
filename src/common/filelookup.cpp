#include "common/filelookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "common/bytes.h"

namespace fs = std::filesystem;

namespace pal {

static bool isRegular(const std::string& p) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(p), ec);
}

std::optional<std::string> findFile(const std::string& path) {
    if (path.empty()) return std::nullopt;
    if (isRegular(path)) return path;
    const std::string dir = directoryPart(path);
    const std::string name = fileNamePart(path);
    if (name.empty()) return std::nullopt;
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end;
    if (ec) return std::nullopt;
    std::optional<std::string> found;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string entry = it->path().filename().string();
        if (equalsNoCase(entry, name) && it->is_regular_file(ec)) {
            // Prefer the smallest name so the choice does not depend on directory order.
            std::string candidate = dir.empty() ? entry : joinPath(dir, entry);
            if (!found || candidate < *found) found = candidate;
        }
    }
    return found;
}

bool fileExists(const std::string& path) { return findFile(path).has_value(); }

bool directoryExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::is_directory(fs::path(path), ec);
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
    const std::string p = upper(pattern), n = upper(name);
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

std::vector<std::string> matchFiles(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end;
    if (ec) return names;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string entry = it->path().filename().string();
        if (wildcardMatch(pattern, entry) && it->is_regular_file(ec)) names.push_back(entry);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (isSeparator(dir.back())) return dir + name;
    return dir + "/" + name;
}

std::string resolveDataPath(const std::string& text, const std::string& programDir) {
    std::string p = text;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.empty()) return p;
    std::error_code ec;
    if (fs::exists(fs::path(p), ec)) return p;
    if (auto f = findFile(p)) return *f;
    std::string rel = p;
    if (rel.size() >= 2 && rel[1] == ':') rel.erase(0, 2);
    while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
    if (rel.empty()) return p;
    for (const std::string& base : {std::string("."), programDir}) {
        if (base.empty()) continue;
        const std::string cand = base == "." ? rel : joinPath(base, rel);
        if (auto f = findFile(cand)) return *f;
        if (fs::exists(fs::path(cand), ec)) return cand;
    }
    return p;
}

std::string startPath(const std::string& argv0, const std::string& pathVariable, const std::string& cwd) {
    auto fromCwd = [&](const std::string& p) { return !p.empty() && p.front() == '/' ? p : joinPath(cwd, p); };
    if (argv0.find('/') != std::string::npos) return fromCwd(argv0);
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = pathVariable.find(':', start);
        const std::string dir = pathVariable.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        const std::string candidate = fromCwd(dir.empty() ? argv0 : joinPath(dir, argv0));
        if (isRegular(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return fromCwd(argv0);
}

}  // namespace pal
