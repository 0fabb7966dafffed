#include "compare/comparedlg.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <cmath>

#include "common/configdir.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {

QString settingsFile() { return toQ(pal::userConfigDir()) + QStringLiteral("/palumaro.conf"); }

QString numberField(double v) { return QString::number(v, 'g', 10); }

}  // namespace

CompareRequest rememberedCompareSettings() {
    QSettings f(settingsFile(), QSettings::IniFormat);
    CompareRequest r;
    bool ok = false;
    const double abs = f.value(QStringLiteral("Compare/Absolute")).toDouble(&ok);
    if (ok && std::isfinite(abs) && abs >= 0) r.tolerance.abs = abs;
    const double rel = f.value(QStringLiteral("Compare/Relative")).toDouble(&ok);
    if (ok && std::isfinite(rel) && rel >= 0) r.tolerance.rel = rel;
    r.exactText = f.value(QStringLiteral("Compare/ExactText"), false).toBool();
    return r;
}

void rememberCompareSettings(const CompareRequest& r) {
    QSettings f(settingsFile(), QSettings::IniFormat);
    f.setValue(QStringLiteral("Compare/Absolute"), r.tolerance.abs);
    f.setValue(QStringLiteral("Compare/Relative"), r.tolerance.rel);
    f.setValue(QStringLiteral("Compare/ExactText"), r.exactText);
}

TCompareDlg::TCompareDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDlg"));
    setWindowTitle(QStringLiteral("Compare Results"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto fileRow = [&](const QString& label, QLineEdit*& edit, const char* name, const QString& title) {
        grid->addWidget(new QLabel(label, this), row, 0);
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setMinimumWidth(420);
        grid->addWidget(edit, row, 1, 1, 2);
        auto* b = new QPushButton(QStringLiteral("Browse..."), this);
        connect(b, &QPushButton::clicked, this, [this, edit, title] { browse(edit, title); });
        grid->addWidget(b, row++, 3);
    };
    fileRow(QStringLiteral("&Reference:"), ReferenceEdit, "ReferenceEdit", QStringLiteral("Reference results"));
    fileRow(QStringLiteral("&New:"), NewEdit, "NewEdit", QStringLiteral("New results"));
    auto* note = new QLabel(QStringLiteral("A value differs where |new - ref| > max(absolute, relative \u00d7 |ref|)."), this);
    grid->addWidget(note, row++, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("&Absolute tolerance:"), this), row, 0);
    AbsEdit = new QLineEdit(this);
    AbsEdit->setObjectName(QStringLiteral("AbsEdit"));
    grid->addWidget(AbsEdit, row++, 1);
    grid->addWidget(new QLabel(QStringLiteral("R&elative tolerance:"), this), row, 0);
    RelEdit = new QLineEdit(this);
    RelEdit->setObjectName(QStringLiteral("RelEdit"));
    grid->addWidget(RelEdit, row++, 1);
    ExactBox = new QCheckBox(QStringLiteral("Compare the numbers of listings and output tables e&xactly"), this);
    ExactBox->setObjectName(QStringLiteral("ExactBox"));
    grid->addWidget(ExactBox, row++, 0, 1, 4);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &TCompareDlg::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, row++, 0, 1, 4);
    setRequest(rememberedCompareSettings());
}

void TCompareDlg::setRequest(const CompareRequest& r) {
    ReferenceEdit->setText(r.reference);
    NewEdit->setText(r.candidate);
    AbsEdit->setText(numberField(r.tolerance.abs));
    RelEdit->setText(numberField(r.tolerance.rel));
    ExactBox->setChecked(r.exactText);
}

void TCompareDlg::browse(QLineEdit* edit, const QString& title) {
    FileDialogRequest r;
    r.title = title;
    r.filters = {QStringLiteral("Results (*.PLT *.LST *.OUT *.O*)"), QStringLiteral("All files (*)")};
    const QFileInfo at(edit->text());
    r.directory = edit->text().isEmpty() ? QString() : at.absolutePath();
    r.fileName = at.fileName();
    r.mustExist = true;
    if (const auto chosen = seams().dialogs->getFile(r)) edit->setText(chosen->path);
}

void TCompareDlg::OKBtnClick() {
    CompareRequest r;
    for (QLineEdit* e : {AbsEdit, RelEdit}) {
        bool ok = false;
        const double v = e->text().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < 0) {
            seams().alerts->beep();
            e->setFocus();
            e->selectAll();
            return;
        }
        (e == AbsEdit ? r.tolerance.abs : r.tolerance.rel) = v;
    }
    r.reference = ReferenceEdit->text().trimmed();
    r.candidate = NewEdit->text().trimmed();
    for (QLineEdit* e : {ReferenceEdit, NewEdit}) {
        const QString path = e->text().trimmed();
        if (path.isEmpty() || !QFileInfo::exists(path)) {
            ShowAlert(path.isEmpty() ? QStringLiteral("Choose a %1 file to compare.")
                                           .arg(e == ReferenceEdit ? QStringLiteral("reference") : QStringLiteral("new"))
                                     : QStringLiteral("File %1 was not found.").arg(path),
                      AlertKind::Error, true);
            e->setFocus();
            return;
        }
    }
    r.exactText = ExactBox->isChecked();
    request_ = r;
    rememberCompareSettings(r);
    accept();
}
