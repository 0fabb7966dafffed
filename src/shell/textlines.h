// Text helpers shared by the editor and the viewer: decoding a line's bytes as
// UTF-8 or Latin-1 and back, and tab expansion for drawing and printing.
#pragma once
#include <QString>
#include <string>
#include <string_view>

namespace textlines {

constexpr int kTabWidth = 8;

QString decode(std::string_view bytes, bool utf8);
// Latin-1 encoding writes a character it cannot hold as "?".
std::string encode(const QString& text, bool utf8);
// Tabs become blanks up to the next multiple of kTabWidth columns.
QString expandTabs(const QString& text);

}  // namespace textlines
