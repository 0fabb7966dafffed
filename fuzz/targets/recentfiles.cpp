// The recent-files list (PALUMARO.FNL): the input is a list file, and each of
// its lines is also opened as a file. The list holds at most eight entries,
// none empty, the newest last and only once (letter case aside), and what it
// writes reads back to the same entries.
#include <cstdint>
#include <string>

#include "common/bytes.h"
#include "fuzzsupport.h"
#include "mainwindow/recentfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::writeScratch("PALUMARO.FNL", bytes);
    RecentFiles list;
    list.load(path);
    FUZZ_CHECK(list.entries().size() <= RecentFiles::kMax);
    const auto lines = fuzz::textLines(bytes);
    for (std::size_t i = 0; i < lines.size() && i < 64; ++i) {
        list.add(lines[i]);
        const auto& e = list.entries();
        FUZZ_CHECK(e.size() <= RecentFiles::kMax);
        for (const auto& entry : e) FUZZ_CHECK(!entry.empty());
        if (lines[i].size() <= 3) continue;
        FUZZ_CHECK(e.back() == lines[i]);
        for (std::size_t a = 0; a + 1 < e.size(); ++a) FUZZ_CHECK(!pal::equalsNoCase(e[a], lines[i]));
    }
    if (!list.entries().empty()) list.removeAt(0);
    list.save(path);
    RecentFiles again;
    again.load(path);
    FUZZ_CHECK(again.entries() == list.entries());
    return 0;
}
