// Writing a QUIVET form back as a deck: the QUIVET file is copied line by line
// and the statement lines of fields the user changed (and headings with a text)
// are replaced by lines built from the current values; a field left as it was
// keeps its statement byte for byte. Writing under the file's own
// name keeps the previous version as <name up to its first ".">.BAK.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "quivet/formitem.h"

namespace quivet {

// The backup of a QUIVET file: its folder, its name up to the first "." and ".BAK".
std::string backupNameFor(const std::string& path);

// The line written for an item, or nothing when the source line stays as it is
// (pictures, headings without a text, choice fields with an empty list).
std::optional<std::string> itemLine(const FormItem& item);

// Whether a field still holds the value its file had when the form was last
// read or written; its statement line is then written back as it was.
bool untouched(const FormItem& item);

// Why the item's line could not be written so that the form reads it back
// (an ASSIGN file name that is empty or holds a blank, a "|" in a heading's
// text, a line longer than 255 characters); nothing when it can.
std::optional<std::string> unwritableReason(const FormItem& item);

// Throws QuivetError with the reason and line when an item that would be
// written to the given source lines could not be read back.
void checkWritable(const QuivetDocument& doc, const std::vector<std::string>& source);

// Sets the value text of every shown choice field from its selected entry and
// of every dependent field on the same choice file from that value, re-reading
// the choice files. A field whose selection is the one last read or written,
// and its dependent fields, keep the values the file holds. Throws QuivetError
// when a file cannot be read or the selection is no longer in it; then no value
// is changed.
void updateChoiceValues(QuivetDocument& doc);

// The target's lines for the given source lines (an empty source counts as one
// empty line).
std::vector<std::string> deckLines(const QuivetDocument& doc, const std::vector<std::string>& source);

// After a successful write: the lines written are the file's lines now, and
// each field's current value is its value as the file holds it.
void rememberWritten(QuivetDocument& doc, std::vector<std::string> lines);

// Writes doc to target, copying doc.fileName, or doc.lines when that file cannot
// be read (the form's file was deleted or moved: the form still holds all it
// needs). Returns the lines written. Throws pal::IoError whose text is the
// message the user sees (also when a line could not be read back); the target
// is replaced only by a complete file.
std::vector<std::string> writeDeck(const QuivetDocument& doc, const std::string& target);

}  // namespace quivet
