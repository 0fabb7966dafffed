// QUIVET files and choice files: the input is a form, a NUL byte and a choice
// file (C.CHC beside the form). Any form reads or gives a QuivetError; a form
// that reads, written back as a deck, reads again to the same fields.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "quivet/choicefile.h"
#include "quivet/deckwriter.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetreader.h"

namespace {

void sameFields(const quivet::QuivetDocument& a, const quivet::QuivetDocument& b) {
    FUZZ_CHECK(a.items.size() == b.items.size());
    for (std::size_t k = 0; k < a.items.size(); ++k) {
        const quivet::FormItem& x = a.items[k];
        const quivet::FormItem& y = b.items[k];
        FUZZ_CHECK(x.kind == y.kind && x.line == y.line && x.name == y.name);
        if (x.kind == quivet::ItemKind::Numeric) FUZZ_CHECK(x.numeric.value == y.numeric.value);
        if (x.kind == quivet::ItemKind::File || x.kind == quivet::ItemKind::Choice)
            FUZZ_CHECK(x.valueText == y.valueText && x.unit == y.unit);
        if (x.kind == quivet::ItemKind::Heading) FUZZ_CHECK(x.text == y.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string choice = fuzz::writeScratch("C.CHC", parts[1]);
    try {
        const quivet::ChoiceFile file = quivet::ChoiceFile::load(choice);
        FUZZ_CHECK(file.size() <= fuzz::textLines(parts[1]).size());
        for (std::size_t r = 0; r < file.size() && r < 8; ++r) (void)file.column(r, 2);
        (void)file.lookup(2, 1, "water");
        (void)file.lookup(1, 2, "", 1);
    } catch (const quivet::QuivetError&) {
    } catch (const pal::IoError&) {
    }

    const std::string path = fuzz::writeScratch("F.QVD", parts[0]);
    const auto lines = fuzz::textLines(parts[0]);
    quivet::ReadOptions options;
    options.programDir = fuzz::scratchDir();
    quivet::QuivetDocument doc;
    try {
        doc = quivet::parseQuivetLines(lines, path, options);
    } catch (const quivet::QuivetError&) {
        return 0;
    }
    FUZZ_CHECK(doc.lineCount == static_cast<int>(lines.size()));
    try {
        quivet::updateChoiceValues(doc);
        quivet::checkWritable(doc, lines);
    } catch (const quivet::QuivetError&) {
        return 0;
    }
    const auto written = quivet::deckLines(doc, lines);
    FUZZ_CHECK(written.size() == std::max<std::size_t>(lines.size(), 1));
    for (const auto& line : written) FUZZ_CHECK(line.size() <= 255);
    quivet::QuivetDocument again;
    try {
        again = quivet::parseQuivetLines(written, path, options);
    } catch (const quivet::QuivetError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FUZZ_CHECK(!"a written form reads back");
    }
    sameFields(doc, again);
    return 0;
}
