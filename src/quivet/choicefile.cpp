#include "quivet/choicefile.h"

#include <cerrno>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "quivet/fieldnumber.h"
#include "quivet/quiveterror.h"

namespace quivet {

std::vector<std::string> ChoiceFile::splitRow(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find_first_of(",\t", start);
        fields.push_back(pal::trim(std::string_view(line).substr(start, end == std::string::npos ? std::string::npos : end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

ChoiceFile ChoiceFile::load(const std::string& path) {
    const std::vector<std::string> lines = pal::readLines(path);
    const auto count = lines.empty() ? std::nullopt : parseFieldInteger(lines[0]);
    if (!count)
        throw QuivetError(QuivetError::Kind::BadFile,
                          path + " is not a choice file: its first line must hold the number of rows");
    ChoiceFile file;
    // Bounded by the file itself, whatever count it claims.
    const std::size_t n = std::min<std::size_t>(*count < 0 ? 0 : static_cast<std::size_t>(*count), lines.size() - 1);
    file.rows_.reserve(n);
    for (std::size_t k = 1; k <= n; ++k) file.rows_.push_back(splitRow(lines[k]));
    return file;
}

std::string ChoiceFile::column(std::size_t row, int column) const {
    if (row >= rows_.size() || column < 1) return {};
    const auto& fields = rows_[row];
    return static_cast<std::size_t>(column) <= fields.size() ? fields[column - 1] : std::string();
}

ChoiceFile::Match ChoiceFile::lookup(int resultColumn, int matchColumn, const std::string& matchText,
                                     long double matchNumber) const {
    if (matchText.empty()) {
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            const auto n = parseFieldNumber(column(r, matchColumn));
            if (n && *n == matchNumber) return {column(r, resultColumn), static_cast<int>(r), true};
        }
        return {"not found", 0, false};
    }
    auto index = index_.find(matchColumn);
    if (index == index_.end()) {
        index = index_.emplace(matchColumn, std::unordered_map<std::string, int>()).first;
        index->second.reserve(rows_.size());
        for (std::size_t r = 0; r < rows_.size(); ++r)
            index->second.emplace(pal::upper(column(r, matchColumn)), static_cast<int>(r));  // the first row wins
    }
    const auto row = index->second.find(pal::upper(matchText));
    if (row == index->second.end()) return {"not found", 0, false};
    return {column(static_cast<std::size_t>(row->second), resultColumn), row->second, true};
}

std::shared_ptr<const std::vector<std::string>> ChoiceFile::columnTexts(int column) const {
    auto& texts = texts_[column];
    if (!texts) {
        auto made = std::make_shared<std::vector<std::string>>();
        made->reserve(rows_.size());
        for (std::size_t r = 0; r < rows_.size(); ++r) made->push_back(this->column(r, column));
        texts = std::move(made);
    }
    return texts;
}

ChoiceFile loadForLookup(const std::string& path, const std::string& nameAsWritten) {
    try {
        return ChoiceFile::load(path);
    } catch (const pal::IoError& e) {
        if (e.code() == ENOENT)
            throw QuivetError(QuivetError::Kind::MissingFile, "File " + nameAsWritten + " was not found");
        throw QuivetError(QuivetError::Kind::BadFile, "Error #" + std::to_string(e.code()) + " reading " + nameAsWritten);
    }
}

}  // namespace quivet
