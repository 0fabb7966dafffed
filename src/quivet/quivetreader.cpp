#include "quivet/quivetreader.h"

#include <algorithm>
#include <map>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "quivet/choicefile.h"
#include "quivet/fieldnumber.h"
#include "quivet/quiveterror.h"

namespace quivet {

namespace {

constexpr std::size_t kItemText = 128;  // statement and descriptor texts kept per item
constexpr std::size_t kUnitText = 25;

std::vector<std::string> splitBars(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
}

// The first n fields split at "|" and the rest of the text after the n-th "|";
// false when the text has fewer than n bars.
bool splitFields(const std::string& text, std::size_t n, std::vector<std::string>& fields, std::string& rest) {
    fields.clear();
    std::size_t start = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t bar = text.find('|', start);
        if (bar == std::string::npos) return false;
        fields.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    rest = text.substr(start);
    return true;
}

struct AssignParts {
    std::string name, file, remark;
    std::int32_t unit = 0;
};

bool isAssign(const std::string& statement) { return pal::upper(statement.substr(0, 6)) == "ASSIGN"; }

// The engine reads "!" and what follows as a remark ("X = 28 ! days"): the value
// is the text before it; the remark is kept to be written back.
std::string withoutRemark(const std::string& value, std::string& remark) {
    const std::size_t bang = value.find('!');
    if (bang == std::string::npos) return value;
    remark = value.substr(bang);
    return value.substr(0, bang);
}

class Reader {
public:
    Reader(const std::string& path, const ReadOptions& options) : path_(path), options_(options) {
        doc_.fileName = path;
    }

    QuivetDocument run(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            ++lineNo_;
            if (options_.progress) options_.progress(lineNo_);
            classify(line);
            if (!line.empty()) {
                preceding_ = line;
                precedingLine_ = lineNo_;
            }
        }
        doc_.lineCount = lineNo_;
        doc_.lines = lines;
        return std::move(doc_);
    }

private:
    // The message names where the descriptor stands, so that the line can be found.
    [[noreturn]] void inputError(const std::string& descriptor) const {
        QuivetError e(QuivetError::Kind::InputError,
                      "****Input Error****\n" + pal::cut(preceding_, kItemText) + "\n" + pal::cut(descriptor, kItemText) +
                          "\nFile " + path_ + ", line " + std::to_string(lineNo_));
        e.file = path_;
        e.line = lineNo_;
        e.summary = "Input error in the descriptor " + pal::cut(descriptor, kItemText);
        throw e;
    }

    FormItem fieldItem(ItemKind kind, const std::string& descriptor) const {
        // A field describes a statement; markup (another descriptor, a heading)
        // written over with a value would no longer be read as it was.
        if (classifyLine(preceding_) != LineClass::Deck) inputError(descriptor);
        FormItem item;
        item.kind = kind;
        // The statement the descriptor describes: the last non-empty line, also
        // across empty lines, so a save replaces that statement and no other line.
        item.line = precedingLine_;
        item.statement = pal::cut(preceding_, kItemText);
        item.descriptor = pal::cut(descriptor, kItemText);
        return item;
    }

    std::string located(const std::string& asWritten) const {
        return findNamedFile(asWritten, path_, options_.programDir);
    }

    AssignParts assignParts(const std::string& descriptor) const {
        const std::string& s = preceding_;
        const std::size_t blank = s.find(' ');
        AssignParts p;
        p.name = s.substr(0, blank);
        std::string remark;
        const std::string rest =
            blank == std::string::npos ? std::string() : pal::trim(withoutRemark(s.substr(blank + 1), remark));
        p.remark = remark;
        const std::size_t next = rest.find(' ');
        p.file = rest.substr(0, next);
        const auto unit = parseFieldInteger(next == std::string::npos ? std::string() : rest.substr(next + 1));
        if (p.file.empty() || !unit) inputError(descriptor);
        p.unit = *unit;
        return p;
    }

    void classify(const std::string& line) {
        switch (classifyLine(line)) {
            case LineClass::Deck: return;
            case LineClass::Picture: return picture(line);
            case LineClass::Heading: return heading(line);
            case LineClass::Before: return command(line, doc_.beforeCommand);
            case LineClass::After: return command(line, doc_.afterCommand);
            case LineClass::File: return fileField(line);
            case LineClass::Choice: return choiceField(line);
            case LineClass::Numeric: return numericField(line);
        }
    }

