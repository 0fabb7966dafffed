#include "mainwindow/setup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "common/bytes.h"
#include "common/configdir.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "run/kalvexrun.h"
#include "run/runsettingsstore.h"
#include "run/runsetup.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "run/commandline.h"

namespace {
// Settings hold at most 255 bytes.
std::string cutBytes(const QString& s) { return pal::cut(toBytes(s)); }

// A setting's text keeps its bytes: an edit remembers the bytes it was filled
// with and gives them back while its text is unchanged, so a name in another
// encoding ("C:\B\xFCro") survives OK, Cancel and Store.
const char* const kShownBytes = "settingBytes";
void showBytes(QLineEdit* e, const std::string& bytes) {
    e->setText(textFromBytes(bytes));  // Latin-1 where the bytes are not UTF-8
    e->setProperty(kShownBytes, byteArrayOf(bytes));
}
std::string editBytes(const QLineEdit* e) {
    const QVariant shown = e->property(kShownBytes);
    if (shown.isValid()) {
        const std::string bytes = bytesOf(shown.toByteArray());
        if (e->text() == textFromBytes(bytes)) return bytes;
    }
    return cutBytes(e->text());
}
}  // namespace

TSetupDlg::TSetupDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SetupDlg"));
    setWindowTitle(QStringLiteral("PALUMARO Setup"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(buildConfigPage());
    pages_->addWidget(buildQuivetPage());
    pages_->addWidget(buildCompilePage());
    pages_->addWidget(buildDirectoriesPage());

    tabSet_ = new QTabBar(this);
    tabSet_->setObjectName(QStringLiteral("TabSet"));
    tabSet_->setShape(QTabBar::RoundedSouth);
    tabSet_->setExpanding(false);
    connect(tabSet_, &QTabBar::currentChanged, this, &TSetupDlg::TabSetClick);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* store = new QPushButton(QStringLiteral("Store"), this);
    store->setObjectName(QStringLiteral("Store"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    // Cancel applies the dialog exactly like OK: both rewrite the switches file.
    connect(cancel, &QPushButton::clicked, this, &TSetupDlg::reject);
    connect(store, &QPushButton::clicked, this, &TSetupDlg::StoreClick);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(store);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(pages_, 1);
    left->addWidget(tabSet_);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    FormCreate();
}

void TSetupDlg::FormCreate() {
    for (int i = 0; i < pages_->count(); ++i) tabSet_->addTab(pages_->widget(i)->objectName());
    tabSet_->setCurrentIndex(0);
}

void TSetupDlg::TabSetClick(int index) {
    if (index >= 0 && index < pages_->count()) pages_->setCurrentIndex(index);
}

QWidget* TSetupDlg::buildConfigPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Config"));
    auto* group = new QGroupBox(QStringLiteral("Configure"), page);
    auto* v = new QVBoxLayout(group);
    static const char* names[] = {"SimStatus",     "WriteHeader",      "WriteLabels",  "WriteUnits",
                                  "CheckUnlinked", "CheckInputOutput", "PrintWarnings"};
    for (int i = 0; i < 7; ++i) {
        switches_[i] = new QCheckBox(QString::fromLatin1(pal::kKvnCaptions[i]), group);
        switches_[i]->setObjectName(QString::fromLatin1(names[i]));
        v->addWidget(switches_[i]);
    }
    v->addStretch();
    // The engine's page also holds how tables run (kept apart from PALUMARO.DFT).
    auto* h = new QHBoxLayout(page);
    h->addWidget(group);
    tableRuns_ = new TRunSetupGroup(page);
    h->addWidget(tableRuns_, 1);
    return page;
}

QWidget* TSetupDlg::buildQuivetPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("QUIVET"));
    auto* group = new QGroupBox(QStringLiteral("QUIVET"), page);
    auto* units = new QGroupBox(QStringLiteral("Units"), group);
    SIB = new QRadioButton(QStringLiteral("SI"), units);
    SIB->setObjectName(QStringLiteral("SIB"));
    English = new QRadioButton(QStringLiteral("English"), units);
    English->setObjectName(QStringLiteral("English"));
    auto* uv = new QVBoxLayout(units);
    uv->addWidget(SIB);
    uv->addWidget(English);
    auto* defaults = new QGroupBox(QStringLiteral("Include Defaults"), group);
    Header = new QCheckBox(QStringLiteral("Header"), defaults);
    Header->setObjectName(QStringLiteral("Header"));
    Simulationcard = new QCheckBox(QStringLiteral("Simulation card"), defaults);
    Simulationcard->setObjectName(QStringLiteral("Simulationcard"));
    auto* dv = new QVBoxLayout(defaults);
    dv->addWidget(Header);
    dv->addWidget(Simulationcard);
    // The hidden version group carries the 32-bit flag of the settings file.
    auto* version = new QGroupBox(QStringLiteral("Version"), group);
    version->setObjectName(QStringLiteral("Version"));
    B16 = new QRadioButton(QStringLiteral("16 bit"), version);
    B16->setObjectName(QStringLiteral("B16"));
    B32 = new QRadioButton(QStringLiteral("32 bit"), version);
    B32->setObjectName(QStringLiteral("B32"));
    auto* vv = new QVBoxLayout(version);
    vv->addWidget(B16);
    vv->addWidget(B32);
    B16->setChecked(true);
    version->hide();
    auto* h = new QHBoxLayout(group);
    h->addWidget(units);
    h->addWidget(defaults);
    h->addWidget(version);
    (new QVBoxLayout(page))->addWidget(group);
    return page;
}

