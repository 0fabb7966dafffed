// Conversions between the core's byte strings and Qt text (paths and names
// are in the local 8-bit encoding), and the hourglass for one command.
#pragma once
#include <QApplication>
#include <QString>
#include <string>

inline QString toQ(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
inline std::string toBytes(const QString& s) { return s.toLocal8Bit().toStdString(); }

// Shows the hourglass cursor while it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