    void picture(const std::string& line) {
        FormItem item;
        item.kind = ItemKind::Picture;
        item.descriptor = pal::cut(line, kItemText);
        item.picture = pal::trim(line.size() > 11 ? line.substr(11) : std::string());
        item.picturePath = located(item.picture);
        if (item.picturePath.empty())
            throw QuivetError(QuivetError::Kind::MissingFile, "Figure file " + item.picture + " was not found");
        doc_.items.push_back(std::move(item));
    }

    void heading(const std::string& line) {
        FormItem item;
        item.kind = ItemKind::Heading;
        item.line = lineNo_;
        item.descriptor = pal::cut(line, kItemText);
        const std::vector<std::string> parts = splitBars(line.substr(3));
        item.label = parts[0];
        if (parts.size() > 1) {
            item.hasText = true;
            item.text = parts[1];
        }
        if (parts.size() > 2) {
            // Everything after the second bar, so that writing the line back keeps it.
            const std::string body = line.substr(3);
            const std::size_t second = body.find('|', body.find('|') + 1);
            item.helpField = body.substr(second + 1);
            item.help = leadingInteger(*item.helpField);
        }
        doc_.items.push_back(std::move(item));
    }

    void command(const std::string& line, std::string& target) const {
        // Without a blank there is no command: the keyword alone runs nothing.
        const std::size_t blank = line.find(' ');
        target = blank == std::string::npos ? std::string() : pal::cut(pal::trim(line.substr(blank + 1)));
    }

    void numericField(const std::string& line) {
        FormItem item = fieldItem(ItemKind::Numeric, line);
        const std::size_t eq = preceding_.find('=');
        if (eq == std::string::npos) inputError(line);
        item.name = preceding_.substr(0, eq);
        const auto value = parseFieldNumber(withoutRemark(preceding_.substr(eq + 1), item.remark));
        if (!value) inputError(line);

        std::vector<std::string> f;
        std::string rest;
        if (!splitFields(line.substr(2), 7, f, rest)) inputError(line);
        NumericField& n = item.numeric;
        const auto offset = parseFieldNumber(f[3]);
        const auto factor = parseFieldNumber(f[4]);
        const auto minimum = parseFieldNumber(f[5]);
        const auto maximum = parseFieldNumber(f[6]);
        if (!offset || !factor || !minimum || !maximum) inputError(line);
        std::int32_t help = 0;
        if (!pal::trim(rest).empty()) {
            const auto h = parseFieldInteger(rest);
            if (!h) inputError(line);
            help = *h;
        }
        item.label = f[0];
        n.siUnit = pal::cut(f[1], kUnitText);
        n.englishUnit = pal::cut(f[2], kUnitText);
        n.offset = *offset;
        n.factor = *factor;
        n.minimum = *minimum;
        n.maximum = *maximum;
        n.format = displayFormatFor(pal::trim(f[6]));
        n.value = *value;
        item.numberAsRead = n.value;
        item.help = help;
        doc_.items.push_back(std::move(item));
    }

