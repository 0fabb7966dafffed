// FormItem and QuivetDocument: a parsed QUIVET file as plain data, one item per
// heading, field or picture in file order, plus the file's before- and
// after-commands. The reader fills it; the form window edits it; the deck writer
// writes it back.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quivet/numericfield.h"

namespace quivet {

// Follows a choice field's value in the extra entry that stands for it when its
// choice file does not list it.
constexpr const char* kNotInListMark = " (not in the list)";

enum class ItemKind : std::uint8_t { Heading = 0, Numeric = 1, Choice = 2, File = 3, Picture = 4 };

struct FormItem {
    ItemKind kind = ItemKind::Heading;
    std::int32_t help = 0;
    std::int32_t line = 0;   // the statement's line; a heading's own line; 0 for pictures
    std::string statement;   // cut to 128 characters (shown in input-error messages)
    std::string descriptor;  // cut to 128 characters
    std::string label;       // field label or heading title, as written
    std::string name;        // NAME of the statement ("ASSIGN" for file assignments)
    std::string remark;      // the statement's "! ..." remark as written, "" when none

    // Heading
    bool hasText = false;
    std::string text;                      // the heading's editable text
    std::optional<std::string> helpField;  // the heading's help field as written, when present

    // Numeric field
    NumericField numeric;

    // Choice field
    std::string choiceFile;  // as written in the descriptor
    std::string choicePath;  // where it was found (empty for hidden fields)
    std::int32_t displayColumn = 0;
    std::int32_t valueColumn = 1;
    // The display column of each row, in file order: one list shared by every
    // field that shows that column of that file (null for hidden fields).
    std::shared_ptr<const std::vector<std::string>> rows;
    std::int32_t selected = 0;         // the selected entry
    std::int32_t savedRow = 0;         // the entry selected when the form was last read or written
    // A value the choice file does not list is kept: it gets an extra entry after
    // the file's rows, marked as not in the list; -1 when there is none. While
    // that entry is chosen, the field writes keptValue and its dependent fields
    // their own keptValue (each field's value as read).
    std::int32_t keptEntry = -1;
    std::string keptValue;
    // The entries the list shows: the rows, then the kept value's entry.
    std::size_t entryCount() const { return (rows ? rows->size() : 0) + (keptEntry >= 0 ? 1 : 0); }
    std::string entry(std::size_t i) const {
        if (rows && i < rows->size()) return (*rows)[i];
        return i < entryCount() ? keptValue + kNotInListMark : std::string();
    }

    // Choice and file fields
    bool assign = false;     // the statement is an ASSIGN statement
    std::string valueText;   // choice: the value written; file: the file name
    std::int32_t unit = 0;   // logical unit of an ASSIGN statement

    // The field's value as the file held it when the form was last read or
    // written (numeric fields: numberAsRead; choice and file fields: textAsRead).
    // While the field holds it, its statement is written back as the file had
    // it, byte for byte.
    long double numberAsRead = 0;
    std::string textAsRead;

    // Picture
    std::string picture;      // as written
    std::string picturePath;  // where it was found

    bool shownChoice() const { return kind == ItemKind::Choice && displayColumn > 0; }
    bool dependentChoice() const { return kind == ItemKind::Choice && displayColumn == 0; }
};

struct QuivetDocument {
    std::string fileName;
    std::string beforeCommand;
    std::string afterCommand;
    std::vector<FormItem> items;
    int lineCount = 0;
    // The file's lines as last read or written: what a save copies when the file
    // itself can no longer be read (deleted or moved while the form was open).
    std::vector<std::string> lines;
};

}  // namespace quivet
