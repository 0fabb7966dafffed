#include "quivet/makequiv.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "common/bytes.h"
#include "common/messageboard.h"
#include "common/ioerror.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetgen.h"
#include "quivet/typeinfo.h"
#include "shell/docwindow.h"
#include "shell/workbench.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"

namespace {

std::string engineFolderNow() {
    const auto& a = pal::app();
    return quivet::engineFolder(a.settings.kalvexDir, a.programDir);
}

}  // namespace

TMakeQUIVETDlg::TMakeQUIVETDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MakeQUIVETDlg"));
    setWindowTitle(QStringLiteral("Make QUIVET File"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(577, 273);
    QFont f(QStringLiteral("MS Sans Serif"), 8);
    f.setBold(true);
    setFont(f);
    setProperty("helpContext", 31);

    auto list = [this](const char* name, int x, int y, int w, int h, bool multi) {
        auto* l = new QListWidget(this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(x, y, w, h);
        l->setSelectionMode(multi ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
        l->installEventFilter(this);
        return l;
    };
    UnitBox = list("UnitBox", 11, 24, 273, 67, false);
    ParBox = list("ParBox", 11, 112, 273, 106, true);
    InpBox = list("InpBox", 296, 112, 273, 106, true);
    auto label = [this](const QString& text, QWidget* buddy, int x, int y) {
        auto* l = new QLabel(text, this);
        l->move(x, y);
        l->setBuddy(buddy);
    };
    label(QStringLiteral("&Units"), UnitBox, 132, 8);
    label(QStringLiteral("&Parameters"), ParBox, 115, 96);
    label(QStringLiteral("&Inputs"), InpBox, 408, 96);

    auto* group = new QGroupBox(QStringLiteral("Include"), this);
    group->setGeometry(318, 22, 139, 65);
    Header = new QCheckBox(QStringLiteral("Header"), group);
    Header->setObjectName(QStringLiteral("Header"));
    Header->setGeometry(10, 18, 120, 20);
    Simulationcard = new QCheckBox(QStringLiteral("Simulation card"), group);
    Simulationcard->setObjectName(QStringLiteral("Simulationcard"));
    Simulationcard->setGeometry(10, 40, 125, 20);

    auto button = [this](const QString& text, const char* name, int x) {
        auto* p = new QPushButton(text, this);
        p->setObjectName(QLatin1String(name));
        p->setGeometry(x, 232, 77, 27);
        p->setAutoDefault(false);
        return p;
    };
    AllBtn = button(QStringLiteral("&All"), "AllBtn", 37);
    NoneBtn = button(QStringLiteral("&None"), "NoneBtn", 180);
    OKBtn = button(QStringLiteral("OK"), "OKBtn", 322);
    CancelBtn = button(QStringLiteral("Cancel"), "CancelBtn", 465);
    OKBtn->setDefault(true);
    target_ = ParBox;

    connect(UnitBox, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_) UnitBoxClick();
    });
    connect(ParBox, &QListWidget::itemSelectionChanged, this, [this] { refuseUnselectable(ParBox); });
    connect(InpBox, &QListWidget::itemSelectionChanged, this, [this] { refuseUnselectable(InpBox); });
    connect(AllBtn, &QPushButton::clicked, this, &TMakeQUIVETDlg::AllClick);
    connect(NoneBtn, &QPushButton::clicked, this, &TMakeQUIVETDlg::NoneClick);
    connect(OKBtn, &QPushButton::clicked, this, &TMakeQUIVETDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TMakeQUIVETDlg::setDeck(const QString& deckFile, quivet::DeckAnalysis analysis) {
    deckFile_ = deckFile;
    analysis_ = std::move(analysis);
    written_.clear();
    FillUnitBox();
}

void TMakeQUIVETDlg::FormActivate() {
    const auto& s = pal::app().settings;
    Header->setChecked(s.includeHeader > 0);
    Simulationcard->setChecked(s.includeSimCard > 0);
    OKBtn->setFocus();
}

void TMakeQUIVETDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    OKBtn->setFocus();
}

void TMakeQUIVETDlg::FillUnitBox() {
    filling_ = true;
    UnitBox->clear();
    for (auto& u : analysis_.units) {
        for (auto& d : u.parameterInfo) d.selected = false;
        for (auto& d : u.inputInfo) d.selected = false;
        auto* item = new QListWidgetItem(toQ(u.description), UnitBox);
        item->setToolTip(toQ(u.unitLine));
    }
    shown_ = analysis_.units.empty() ? -1 : 0;
    if (shown_ == 0) UnitBox->setCurrentRow(0);
    filling_ = false;
    FillParamInputBox();
}

void TMakeQUIVETDlg::FillParamInputBox() {
    filling_ = true;
    ParBox->clear();
    InpBox->clear();
    if (shown_ >= 0 && shown_ < static_cast<int>(analysis_.units.size())) {
        const auto& u = analysis_.units[shown_];
        auto fill = [](QListWidget* box, const std::vector<quivet::TypeDescription>& list,
                       const std::vector<std::string>& values, auto selectable) {
            for (std::size_t i = 0; i < list.size(); ++i) {
                const bool ok = selectable(i);
                auto* item = new QListWidgetItem(QString(ok ? QStringLiteral(" ") : QStringLiteral("*")) +
                                                     toQ(list[i].description),
                                                 box);
                item->setData(Qt::UserRole, ok);
                if (i < values.size()) item->setToolTip(toQ(list[i].name + " = " + values[i]));
                item->setSelected(ok && list[i].selected);
            }
        };
        if (!u.noData) {
            fill(ParBox, u.parameterInfo, u.parameters, [&u](std::size_t i) { return u.parameterSelectable(i); });
            fill(InpBox, u.inputInfo, u.initialValues, [&u](std::size_t i) { return u.inputSelectable(i); });
        }
    }
    filling_ = false;
}

void TMakeQUIVETDlg::SetParamInputBox() {
    if (shown_ < 0 || shown_ >= static_cast<int>(analysis_.units.size())) return;
    auto& u = analysis_.units[shown_];
    auto store = [](QListWidget* box, std::vector<quivet::TypeDescription>& list) {
        for (int i = 0; i < box->count() && i < static_cast<int>(list.size()); ++i) {
            QListWidgetItem* item = box->item(i);
            list[i].selected = item->data(Qt::UserRole).toBool() && item->isSelected();
        }
    };
    store(ParBox, u.parameterInfo);
    store(InpBox, u.inputInfo);
}

void TMakeQUIVETDlg::UnitBoxClick() {
    const int row = UnitBox->currentRow();
    if (row < 0 || row == shown_) return;
    SetParamInputBox();
    shown_ = row;
    FillParamInputBox();
}

void TMakeQUIVETDlg::AllClick() {
    for (int i = 0; i < target_->count(); ++i)
        if (target_->item(i)->data(Qt::UserRole).toBool()) target_->item(i)->setSelected(true);
}

void TMakeQUIVETDlg::NoneClick() { target_->clearSelection(); }

void TMakeQUIVETDlg::UnitBoxEnter() { target_ = ParBox; }
void TMakeQUIVETDlg::ParBoxEnter() { target_ = ParBox; }
void TMakeQUIVETDlg::InpBoxEnter() { target_ = InpBox; }

bool TMakeQUIVETDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == UnitBox) UnitBoxEnter();
        else if (watched == ParBox) ParBoxEnter();
        else if (watched == InpBox) InpBoxEnter();
    }
    return QDialog::eventFilter(watched, event);
}

