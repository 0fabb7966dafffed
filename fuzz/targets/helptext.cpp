// Help texts and index entries: topics of a topic file, the reflowed text of
// an entry (bounded), an entry's file line and a whole index file.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "help/helptext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (int topic : {0, 1, 2, 7, 1000000})
        if (const auto t = pal::topicText(bytes, topic)) FUZZ_CHECK(t->size() <= bytes.size() + 1);
    const auto lines = fuzz::textLines(bytes);
    FUZZ_CHECK(pal::reflowHelpText(lines).size() <= pal::kMaxHelpText);
    (void)pal::isSystemHelpFile(bytes.substr(0, 2));
    const std::string fileLine = lines.empty() ? std::string() : lines[0];
    const pal::IndexEntry e = pal::parseIndexEntry("title", fileLine);
    FUZZ_CHECK(e.file.size() <= fileLine.size() && e.help.size() <= fileLine.size());
    try {
        const pal::IndexFile index = pal::readIndexFile(fuzz::writeScratch("F.IDX", bytes));
        FUZZ_CHECK(index.entries.size() <= lines.size() / 2 + 1);
    } catch (const pal::IoError&) {
    }
    return 0;
}
