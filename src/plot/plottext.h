// Texts of plots between the byte strings of the files and the window's QString.
// Plot data, saved plots and decks hold one byte per character (Latin-1).
#pragma once
#include <QString>
#include <string>

namespace plot {

// Shown as UTF-8 when the bytes are well-formed UTF-8, otherwise as Latin-1.
QString plotString(const std::string& bytes);
// The Latin-1 bytes of a text, one per character ("?" for a character Latin-1
// lacks), cut to at most maxBytes.
std::string plotBytes(const QString& text, std::size_t maxBytes);
// The same, except that a text still showing the original bytes gives them back
// unchanged: what the user did not touch keeps its bytes.
std::string plotBytesKeeping(const QString& text, const std::string& original, std::size_t maxBytes);

}  // namespace plot