void TMakeQUIVETDlg::refuseUnselectable(QListWidget* list) {
    if (filling_) return;
    bool refused = false;
    for (QListWidgetItem* item : list->selectedItems())
        if (!item->data(Qt::UserRole).toBool()) {
            item->setSelected(false);
            refused = true;
        }
    if (refused) seams().alerts->beep();
}

void TMakeQUIVETDlg::OKBtnClick() {
    SetParamInputBox();
    FileDialogRequest r;
    r.title = QStringLiteral("Save QUIVET File");
    r.filters = QStringList{QStringLiteral("QUIVET File (*.QVD)")};
    r.defaultSuffix = QStringLiteral("QVD");
    r.fileName = toQ(quivet::proposedQuivetName(toBytes(deckFile_)));
    r.save = true;
    r.overwritePrompt = true;
    const auto chosen = seams().dialogs->getFile(r);
    if (!chosen) return;  // nothing written; the choices stay for another try
    const QString path = chosen->path;
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        ShowAlert(info.absolutePath() + QStringLiteral(" does not exist."), AlertKind::Error, true);
        return;
    }
    // Read-only by its attributes, even for a user whom the system would let write.
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))) {
        ShowAlert(path + QStringLiteral(" is read-only."), AlertKind::Error, true);
        return;
    }

    quivet::QuivetOptions options;
    options.simulationCard = Simulationcard->isChecked();
    if (Header->isChecked()) {
        const quivet::HeaderLines h = quivet::readHeaderLines(engineFolderNow());
        if (!h.error.empty())
            ShowAlert(toQ(h.error), AlertKind::Error, false);
        else {
            options.header = true;
            options.headerLines = h.lines;
        }
    }
    std::vector<std::string> notes;
    try {
        quivet::writeQuivetFile(toBytes(path), quivet::quivetFileLines(analysis_, options, &notes));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    } catch (const quivet::QuivetError& e) {
        ShowAlert(toQ(e.what()), AlertKind::Error, false);
        return;
    }
    for (const std::string& note : notes) ShowAlert(path + QStringLiteral(": ") + toQ(note), AlertKind::Information, false);
    written_ = path;
    accept();
}

namespace quivet {

void RunMakeQUIVET(Workbench& bench) {
    TDocWindow* window = bench.activeDocument();
    if (!window || window->Tag() != Kind::DeckEditor) return;
    const QString deck = window->fileName();
    // The analysis reads the deck as stored: changes in the editor are saved first when the user agrees.
    if (!window->offerSaveBefore(QStringLiteral("making the QUIVET file"))) return;

    DeckAnalysis analysis;
    try {
        BusyCursor wait;
        analysis = MakeDeck(toBytes(deck), engineFolderNow());
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    // Listed with the lines of their units too, where the boxes leave no trace.
    pal::MessageSet listed{pal::MessageSource::MakeQuivet, toBytes(deck), {}};
    for (const auto& m : analysis.messages) listed.messages.push_back(pal::lineMessage(pal::Severity::Error, m.line, pal::trim(m.text)));
    pal::messageBoard().publish(std::move(listed));
    for (const auto& m : analysis.messages) ShowAlert(toQ(m.text), AlertKind::Error, m.beep);

    TMakeQUIVETDlg dlg(bench.frame());
    dlg.setDeck(deck, std::move(analysis));
    dlg.FormActivate();
    const int result = seams().dialogs->execDialog(dlg);
    const QString written = dlg.writtenFile();
    // Opening the new form closes the forms and the table of the old input: each
    // may be saved first, and Cancel leaves them open (the file stays written).
    if (result == QDialog::Accepted && !written.isEmpty() && bench.askToClose({Kind::QuivetForm, Kind::Table}))
        bench.openFile(written);
}

}  // namespace quivet
