#include "quivet/descriptor.h"

TDescriptor::TDescriptor(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
}
