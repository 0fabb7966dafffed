#include "shell/qtbytes.h"

#include "common/utf8check.h"

QString decodeText(std::string_view bytes, bool utf8) {
    const auto n = static_cast<qsizetype>(bytes.size());
    return utf8 ? QString::fromUtf8(bytes.data(), n) : QString::fromLatin1(bytes.data(), n);
}

std::string encodeText(const QString& text, bool utf8) {
    if (utf8) return text.toUtf8().toStdString();
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x100) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('?');
            // A character outside the BMP is one "?", not two.
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
        }
    }
    return out;
}

bool isUtf8Text(std::string_view bytes) { return pal::isValidUtf8(bytes); }