QLineEdit* TSetupDlg::addEdit(QGridLayout* grid, int row, const QString& name, const QString& label,
                              const QString& text, Browse browse, QLabel** labelOut) {
    auto* l = new QLabel(label);
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setMaxLength(255);
    e->setMinimumWidth(320);
    l->setBuddy(e);
    grid->addWidget(l, row, 0);
    grid->addWidget(e, row, 1);
    auto* b = new QPushButton(QStringLiteral("Browse..."));
    b->setObjectName(name + QStringLiteral("Browse"));
    b->setAutoDefault(false);
    grid->addWidget(b, row, 2);
    connect(b, &QPushButton::clicked, this, [this, e, label, browse] { BrowseClick(e, label, browse); });
    if (labelOut) *labelOut = l;
    return e;
}

void TSetupDlg::BrowseClick(QLineEdit* edit, const QString& label, Browse browse) {
    if (browse == Browse::Directory) {
        const auto chosen = seams().dialogs->chooseDirectory(QStringLiteral("Select the directory of ") + label);
        if (chosen && !chosen->isEmpty()) edit->setText(*chosen);
        return;
    }
    // A program: it replaces the first word of the command line, the arguments stay.
    FileDialogRequest r;
    r.title = QStringLiteral("Select the program for ") + label;
    r.filters = {QStringLiteral("All files (*)")};
    r.mustExist = true;
    const auto words = run::splitWords(editBytes(edit));
    if (!words.empty()) r.fileName = toQ(words.front());
    const auto chosen = seams().dialogs->getFile(r);
    if (!chosen || chosen->path.isEmpty()) return;
    edit->setText(toQ(run::withProgram(editBytes(edit), toBytes(chosen->path))));
}

QWidget* TSetupDlg::buildCompilePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Compile"));
    auto* group = new QGroupBox(QStringLiteral("Compiler"), page);
    auto* g = new QGridLayout(group);
    Compile = addEdit(g, 0, QStringLiteral("Compile"), QStringLiteral("Compile"),
                      QStringLiteral("\\F32\\BIN\\FL32.EXE /c"), Browse::Program);
    Build = addEdit(g, 1, QStringLiteral("Build"), QStringLiteral("Rebuild"),
                    QStringLiteral("\\F32\\BIN\\MAKE.EXE /S /F MAKQVT.DAT UPDATE"), Browse::Program);
    DOSCommand = addEdit(g, 2, QStringLiteral("DOSCommand"), QStringLiteral("User Command"), QString(),
                         Browse::Program);
    g->setRowStretch(3, 1);
    (new QVBoxLayout(page))->addWidget(group);
    return page;
}

QWidget* TSetupDlg::buildDirectoriesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Directories"));
    auto* group = new QGroupBox(QStringLiteral("Directories"), page);
    auto* g = new QGridLayout(group);
    KALVEX = addEdit(g, 0, QStringLiteral("KALVEX"), QStringLiteral("KALVEX"), QStringLiteral("C:\\KALVEX14"),
                     Browse::Directory);
    MORDAXX = addEdit(g, 1, QStringLiteral("MORDAXX"), QStringLiteral("MORDAX"), QStringLiteral("C:\\KALVEX14\\MORDAX"),
                      Browse::Directory, &MordaxLabel);
    MordaxLabel->setObjectName(QStringLiteral("MordaxLabel"));
    TEKLOR = addEdit(g, 2, QStringLiteral("TEKLOR"), QStringLiteral("TEKLOR"), QStringLiteral("C:\\KALVEX14\\ULM"),
                     Browse::Directory);
    ULM = addEdit(g, 3, QStringLiteral("ULM"), QStringLiteral("ULM"), QStringLiteral("C:\\KALVEX14\\ULM"), Browse::Directory);
    GASK = addEdit(g, 4, QStringLiteral("GASK"), QStringLiteral("GASK"), QStringLiteral("C:\\KALVEX14\\GASK"), Browse::Directory);
    ZOBREL = addEdit(g, 5, QStringLiteral("ZOBREL"), QStringLiteral("ZOBREL"), QStringLiteral("C:\\KALVEX14\\ZOBREL"),
                     Browse::Directory);
    g->setRowStretch(6, 1);
    (new QVBoxLayout(page))->addWidget(group);
    return page;
}

