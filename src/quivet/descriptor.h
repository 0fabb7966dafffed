// TDescriptor: a label of a QUIVET form (field label, heading title, unit text,
// or the empty marker at the foot of a picture).
#pragma once
#include <QLabel>

class TDescriptor : public QLabel {
    Q_OBJECT
public:
    explicit TDescriptor(const QString& text, QWidget* parent = nullptr);

    // Set when the label occupies a row of the form: the next item goes below
    // it, and printing shows it.
    bool row = true;
};
