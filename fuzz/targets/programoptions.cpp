// The program's own command line: the input is its arguments, split at NUL
// bytes (the first is the program's name). The files of a windowed start are
// the arguments less the first "--"; a headless command's options pair up
// after its file as given; every refusal is one line.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/cmdline.h"
#include "fuzzsupport.h"

namespace {

bool oneLine(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    std::vector<std::string> args = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 64);
    while (args.size() > 1 && args.back().empty()) args.pop_back();  // the parts the input does not have
    const auto dashes = std::find(args.begin() + 1, args.end(), std::string("--"));
    const auto isOption = [](const std::string& a) { return a.size() > 1 && a[0] == '-'; };

    // The files of a windowed start.
    const bool optionBefore = std::any_of(args.begin() + 1, dashes, isOption);
    try {
        const std::vector<std::string> files = pal::filesOnCommandLine(args);
        FUZZ_CHECK(!optionBefore);
        std::vector<std::string> expected(args.begin() + 1, dashes);
        if (dashes != args.end()) expected.insert(expected.end(), dashes + 1, args.end());
        FUZZ_CHECK(files == expected);
    } catch (const pal::CommandLineError& e) {
        FUZZ_CHECK(optionBefore && oneLine(e.what()));
    }
    const std::string first = pal::firstLongOption(args);
    const auto longOption = std::find_if(args.begin() + 1, dashes, [](const std::string& a) { return a.rfind("--", 0) == 0; });
    FUZZ_CHECK(longOption == dashes ? first.empty() : first == *longOption);
    FUZZ_CHECK(oneLine(pal::shownArgument(first)));

    // A headless command's options after its file.
    const std::vector<std::string> known = {"--x", "--y", "--png", "--csv", "--svg", "--pdf"};
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        const pal::CommandOptions o = pal::parseCommandOptions("--new-plot", rest, known);
        FUZZ_CHECK(!rest.empty() && o.positional == rest[0] && o.positional.rfind("--", 0) != 0);
        std::vector<std::string> again = {o.positional};
        for (const auto& pair : o.pairs) {
            const std::string& name = pair.first;
            FUZZ_CHECK(std::find(known.begin(), known.end(), name) != known.end());
            const auto firstOfName = std::find_if(o.pairs.begin(), o.pairs.end(), [&](const auto& p) { return p.first == name; });
            FUZZ_CHECK(o.value(name) == firstOfName->second);
            again.push_back(name);
            again.push_back(pair.second);
        }
        FUZZ_CHECK(again == rest);
    } catch (const pal::CommandLineError& e) {
        const std::string text = e.what();
        FUZZ_CHECK(oneLine(text) && text.rfind("--new-plot", 0) == 0);
    }
    return 0;
}