    void choiceField(const std::string& line) {
        FormItem item = fieldItem(ItemKind::Choice, line);
        const std::size_t eq = preceding_.find('=');
        if (eq != std::string::npos) {
            item.name = preceding_.substr(0, eq);
            item.valueText = pal::trim(withoutRemark(preceding_.substr(eq + 1), item.remark));
        } else if (isAssign(preceding_)) {
            const AssignParts p = assignParts(line);
            item.assign = true;
            item.name = p.name;
            item.valueText = p.file;
            item.unit = p.unit;
            item.remark = p.remark;
        } else {
            inputError(line);
        }

        std::vector<std::string> f;
        std::string rest;
        if (!splitFields(line.substr(3), 4, f, rest)) inputError(line);
        const auto display = parseFieldInteger(f[2]);
        const auto value = parseFieldInteger(f[3]);
        const auto help = parseFieldInteger(rest);
        // A value column below 1 names no column: nothing could ever be written.
        if (!display || !value || !help || *value < 1) inputError(line);
        item.label = f[0];
        item.choiceFile = f[1];
        item.displayColumn = *display;
        item.valueColumn = *value;
        item.help = *help;

        item.keptValue = item.valueText;
        if (item.displayColumn > 0) {
            item.choicePath = located(item.choiceFile);
            if (item.choicePath.empty())
                throw QuivetError(QuivetError::Kind::MissingFile, item.choiceFile + " was not found");
            auto cached = choiceFiles_.find(item.choicePath);
            if (cached == choiceFiles_.end()) {
                try {
                    cached = choiceFiles_.emplace(item.choicePath, ChoiceFile::load(item.choicePath)).first;
                } catch (const pal::IoError& e) {
                    throw QuivetError(QuivetError::Kind::BadFile,
                                      "Error #" + std::to_string(e.code()) + " reading " + item.choiceFile);
                }
            }
            const ChoiceFile& file = cached->second;
            item.rows = file.columnTexts(item.displayColumn);
            const ChoiceFile::Match m = file.lookup(item.displayColumn, item.valueColumn, item.valueText, 0);
            if (m.found) {
                item.selected = m.index;
            } else {
                // Not one of the file's rows: shown and kept as it is, never
                // silently replaced by the first row.
                item.keptEntry = static_cast<std::int32_t>(item.rows->size());
                item.selected = item.keptEntry;
            }
            item.savedRow = item.selected;
        }
        item.textAsRead = item.valueText;
        doc_.items.push_back(std::move(item));
    }

    void fileField(const std::string& line) {
        FormItem item = fieldItem(ItemKind::File, line);
        if (!isAssign(preceding_)) inputError(line);
        const AssignParts p = assignParts(line);
        item.assign = true;
        item.name = p.name;
        item.valueText = p.file;
        item.unit = p.unit;
        item.remark = p.remark;
        const std::string body = line.substr(3);
        const std::size_t bar = body.find('|');
        item.label = body.substr(0, bar);
        item.help = bar == std::string::npos ? 0 : leadingInteger(body.substr(bar + 1));
        item.textAsRead = item.valueText;
        if (located(item.valueText).empty())
            throw QuivetError(QuivetError::Kind::MissingFile, item.valueText + " was not found");
        doc_.items.push_back(std::move(item));
    }

    std::string path_;
    const ReadOptions& options_;
    QuivetDocument doc_;
    int lineNo_ = 0;
    std::string preceding_;
    int precedingLine_ = 0;
    // Many fields may share one choice file: it is read once per QUIVET file.
    std::map<std::string, ChoiceFile> choiceFiles_;
};

}  // namespace

LineClass classifyLine(const std::string& line) {
    if (line.size() < 2 || line.compare(0, 2, "*|") != 0) return LineClass::Deck;
    const std::string up = pal::upper(line);
    if (up.find("*|<PICTURE>") != std::string::npos) return LineClass::Picture;
    if (line.size() > 2 && line[2] == '*') return LineClass::Heading;
    if (up.compare(2, 8, "<BEFORE>") == 0) return LineClass::Before;
    if (up.compare(2, 7, "<AFTER>") == 0) return LineClass::After;
    if (line.size() > 2 && line[2] == '?') return LineClass::File;
    if (line.size() > 2 && line[2] == '<') return LineClass::Choice;
    return LineClass::Numeric;
}

std::string findNamedFile(const std::string& asWritten, const std::string& quivetFile, const std::string& programDir) {
    std::string p = pal::trim(asWritten);
    if (p.empty()) return {};
    std::replace(p.begin(), p.end(), '\\', '/');
    if (auto f = pal::findFile(p)) return *f;
    const std::string dir = pal::directoryPart(quivetFile);
    if (!dir.empty() && p.front() != '/') {
        if (auto f = pal::findFile(pal::joinPath(dir, p))) return *f;
    }
    const std::string r = pal::resolveDataPath(p, programDir);
    if (auto f = pal::findFile(r)) return *f;
    return {};
}

QuivetDocument parseQuivetLines(const std::vector<std::string>& lines, const std::string& path,
                                const ReadOptions& options) {
    return Reader(path, options).run(lines);
}

QuivetDocument readQuivetFile(const std::string& path, const ReadOptions& options) {
    std::vector<std::string> lines;
    try {
        lines = pal::readLines(path, pal::kMaxLine);
    } catch (const pal::IoError&) {
        throw QuivetError(QuivetError::Kind::BadFile, "Cannot open file " + path + ".");
    }
    return parseQuivetLines(lines, path, options);
}

}  // namespace quivet
