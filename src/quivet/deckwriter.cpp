#include "quivet/deckwriter.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <system_error>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "quivet/choicefile.h"
#include "quivet/fieldnumber.h"
#include "quivet/quiveterror.h"

namespace fs = std::filesystem;

namespace quivet {

namespace {

[[noreturn]] void fail(const std::string& message) { throw pal::IoError(0, std::string(), message); }

// Whether the item's statement is written as the file had it: the field still
// holds the value read (or last written), and the form still has that line.
bool keptLine(const QuivetDocument& doc, const FormItem& item) {
    return untouched(item) && item.line >= 1 && static_cast<std::size_t>(item.line) <= doc.lines.size();
}

std::string errorNumber(int code) { return "Error #" + std::to_string(code); }

}  // namespace

std::string backupNameFor(const std::string& path) {
    return pal::baseName(path) + ".BAK";
}

std::optional<std::string> itemLine(const FormItem& item) {
    // The statement's remark, if it had one, follows the new value.
    const std::string remark = item.remark.empty() ? std::string() : " " + item.remark;
    switch (item.kind) {
        case ItemKind::Heading:
            if (!item.hasText) return std::nullopt;
            return "*|*" + item.label + "|" + item.text + (item.helpField ? "|" + *item.helpField : std::string());
        case ItemKind::Numeric:
            // The deck's exponent form when it holds the value exactly; else the
            // shortest text that does: a saved form never rounds a number.
            return item.name + "= " + pal::ExactText(deckNumberText(item.numeric.value), item.numeric.value) + remark;
        case ItemKind::Choice:
            if (item.shownChoice() && item.entryCount() == 0) return std::nullopt;
            if (item.assign) return item.name + " " + item.valueText + " " + std::to_string(item.unit) + remark;
            return item.name + "= " + item.valueText + remark;
        case ItemKind::File:
            return item.name + " " + item.valueText + " " + std::to_string(item.unit) + remark;
        case ItemKind::Picture:
            return std::nullopt;
    }
    return std::nullopt;
}

bool untouched(const FormItem& item) {
    switch (item.kind) {
        case ItemKind::Numeric: return item.numeric.value == item.numberAsRead;
        case ItemKind::Choice:
        case ItemKind::File: return item.valueText == item.textAsRead;
        default: return false;
    }
}

std::optional<std::string> unwritableReason(const FormItem& item) {
    // Written, "X= a!b" would read back as the value "a" and the remark "!b".
    if ((item.kind == ItemKind::Choice || item.kind == ItemKind::File) && item.valueText.find('!') != std::string::npos)
        return "The value \"" + item.valueText + "\" cannot be written: the engine reads \"!\" and what follows as a remark";
    if (item.assign && (item.valueText.empty() || item.valueText.find_first_of(" \t=") != std::string::npos))
        return "The file name \"" + item.valueText + "\" cannot be written in an ASSIGN statement: " +
               (item.valueText.empty() ? std::string("it is empty")
                : item.valueText.find('=') != std::string::npos ? std::string("a statement holding \"=\" is read as NAME=value")
                                                              : std::string("the statement ends at its first blank"));
    if (item.kind == ItemKind::Heading && item.hasText && item.text.find('|') != std::string::npos)
        return std::string("A heading text cannot hold \"|\": it separates the parts of the heading line");
    const auto line = itemLine(item);
    if (line && line->size() > pal::kMaxLine)
        return "The statement would be " + std::to_string(line->size()) + " characters long; a deck line holds at most " +
               std::to_string(pal::kMaxLine);
    return std::nullopt;
}

void checkWritable(const QuivetDocument& doc, const std::vector<std::string>& source) {
    const int lines = static_cast<int>(std::max<std::size_t>(source.size(), 1));
    for (const FormItem& item : doc.items) {
        if (item.kind == ItemKind::Picture || item.line < 1 || item.line > lines || keptLine(doc, item)) continue;
        if (const auto why = unwritableReason(item))
            throw QuivetError(QuivetError::Kind::BadFile, "Line " + std::to_string(item.line) + " (" +
                                                              (item.name.empty() ? item.label : item.name) +
                                                              ") cannot be written: " + *why);
    }
}

void updateChoiceValues(QuivetDocument& doc) {
    // Worked out on a copy of the value texts so a failure changes nothing.
    std::vector<std::string> values;
    values.reserve(doc.items.size());
    for (const FormItem& item : doc.items) values.push_back(item.valueText);

    // Each choice file is read once, and the dependent fields of each file are
    // listed once, so large forms are written in one pass.
    std::map<std::string, ChoiceFile> files;
    std::map<std::string, std::vector<std::size_t>> dependents;
    for (std::size_t k = 0; k < doc.items.size(); ++k)
        if (doc.items[k].dependentChoice()) dependents[doc.items[k].choiceFile].push_back(k);

    for (std::size_t k = 0; k < doc.items.size(); ++k) {
        const FormItem& item = doc.items[k];
        if (!item.shownChoice() || item.entryCount() == 0) continue;
        const int sel = std::clamp<int>(item.selected, 0, static_cast<int>(item.entryCount()) - 1);
        if (sel == item.savedRow) {
            // Not changed since the file was read or written: it and the fields
            // that depend on it keep the values the file holds.
            values[k] = item.textAsRead;
            if (const auto deps = dependents.find(item.choiceFile); deps != dependents.end())
                for (const std::size_t d : deps->second) values[d] = doc.items[d].textAsRead;
            continue;
        }
        if (sel == item.keptEntry) {
            // The value the file had, not in the choice file: it and the fields
            // that depend on it keep what they were read with.
            values[k] = item.keptValue;
            if (const auto deps = dependents.find(item.choiceFile); deps != dependents.end())
                for (const std::size_t d : deps->second) values[d] = doc.items[d].keptValue;
            continue;
        }
        const std::string entry = item.entry(static_cast<std::size_t>(sel));
        auto cached = files.find(item.choicePath);
        if (cached == files.end()) cached = files.emplace(item.choicePath, loadForLookup(item.choicePath, item.choiceFile)).first;
        const ChoiceFile& file = cached->second;
        std::string value;
        // The selected row itself when the file still shows it there, so rows
        // that show the same text keep their own values.
        if (static_cast<std::size_t>(sel) < file.size() && file.column(sel, item.displayColumn) == entry) {
            value = file.column(sel, item.valueColumn);
        } else {
            const ChoiceFile::Match m = file.lookup(item.valueColumn, item.displayColumn, entry);
            if (!m.found)
                throw QuivetError(QuivetError::Kind::BadFile, entry + " is no longer in the choice file " + item.choiceFile);
            value = m.text;
        }
        values[k] = value;
        const auto deps = dependents.find(item.choiceFile);
        if (deps == dependents.end()) continue;
        for (const std::size_t d : deps->second) {
            const ChoiceFile::Match m = file.lookup(doc.items[d].valueColumn, item.valueColumn, value);
            if (!m.found)
                throw QuivetError(QuivetError::Kind::BadFile,
                                  value + " is not in column " + std::to_string(item.valueColumn) + " of " + item.choiceFile);
            values[d] = m.text;
        }
    }
    for (std::size_t k = 0; k < doc.items.size(); ++k) doc.items[k].valueText = std::move(values[k]);
}

std::vector<std::string> deckLines(const QuivetDocument& doc, const std::vector<std::string>& source) {
    std::vector<std::string> out;
    out.reserve(std::max<std::size_t>(source.size(), 1));
    auto item = doc.items.begin();
    const auto next = [&](int n) {
        // Pictures own no line; an item whose line has passed cannot be written
        // and must not hold up the items after it.
        while (item != doc.items.end() && (item->kind == ItemKind::Picture || item->line < n)) ++item;
    };
    const std::size_t count = std::max<std::size_t>(source.size(), 1);
    for (std::size_t k = 0; k < count; ++k) {
        const int n = static_cast<int>(k) + 1;
        const std::string line = k < source.size() ? source[k] : std::string();
        next(n);
        if (item != doc.items.end() && item->line == n) {
            const auto replaced = keptLine(doc, *item) ? std::optional<std::string>(doc.lines[k]) : itemLine(*item);
            out.push_back(replaced ? *replaced : line);
            ++item;
        } else {
            out.push_back(line);
        }
    }
    return out;
}

void rememberWritten(QuivetDocument& doc, std::vector<std::string> lines) {
    doc.lines = std::move(lines);
    for (FormItem& item : doc.items) {
        item.numberAsRead = item.numeric.value;
        item.textAsRead = item.valueText;
        if (item.shownChoice()) item.savedRow = item.selected;
    }
}

std::vector<std::string> writeDeck(const QuivetDocument& doc, const std::string& target) {
    const std::string& own = doc.fileName;
    // The file as it is now; the lines the form read when it cannot be read.
    std::vector<std::string> source;
    try {
        source = pal::readLines(own);
    } catch (const pal::IoError&) {
        source = doc.lines;
    }
    // Nothing is written, not even the backup, when the form could not read the result back.
    try {
        checkWritable(doc, source);
    } catch (const QuivetError& e) {
        fail(e.what());
    }
    if (target == own && pal::fileExists(own)) {
        const std::string backup = backupNameFor(own);
        std::error_code ec;
        auto old = pal::findFile(backup);
        if (!old && fs::exists(backup, ec)) old = backup;  // not a regular file, still in the way
        // A QUIVET file that is itself named *.BAK keeps no backup: erasing the
        // "backup" would erase the file.
        const bool isItself = old && fs::equivalent(*old, own, ec);
        if (!isItself) {
            if (old && (!fs::remove(*old, ec) || ec))
                fail(errorNumber(ec ? ec.value() : EIO) + ".  Could not erase " + backup);
            try {
                pal::writeLinesCRLF(backup, pal::readLines(own));
            } catch (const pal::IoError&) {
                fail("Unable to rename " + own + " to " + backup);
            }
        }
    }
    std::vector<std::string> out = deckLines(doc, source);
    try {
        pal::writeLinesCRLF(target, out);
    } catch (const pal::IoError& e) {
        fail(errorNumber(e.code()));
    }
    return out;
}

}  // namespace quivet
