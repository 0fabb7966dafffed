// Text helpers shared by the editor and the viewer: tab expansion for drawing
// and printing (decoding goes through qtbytes.h).
#pragma once
#include <QString>

namespace textlines {

constexpr int kTabWidth = 8;

// Tabs become blanks up to the next multiple of kTabWidth columns.
QString expandTabs(const QString& text);

}  // namespace textlines
