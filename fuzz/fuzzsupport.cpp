#include "fuzzsupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fuzz {

void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "Property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

std::vector<std::string> splitParts(std::string_view data, std::size_t n) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < n) {
        const auto nul = data.find('\0');
        if (nul == std::string_view::npos) break;
        parts.emplace_back(data.substr(0, nul));
        data.remove_prefix(nul + 1);
    }
    parts.emplace_back(data);
    parts.resize(n);
    return parts;
}

std::vector<std::string> textLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line.substr(0, 255));
        start = end + 1;
    }
    return lines;
}

namespace {
std::string makeScratch() {
    // Memory-backed when the system has it: the targets write a file per input.
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    std::string dir = (base / "palumaro-fuzz-XXXXXX").string();
    if (!::mkdtemp(dir.data())) fail("a scratch directory can be made", __FILE__, __LINE__);
    static std::string removeAtExit;
    removeAtExit = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(removeAtExit, ec);
    });
    return dir;
}
}  // namespace

const std::string& scratchDir() {
    static const std::string dir = makeScratch();
    return dir;
}

std::string writeScratch(const std::string& name, std::string_view bytes) {
    const std::filesystem::path path = std::filesystem::path(scratchDir()) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

}  // namespace fuzz
