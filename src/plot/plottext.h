// Texts of plots between the byte strings of the files and the window's QString.
#pragma once
#include <QString>
#include <string>

namespace plot {

// Shown as UTF-8 when the bytes are well-formed UTF-8, otherwise as Latin-1.
QString plotString(const std::string& bytes);
// The bytes of a text, cut to at most maxBytes without splitting a character.
std::string plotBytes(const QString& text, std::size_t maxBytes);

}  // namespace plot
