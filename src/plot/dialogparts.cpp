#include "plot/dialogparts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

#include "plot/stylepicker.h"

namespace plot {

CurveLookControls makeCurveLookControls(QWidget* dialog) {
    CurveLookControls c{};
    c.line = new TStylePicker(TStylePicker::Kind::Line, dialog);
    c.line->setObjectName(QStringLiteral("Line"));
    c.symbol = new TStylePicker(TStylePicker::Kind::Symbol, dialog);
    c.symbol->setObjectName(QStringLiteral("Symbol"));
    c.color = new TStylePicker(TStylePicker::Kind::Color, dialog);
    c.color->setObjectName(QStringLiteral("Color"));
    c.smoothing = new QCheckBox(QStringLiteral("Smoothing"), dialog);
    c.smoothing->setObjectName(QStringLiteral("Smoothing"));
    return c;
}

OkCancelButtons addOkCancelButtons(QGridLayout* grid, int& row, QWidget* dialog) {
    OkCancelButtons b{};
    b.ok = new QPushButton(QStringLiteral("OK"), dialog);
    b.ok->setObjectName(QStringLiteral("OKBtn"));
    b.ok->setDefault(true);
    b.cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    b.cancel->setObjectName(QStringLiteral("CancelBtn"));
    grid->addWidget(b.ok, row, 0);
    grid->addWidget(b.cancel, row++, 1);
    grid->setRowStretch(row, 1);
    return b;
}

}  // namespace plot
