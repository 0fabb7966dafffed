// The form's save: the input is a QUIVET form, a NUL byte, a choice file
// (C.CHC beside it), a NUL byte and the user's edits (8 bytes per field: a
// number, a choice, a file name). A form that reads is edited and written
// under its own name as the form window writes it. A refused save leaves the
// form's file as it was; a save keeps the old file as the backup and reads
// back to the fields that were set.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "fuzzsupport.h"
#include "quivet/deckwriter.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetreader.h"

namespace {

const char* const kFileNames[] = {"RESULT.OUT", "out/RUN 2.PLT", "", "C.CHC", "W=1.DAT", "\\DATA\\MONTH1.DAT"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 3);
    fuzz::writeScratch("C.CHC", parts[1]);
    const std::string path = fuzz::writeScratch("F.QVD", parts[0]);
    std::remove(quivet::backupNameFor(path).c_str());
    quivet::ReadOptions options;
    options.programDir = fuzz::scratchDir();
    quivet::QuivetDocument doc;
    try {
        doc = quivet::readQuivetFile(path, options);
    } catch (const quivet::QuivetError&) {
        return 0;
    }

    const std::string& edits = parts[2];
    for (std::size_t k = 0; k < doc.items.size() && 8 * k + 8 <= edits.size(); ++k) {
        quivet::FormItem& item = doc.items[k];
        const char* e = edits.data() + 8 * k;
        const auto byte = static_cast<unsigned char>(e[0]);
        if (item.kind == quivet::ItemKind::Numeric) {
            double v = 0;
            std::memcpy(&v, e, sizeof v);
            if (std::isfinite(v)) item.numeric.value = v;
        } else if (item.shownChoice()) {
            item.selected = byte % 4;  // a row the choice file may not have
        } else if (item.kind == quivet::ItemKind::File) {
            item.valueText = kFileNames[byte % std::size(kFileNames)];
        }
    }
    try {
        quivet::updateChoiceValues(doc);
    } catch (const quivet::QuivetError&) {
        return 0;
    }

    try {
        (void)quivet::writeDeck(doc, path);
    } catch (const pal::IoError&) {
        FUZZ_CHECK(pal::readFileBytes(path) == parts[0]);  // nothing half-written
        return 0;
    }
    FUZZ_CHECK(pal::readLines(quivet::backupNameFor(path)) == fuzz::textLines(parts[0], SIZE_MAX));  // lines kept whole
    quivet::QuivetDocument back;
    try {
        back = quivet::readQuivetFile(path, options);
    } catch (const quivet::QuivetError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FUZZ_CHECK(!"a saved form reads back");
    }
    FUZZ_CHECK(back.items.size() == doc.items.size());
    for (std::size_t k = 0; k < doc.items.size(); ++k) {
        const quivet::FormItem &x = doc.items[k], &y = back.items[k];
        FUZZ_CHECK(x.kind == y.kind && x.name == y.name && x.line == y.line);
        if (x.kind == quivet::ItemKind::Numeric) {
            const long double a = x.numeric.value, b = y.numeric.value;
            FUZZ_CHECK(std::fabs(a - b) <= 1e-4L * std::fabs(a) || std::fabs(a - b) < 1e-300L);
        }
        if (x.kind == quivet::ItemKind::File || x.kind == quivet::ItemKind::Choice) FUZZ_CHECK(x.valueText == y.valueText);
    }
    return 0;
}
