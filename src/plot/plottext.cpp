#include "plot/plottext.h"

#include "shell/utf8check.h"

namespace plot {

QString plotString(const std::string& bytes) {
    if (pal::isValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string plotBytes(const QString& text, std::size_t maxBytes) {
    const QByteArray utf8 = text.toUtf8();
    const std::string s(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    return s.substr(0, pal::utf8CutLength(s, maxBytes));
}

}  // namespace plot
