// TFileInput: the drop-down list of a choice field on a QUIVET form; its entries
// are one column of the field's choice file, and it takes no typing.
#pragma once
#include <QComboBox>

class TFileInput : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kTag = 22;
    explicit TFileInput(QWidget* parent = nullptr);

    bool shown = true;      // the display column is above 0
    qint32 help = 0;
    QString choiceFile;
    qint32 displayColumn = 1;
    qint32 valueColumn = 1;
    bool assign = false;
    QString valueText;
    qint32 unit = 0;
    qint32 savedIndex = 0;  // the row selected when the form was last read or written
    qint32 acceptedIndex = 0;  // the last row whose value the form can write

    bool changed() const { return shown && currentIndex() != savedIndex; }
};
