// The line index of the file viewer: its line count and line starts agree with
// the file's bytes, shown lines keep 255 bytes, and a find stays inside a line.
#include <algorithm>
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "text/lineindex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::writeScratch("F.TXT", bytes);
    pal::LineIndex index(path);
    while (!index.indexMore(97)) {
    }
    std::size_t expected = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (!bytes.empty() && bytes.back() != '\n') ++expected;
    FUZZ_CHECK(index.lineCount() == expected);
    for (std::size_t i = 0; i < index.lineCount() && i < 64; ++i) {
        const std::uint64_t start = index.lineStart(i);
        FUZZ_CHECK(start <= bytes.size());
        FUZZ_CHECK(start == 0 || bytes[start - 1] == '\n');
        FUZZ_CHECK(index.displayLine(i).bytes.size() <= pal::LineIndex::kShownBytes);
        FUZZ_CHECK(index.lineOfOffset(start) == i);
    }
    pal::FindRequest find;
    find.utf8 = find.latin1 = bytes.substr(0, std::min<std::size_t>(3, bytes.size()));
    for (bool forward : {true, false}) {
        find.forward = forward;
        find.from = forward ? 0 : bytes.size();
        if (find.utf8.empty()) break;
        if (const auto m = index.find(find)) {
            FUZZ_CHECK(m->line < index.lineCount());
            FUZZ_CHECK(m->column + m->length <= pal::LineIndex::kShownBytes);
        }
    }
    return 0;
}
