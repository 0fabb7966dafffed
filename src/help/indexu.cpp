#include "help/indexu.h"

#include <QDir>
#include <algorithm>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/filelookup.h"
#include "help/addhelp.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "shell/qtbytes.h"

TIndexDlg::TIndexDlg(TAddHelpDlg* addHelp, QWidget* parent) : QDialog(parent), addHelp_(addHelp) {
    setObjectName(QStringLiteral("IndexDlg"));
    setWindowTitle(QStringLiteral("Select Project"));
    auto* v = new QVBoxLayout(this);
    for (QLabel*& t : Titles) {
        t = new QLabel(this);
        t->setAlignment(Qt::AlignHCenter);
        v->addWidget(t);
    }
    QFont f = Titles[0]->font();
    f.setBold(true);
    Titles[0]->setFont(f);
    theList = new QListWidget(this);
    theList->setObjectName(QStringLiteral("theList"));
    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->setFixedSize(120, 120);
    Picture->setScaledContents(true);
    Picture->setFrameShape(QFrame::StyledPanel);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* side = new QVBoxLayout;
    side->addWidget(Picture);
    side->addStretch();
    side->addWidget(OKBtn);
    side->addWidget(HelpBtn);
    side->addWidget(cancel);
    auto* h = new QHBoxLayout;
    h->addWidget(theList, 1);
    h->addLayout(side);
    v->addLayout(h);
    // A choice is a selected row (by mouse or keyboard); the current row that
    // the list takes by itself on gaining focus is not one.
    connect(theList, &QListWidget::itemSelectionChanged, this, &TIndexDlg::theListClick);
    connect(theList, &QListWidget::itemDoubleClicked, this, [this] { OKBtnClick(); });
    connect(OKBtn, &QPushButton::clicked, this, &TIndexDlg::OKBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TIndexDlg::HelpBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(520, 360);
}

QString TIndexDlg::titleLine(int i) const { return i >= 0 && i < 3 ? Titles[i]->text() : QString(); }

void TIndexDlg::FormActivate() {
    if (reentry_) return;
    const pal::IndexFile idx = pal::readIndexFile(toBytes(indexFile));
    for (int i = 0; i < 3; ++i) Titles[i]->setText(toQ(idx.titles[i]));
    entries_ = idx.entries;
    theList->blockSignals(true);
    theList->clear();
    for (const auto& e : entries_) theList->addItem(toQ(e.title));
    theList->setCurrentRow(-1);
    theList->blockSignals(false);
    Picture->clear();
    OKBtn->setEnabled(false);
    HelpBtn->setEnabled(false);
}

const pal::IndexEntry* TIndexDlg::selected() const {
    const QList<QListWidgetItem*> chosen = theList->selectedItems();
    const int row = chosen.isEmpty() ? -1 : theList->row(chosen.front());
    return row >= 0 && row < static_cast<int>(entries_.size()) ? &entries_[static_cast<std::size_t>(row)] : nullptr;
}

// Paths inside the index are written for another system: "\" separators, and
// relative to the index file's directory, the working directory or the program's.
QString TIndexDlg::resolved(const std::string& path) const {
    if (path.empty()) return {};
    const std::string idxDir = toBytes(QFileInfo(indexFile).absolutePath());
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (!p.empty() && p[0] != '/' && !(p.size() > 1 && p[1] == ':')) {
        if (auto f = pal::findFile(pal::joinPath(idxDir, p))) return toQ(*f);
    }
    return toQ(pal::resolveDataPath(path, pal::app().programDir));
}

void TIndexDlg::theListClick() {
    const pal::IndexEntry* e = selected();
    const QString file = e ? resolved(e->file) : QString();
    if (!e || !QFileInfo(file).isFile()) {
        OKBtn->setEnabled(false);
        HelpBtn->setEnabled(false);
        Picture->clear();
        return;
    }
    OKBtn->setEnabled(true);
    const QString pic = resolved(e->picture);
    QPixmap pm;
    if (!pic.isEmpty() && QFileInfo(pic).isFile() && pm.load(pic))
        Picture->setPixmap(pm);
    else
        Picture->clear();
    const QString help = resolved(e->help);
    HelpBtn->setEnabled(!help.isEmpty() && QFileInfo(help).isFile());
}

void TIndexDlg::OKBtnClick() {
    const pal::IndexEntry* e = selected();
    if (!e) return;
    const QString file = resolved(e->file);
    if (!QFileInfo(file).isFile()) {
        ShowAlert(QStringLiteral("File ") + toQ(e->file) + QStringLiteral(" was not found"), AlertKind::Error,
                  true);
        return;
    }
    const QString dir = QFileInfo(file).absolutePath().trimmed();
    if (!dir.isEmpty()) QDir::setCurrent(dir);
    reentry_ = true;
    accept();
    emit fileChosen(QFileInfo(file).absoluteFilePath());
    reentry_ = false;
}

void TIndexDlg::HelpBtnClick() {
    const pal::IndexEntry* e = selected();
    if (!e || !addHelp_) return;
    addHelp_->subject = theList->selectedItems().isEmpty() ? QString() : theList->selectedItems().front()->text();
    const QString help = resolved(e->help);
    if (help.isEmpty() || !QFileInfo(help).isFile()) return;
    addHelp_->helpFile = help;
    addHelp_->SetupWindow();
    if (addHelp_->readyToShow) seams().dialogs->execDialog(*addHelp_);
}
