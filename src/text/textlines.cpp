#include "text/textlines.h"

namespace textlines {

QString expandTabs(const QString& text) {
    if (!text.contains(QLatin1Char('\t'))) return text;
    QString out;
    out.reserve(text.size() + kTabWidth);
    for (const QChar c : text) {
        if (c == QLatin1Char('\t')) {
            do out += QLatin1Char(' ');
            while (out.size() % kTabWidth);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace textlines
