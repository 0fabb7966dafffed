// The one place where text crosses between Qt and the core's byte strings, and
// the hourglass for one command. Paths, names and messages are in the local 8-bit
// encoding; document text is shown as UTF-8 when its bytes are well-formed UTF-8
// and as Latin-1 (one byte per character) otherwise.
#pragma once
#include <QApplication>
#include <QString>
#include <string>
#include <string_view>

// Paths, file names, messages and number text.
inline QString toQ(std::string_view s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string toBytes(const QString& s) { return s.toLocal8Bit().toStdString(); }
// Bytes held by Qt (what a program printed, a stored property) and back.
inline std::string bytesOf(const QByteArray& b) { return b.toStdString(); }
inline QString textOf(const QByteArray& b) { return QString::fromLocal8Bit(b); }
inline QByteArray byteArrayOf(std::string_view s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

// Document text in a known encoding. Latin-1 encoding writes a character it
// cannot hold as "?".
QString decodeText(std::string_view bytes, bool utf8);
std::string encodeText(const QString& text, bool utf8);

// Document text whose encoding is judged from its bytes.
bool isUtf8Text(std::string_view bytes);
inline QString textFromBytes(std::string_view bytes) { return decodeText(bytes, isUtf8Text(bytes)); }
// Back to bytes in the encoding the original bytes had, so an unchanged text
// gives back the original exactly.
inline std::string bytesLike(const QString& text, std::string_view original) {
    return encodeText(text, isUtf8Text(original));
}

// Shows the hourglass cursor while it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
