#include "text/finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "shell/seams.h"

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(tr("Find"));
    setModal(false);

    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    grid_ = new QGridLayout;
    auto* label = new QLabel(tr("Fi&nd what:"), this);
    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName(QStringLiteral("FindText"));
    findEdit_->setMinimumWidth(220);
    label->setBuddy(findEdit_);
    grid_->addWidget(label, 0, 0);
    grid_->addWidget(findEdit_, 0, 1);
    left->addLayout(grid_);

    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    wholeWord_ = new QCheckBox(tr("Match &whole word only"), this);
    wholeWord_->setObjectName(QStringLiteral("WholeWord"));
    matchCase_ = new QCheckBox(tr("Match &case"), this);
    matchCase_->setObjectName(QStringLiteral("MatchCase"));
    checks->addWidget(wholeWord_);
    checks->addWidget(matchCase_);
    checks->addStretch();
    options->addLayout(checks);
    direction_ = new QGroupBox(tr("Direction"), this);
    up_ = new QRadioButton(tr("&Up"), direction_);
    up_->setObjectName(QStringLiteral("Up"));
    down_ = new QRadioButton(tr("&Down"), direction_);
    down_->setObjectName(QStringLiteral("Down"));
    down_->setChecked(true);
    auto* dirLayout = new QHBoxLayout(direction_);
    dirLayout->addWidget(up_);
    dirLayout->addWidget(down_);
    options->addWidget(direction_);
    left->addLayout(options);
    left->addStretch();
    outer->addLayout(left);

    buttons_ = new QVBoxLayout;
    findNextBtn_ = new QPushButton(tr("&Find Next"), this);
    findNextBtn_->setObjectName(QStringLiteral("FindNext"));
    findNextBtn_->setDefault(true);
    cancelBtn_ = new QPushButton(tr("Cancel"), this);
    cancelBtn_->setObjectName(QStringLiteral("Cancel"));
    buttons_->addWidget(findNextBtn_);
    buttons_->addWidget(cancelBtn_);
    buttons_->addStretch();
    outer->addLayout(buttons_);

    connect(findNextBtn_, &QPushButton::clicked, this, &TFindDialog::FindNextClick);
    connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::hide);
    connect(findEdit_, &QLineEdit::textChanged, this, &TFindDialog::updateButtons);
    updateButtons();
}

QString TFindDialog::findText() const { return findEdit_->text(); }
void TFindDialog::setFindText(const QString& text) { findEdit_->setText(text); }
bool TFindDialog::matchCase() const { return matchCase_->isChecked(); }
void TFindDialog::setMatchCase(bool on) { matchCase_->setChecked(on); }
bool TFindDialog::wholeWord() const { return wholeWord_->isChecked(); }
void TFindDialog::setWholeWord(bool on) { wholeWord_->setChecked(on); }
bool TFindDialog::down() const { return down_->isChecked(); }
void TFindDialog::setDown(bool on) { (on ? down_ : up_)->setChecked(true); }
void TFindDialog::setWholeWordVisible(bool visible) { wholeWord_->setVisible(visible); }

void TFindDialog::popUp() {
    show();
    raise();
    activateWindow();
    findEdit_->setFocus();
    findEdit_->selectAll();
}

void TFindDialog::FindNextClick() {
    if (!findText().isEmpty()) emit findNext();
}

void TFindDialog::updateButtons() { findNextBtn_->setEnabled(!findText().isEmpty()); }

TReplaceDialog::TReplaceDialog(QWidget* parent) : TFindDialog(parent) {
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(tr("Replace"));
    auto* label = new QLabel(tr("Re&place with:"), this);
    replaceEdit_ = new QLineEdit(this);
    replaceEdit_->setObjectName(QStringLiteral("ReplaceText"));
    label->setBuddy(replaceEdit_);
    grid_->addWidget(label, 1, 0);
    grid_->addWidget(replaceEdit_, 1, 1);
    // Replacing always runs forward.
    direction_->hide();

    replaceBtn_ = new QPushButton(tr("&Replace"), this);
    replaceBtn_->setObjectName(QStringLiteral("Replace"));
    replaceAllBtn_ = new QPushButton(tr("Replace &All"), this);
    replaceAllBtn_->setObjectName(QStringLiteral("ReplaceAll"));
    buttons_->insertWidget(1, replaceBtn_);
    buttons_->insertWidget(2, replaceAllBtn_);
    // Tab follows the fields as they read: the replacement comes right after
    // the find text, the buttons last.
    QWidget* order[] = {findEdit_, replaceEdit_, wholeWord_, matchCase_, findNextBtn_, replaceBtn_, replaceAllBtn_, cancelBtn_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    connect(replaceBtn_, &QPushButton::clicked, this, &TReplaceDialog::ReplaceClick);
    connect(replaceAllBtn_, &QPushButton::clicked, this, &TReplaceDialog::ReplaceAllClick);
    connect(findEdit_, &QLineEdit::textChanged, this, &TReplaceDialog::updateReplaceButtons);
    updateReplaceButtons();
}

QString TReplaceDialog::replaceText() const { return replaceEdit_->text(); }
void TReplaceDialog::setReplaceText(const QString& text) { replaceEdit_->setText(text); }

void TReplaceDialog::ReplaceClick() {
    replaceAll_ = false;
    if (!findText().isEmpty()) emit replace();
}

void TReplaceDialog::ReplaceAllClick() {
    if (findText().isEmpty()) return;
    // An empty replacement deletes every match: asked first, as it is easily
    // reached by mistake before the replacement is typed.
    if (replaceText().isEmpty() &&
        ShowAlert(QStringLiteral("Replace every \"") + findText() + QStringLiteral("\" with nothing, deleting them all?"),
                  AlertKind::WarningYesNo, false) != AlertButton::Yes)
        return;
    replaceAll_ = true;
    emit replace();
}

void TReplaceDialog::updateReplaceButtons() {
    const bool any = !findText().isEmpty();
    replaceBtn_->setEnabled(any);
    replaceAllBtn_->setEnabled(any);
}
