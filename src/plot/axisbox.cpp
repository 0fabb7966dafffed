#include "plot/axisbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

TAxisBox::TAxisBox(const QString& caption, const QString& prefix, bool modifyControls, QWidget* parent)
    : QGroupBox(caption, parent) {
    auto* g = new QGridLayout(this);
    int row = 0;
    if (modifyControls) {
        title = new QLineEdit(this);
        title->setObjectName(prefix + QStringLiteral("Title"));
        title->setMaxLength(30);
        g->addWidget(new QLabel(QStringLiteral("Title"), this), row, 0);
        g->addWidget(title, row++, 1, 1, 2);
    }
    style = new QComboBox(this);
    style->setObjectName(prefix + QStringLiteral("Style"));
    style->addItems({QStringLiteral("F"), QStringLiteral("E")});
    digits = new QComboBox(this);
    digits->setObjectName(prefix + QStringLiteral("Digits"));
    for (int d = 0; d <= 9; ++d) digits->addItem(QString::number(d));
    g->addWidget(new QLabel(QStringLiteral("Format"), this), row, 0);
    g->addWidget(style, row, 1);
    g->addWidget(digits, row++, 2);
    minimum = new QLineEdit(this);
    minimum->setObjectName(prefix + QStringLiteral("Minimum"));
    maximum = new QLineEdit(this);
    maximum->setObjectName(prefix + QStringLiteral("Maximum"));
    g->addWidget(new QLabel(QStringLiteral("Minimum"), this), row, 0);
    g->addWidget(minimum, row++, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Maximum"), this), row, 0);
    g->addWidget(maximum, row++, 1, 1, 2);
    linear = new QRadioButton(QStringLiteral("Linear"), this);
    linear->setObjectName(prefix + QStringLiteral("Linear"));
    log = new QRadioButton(QStringLiteral("Log"), this);
    log->setObjectName(prefix + QStringLiteral("Log"));
    linear->setChecked(true);
    g->addWidget(linear, row, 1);
    g->addWidget(log, row++, 2);
    ticks = new QLineEdit(QStringLiteral("5"), this);
    ticks->setObjectName(prefix + QStringLiteral("Ticks"));
    g->addWidget(new QLabel(QStringLiteral("No. of Ticks"), this), row, 0);
    g->addWidget(ticks, row++, 1, 1, 2);
    if (modifyControls) {
        grid = new QCheckBox(QStringLiteral("Gridlines"), this);
        grid->setObjectName(prefix + QStringLiteral("Grid"));
        g->addWidget(grid, row++, 1, 1, 2);
    }
}

std::uint8_t TAxisBox::styleCode() const { return style->currentIndex() == 1 ? 0 : 1; }
void TAxisBox::setStyleCode(std::uint8_t code) { style->setCurrentIndex(code == 1 ? 0 : 1); }
int TAxisBox::digitCount() const { return std::max(0, digits->currentIndex()); }
void TAxisBox::setDigitCount(int d) { digits->setCurrentIndex(std::clamp(d, 0, 9)); }

void TAxisBox::setAxisControlsEnabled(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{style, digits, minimum, maximum, linear, log, ticks}) w->setEnabled(on);
}
