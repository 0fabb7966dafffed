#include "plot/plottext.h"

#include "shell/qtbytes.h"

namespace plot {

QString plotString(const std::string& bytes) {
    return textFromBytes(bytes);
}

std::string plotBytes(const QString& text, std::size_t maxBytes) {
    return encodeText(text, false).substr(0, maxBytes);
}

std::string plotBytesKeeping(const QString& text, const std::string& original, std::size_t maxBytes) {
    if (text == plotString(original)) return original;
    return plotBytes(text, maxBytes);
}

}  // namespace plot
