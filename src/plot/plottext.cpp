#include "plot/plottext.h"

#include "common/utf8check.h"
#include "shell/qtbytes.h"

namespace plot {

QString plotString(const std::string& bytes) {
    return textFromBytes(bytes);
}

std::string plotBytes(const QString& text, std::size_t maxBytes) {
    const std::string s = encodeText(text, true);
    return s.substr(0, pal::utf8CutLength(s, maxBytes));
}

}  // namespace plot
