// ChoiceFile: the rows of a QUIVET choice file. Line 1 holds the row count, each
// row is a list of fields ended by "," or TAB; columns count from 1. Texts are
// looked up through an index of each column asked for, so that a form of
// thousands of fields on one long file does not walk its rows for each field.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quivet {

class ChoiceFile {
public:
    // Reads the file at path. Throws pal::IoError when it cannot be read and
    // QuivetError when its first line is not a row count.
    static ChoiceFile load(const std::string& path);
    // Splits one row into its trimmed fields.
    static std::vector<std::string> splitRow(const std::string& line);

    std::size_t size() const { return rows_.size(); }
    // The text of a column of a row; empty beyond the row's last field.
    std::string column(std::size_t row, int column) const;

    struct Match {
        std::string text;   // "not found" when no row matched
        int index = 0;      // the row from 0; 0 when none matched
        bool found = false;
    };
    // The first row whose matchColumn equals matchText ignoring letter case; with
    // an empty matchText the column is read as a number and compared with
    // matchNumber instead. The result is that row's resultColumn.
    Match lookup(int resultColumn, int matchColumn, const std::string& matchText, long double matchNumber = 0) const;

    // The texts of a column, one per row in file order: made once per column and
    // shared by every field that shows it.
    std::shared_ptr<const std::vector<std::string>> columnTexts(int column) const;

private:
    std::vector<std::vector<std::string>> rows_;
    // Per column: its texts upper-cased -> the first row showing it (built when
    // the column is first matched).
    mutable std::unordered_map<int, std::unordered_map<std::string, int>> index_;
    mutable std::unordered_map<int, std::shared_ptr<const std::vector<std::string>>> texts_;
};

// Loads the choice file for a look-up, turning a failure into the message the
// user sees ("File <name> was not found", "Error #<n>"). Throws QuivetError.
ChoiceFile loadForLookup(const std::string& path, const std::string& nameAsWritten);

}  // namespace quivet
