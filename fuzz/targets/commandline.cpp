// Command lines: the input is a command line from the settings, a NUL byte
// and a path. Splitting never fails; every word written by quoteWord splits
// back whole; a program chosen with Browse keeps the line's arguments; a path
// appended to a command line reaches the program as one argument.
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "run/commandline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string& line = parts[0];
    const std::string& path = parts[1];
    const auto words = run::splitWords(line);
    for (const auto& w : words) {
        FUZZ_CHECK(w.size() <= line.size());
        FUZZ_CHECK(run::splitWords(run::quoteWord(w)) == std::vector<std::string>{w});
    }
    if (!path.empty()) FUZZ_CHECK(run::splitWords(run::quoteWord(path)) == std::vector<std::string>{path});

    const run::Command c = run::parseCommandLine(line);
    FUZZ_CHECK(words.empty() ? c.program.empty() && c.arguments.empty()
                             : c.program == words[0] && c.arguments.size() + 1 == words.size());
    if (!path.empty() && !words.empty()) {
        const run::Command browsed = run::parseCommandLine(run::withProgram(line, path));
        FUZZ_CHECK(browsed.program == path && browsed.arguments == c.arguments);
    }
    const run::Command withFile = run::commandWithArgument(line, path);
    FUZZ_CHECK(!withFile.arguments.empty() && withFile.arguments.back() == path);
    const run::Command engine = run::engineCommand(line, path, true);
    FUZZ_CHECK(engine.program == line && engine.arguments.back() == "/N");
    return 0;
}
