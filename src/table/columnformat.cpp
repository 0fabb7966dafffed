#include "table/columnformat.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "shell/qtbytes.h"

namespace {
// Combo box rows and the style bytes they stand for.
constexpr std::uint8_t kStyles[] = {2, 1, 0};
constexpr int kMaxDigits = 18;  // an extended value holds 18 to 19 significant digits
}  // namespace

TColumnFormatDlg::TColumnFormatDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ColumnFormatDlg"));
    setWindowTitle(QStringLiteral("Column Format"));
    NameLabel = new QLabel(this);
    StyleBox = new QComboBox(this);
    StyleBox->setObjectName(QStringLiteral("StyleBox"));
    StyleBox->addItems({QStringLiteral("Automatic"), QStringLiteral("Fixed"), QStringLiteral("Exponent")});
    DigitsBox = new QSpinBox(this);
    DigitsBox->setObjectName(QStringLiteral("DigitsBox"));
    DigitsBox->setRange(0, kMaxDigits);
    Sample = new QLabel(this);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Column"), NameLabel);
    form->addRow(QStringLiteral("Style"), StyleBox);
    form->addRow(QStringLiteral("Digits"), DigitsBox);
    form->addRow(QStringLiteral("Example"), Sample);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    form->addRow(buttons);

    connect(StyleBox, &QComboBox::currentIndexChanged, this, &TColumnFormatDlg::StyleBoxChange);
    connect(DigitsBox, &QSpinBox::valueChanged, this, &TColumnFormatDlg::StyleBoxChange);
    connect(OKBtn, &QPushButton::clicked, this, &TColumnFormatDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TColumnFormatDlg::setColumn(const QString& name, pal::LabelFormat format) {
    NameLabel->setText(name);
    const int row = format.style == 2 ? 0 : format.style == 1 ? 1 : 2;
    original_ = format;
    originalRow_ = row;
    DigitsBox->setValue(format.style == 2 ? 4 : std::clamp<int>(format.digits, 0, kMaxDigits));
    StyleBox->setCurrentIndex(row);
    StyleBoxChange();
}

pal::LabelFormat TColumnFormatDlg::format() const {
    const int row = std::clamp(StyleBox->currentIndex(), 0, 2);
    const auto digits = static_cast<std::int16_t>(DigitsBox->value());
    // Automatic shows four significant digits whatever the column holds.
    if (row == originalRow_ && (row == 0 || digits == original_.digits)) return original_;
    if (row == 0) return {2, original_.digits};
    return {kStyles[row], digits};
}

void TColumnFormatDlg::StyleBoxChange() {
    const bool automatic = StyleBox->currentIndex() == 0;
    DigitsBox->setEnabled(!automatic);
    const pal::LabelFormat f = format();
    const long double example = 1234.56789L;
    Sample->setText(toQ(pal::FormatValue(f.style == 2 ? pal::ChooseFormat(4, example) : f, example)));
}

void TColumnFormatDlg::OKBtnClick() { accept(); }