bool TSetupDlg::ReadDFT() {
    const run::SettingsReading r = run::readProgramSettings();
    if (!r.missing.empty()) {
        ShowAlert(toQ(r.missing), AlertKind::Error, true);
        return false;
    }
    if (r.damaged) ShowIoError(*r.damaged);
    return true;
}

bool TSetupDlg::FormActivate() {
    const pal::Settings& s = pal::app().settings;
    SIB->setChecked(s.unitSystem == 1);
    English->setChecked(s.unitSystem != 1);
    if (s.version32)
        B32->setChecked(true);
    else
        B16->setChecked(true);
    Header->setChecked(s.includeHeader == 1);
    Simulationcard->setChecked(s.includeSimCard == 1);
    showBytes(Compile, s.compileCommand);
    showBytes(Build, s.rebuildCommand);
    showBytes(DOSCommand, s.userCommand);
    showBytes(KALVEX, s.kalvexDir);
    showBytes(MORDAXX, s.mordaxDir);
    showBytes(TEKLOR, s.teklorDir);
    showBytes(ULM, s.ulmDir);
    showBytes(GASK, s.gaskDir);
    showBytes(ZOBREL, s.zobrelDir);
    const auto kvn = pal::findSettingsFile(pal::app().programDir, pal::kKvnName);
    if (!kvn) {
        // Other windows may hold unsaved work: report it and leave the dialog closed.
        ShowAlert(QStringLiteral("Please put the CNFGKV.KVN file in the PALUMARO directory"), AlertKind::Information, true);
        return false;
    }
    tableRuns_->fill(run::tableRunSettings(), run::EnginePath());
    MordaxLabel->setText(pal::app().velmora ? QStringLiteral("VELMORA") : QStringLiteral("MORDAX"));
    const pal::KvnSwitches on = pal::readKVN(*kvn);
    for (int i = 0; i < pal::kKvnSwitches; ++i) switches_[i]->setChecked(on[i]);
    return true;
}

void TSetupDlg::reject() {
    OKBtnClick();
    QDialog::reject();
}

void TSetupDlg::OKBtnClick() {
    pal::Settings& s = pal::app().settings;
    const int oldSystem = s.unitSystem;
    s.unitSystem = SIB->isChecked() ? 1 : 2;
    emit unitSystemChanged(oldSystem, s.unitSystem);
    s.version32 = B16->isChecked() ? 0 : 1;
    s.includeHeader = Header->isChecked() ? 1 : 0;
    s.includeSimCard = Simulationcard->isChecked() ? 1 : 0;
    s.kalvexDir = editBytes(KALVEX);
    s.mordaxDir = editBytes(MORDAXX);
    s.teklorDir = editBytes(TEKLOR);
    s.ulmDir = editBytes(ULM);
    s.gaskDir = editBytes(GASK);
    s.zobrelDir = editBytes(ZOBREL);
    s.compileCommand = editBytes(Compile);
    s.rebuildCommand = editBytes(Build);
    s.userCommand = editBytes(DOSCommand);
    run::tableRunSettings() = tableRuns_->settings();
    pal::KvnSwitches on{};
    for (int i = 0; i < pal::kKvnSwitches; ++i) on[i] = switches_[i]->isChecked();
    try {
        const std::string dir = pal::settingsWriteDir(pal::app().programDir);
        pal::seedSettingsFile(pal::app().programDir, dir, pal::kKvnName);
        pal::rewriteKVN(dir, on);
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}

void TSetupDlg::StoreClick() {
    OKBtnClick();
    try {
        pal::writeDFTFile(pal::settingsWritePath(pal::app().programDir, pal::kDftName), pal::app().settings);
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
    if (!run::storeTableRunSettings(run::tableRunSettings()))
        ShowAlert(QStringLiteral("The table-run settings could not be written to ") + run::runSettingsFile(), AlertKind::Error, true);
    accept();
}
