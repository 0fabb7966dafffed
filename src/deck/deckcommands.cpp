#include "deck/deckcommands.h"

#include <QAction>
#include <QDockWidget>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTreeWidget>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/messageboard.h"
#include "common/textfile.h"
#include "deck/deckassist.h"
#include "deck/listingmessages.h"
#include "deck/messagesdock.h"
#include "deck/outlinedock.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "text/editoru.h"
#include "text/fileviewer.h"
#include "text/viewer.h"

namespace deckedit {

namespace {

DeckHost g_host;
QPointer<QMainWindow> g_window;  // the host's calls are good while it lives
QPointer<TMessagesDock> g_messages;
QPointer<TOutlineDock> g_outline;

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

QList<TDocWindow*> documents() { return g_window && g_host.documents ? g_host.documents() : QList<TDocWindow*>(); }

TEditForm* editorOf(const QString& file) {
    for (TDocWindow* w : documents())
        if (auto* e = qobject_cast<TEditForm*>(w); e && sameFile(e->fileName(), file)) return e;
    return nullptr;
}

// A deck editor gets its assist when it first becomes active, after its text
// is loaded (loading then colours nothing).
TDeckAssist* assistFor(TDocWindow* w) {
    auto* e = qobject_cast<TEditForm*>(w);
    if (!e || (e->Tag() != Kind::DeckEditor && e->Tag() != Kind::QuivetEditor)) return nullptr;
    if (TDeckAssist* a = TDeckAssist::of(e)) return a;
    return new TDeckAssist(*e);
}

void showStatus(const QString& text) {
    if (g_window) g_window->statusBar()->showMessage(text);
}

void activate(TDocWindow* w) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
}

// The marks in the margins of the open decks follow the message board.
void markEditors() {
    for (TDocWindow* w : documents()) {
        auto* e = qobject_cast<TEditForm*>(w);
        TDeckAssist* a = TDeckAssist::of(e);
        if (!a || !a->gutter()) continue;
        std::vector<std::string> lines;
        QVector<TDeckGutter::Mark> marks;
        for (const pal::MessageSet& set : pal::messageBoard().sets()) {
            if (!sameFile(toQ(set.file), e->fileName())) continue;
            if (lines.empty()) lines = e->encodedLines();
            for (pal::FileMessage m : set.messages) {
                if (m.line <= 0 && !m.hasEcho) continue;
                if (set.source == pal::MessageSource::TableRun) m.hasEcho = false;
                marks.push_back({deck::placeOf(m, lines).line, m.severity, toQ(m.text)});
            }
        }
        a->gutter()->setMarks(marks);
    }
}

// Shows the listing in its viewer with the line selected.
void showListingAt(const QString& listing, int line) {
    if (listing.isEmpty() || !QFileInfo::exists(listing) || !g_window || !g_host.showListing) return;
    g_host.showListing(listing);
    for (TDocWindow* w : documents())
        if (auto* v = qobject_cast<TViewForm*>(w); v && sameFile(v->fileName(), listing)) {
            TFileViewer* fv = v->viewer();
            const qint64 l = std::max(line, 1) - 1;
            fv->selectRange({l, 0}, {l, static_cast<int>(fv->lineText(l).size())});
            activate(v);
        }
}

// The editor of the message's file, opened when there is none.
TEditForm* openEditor(const TMessagesDock::Entry& entry) {
    if (TEditForm* editor = editorOf(entry.file)) return editor;
    if (!QFileInfo::exists(entry.file)) {
        showStatus(entry.file + QStringLiteral(" no longer exists."));
        return nullptr;
    }
    if (pal::extensionTest(toBytes(entry.file)) != ".QVD") {
        if (!g_window || !g_host.openFile || !g_host.openFile(entry.file)) return nullptr;
        return editorOf(entry.file);
    }
    // A QUIVET file is opened as text, as Edit QUIVET file opens it.
    auto* e = new TEditForm;
    try {
        e->Open(entry.file);
    } catch (const pal::IoError& err) {
        delete e;
        ShowIoError(err);
        return nullptr;
    }
    e->setTag(Kind::QuivetEditor);
    if (!g_window || !g_host.addDocument) {
        delete e;
        return nullptr;
    }
    g_host.addDocument(e);
    return e;
}

void goToMessage(const TMessagesDock::Entry& entry) {
    pal::FileMessage m = entry.message;
    const bool tableRun = entry.source == pal::MessageSource::TableRun;
    // Nothing ties the message to a deck line, or the table's deck is not open
    // (opening it would close the table): the listing shows where it stands.
    if (!m.listing.empty() && ((m.line <= 0 && !m.hasEcho) || (tableRun && !editorOf(entry.file)))) {
        showListingAt(toQ(m.listing), m.listingLine);
        if (m.line <= 0) showStatus(QStringLiteral("The listing ties this message to no deck line."));
        return;
    }
    TEditForm* editor = openEditor(entry);
    if (!editor) return;
    activate(editor);
    TDeckAssist* assist = assistFor(editor);
    if (!assist) assist = new TDeckAssist(*editor);
    // Run decks are upper-cased copies with the table's values: their lines match by number.
    if (tableRun) m.hasEcho = false;
    const deck::LinePlace place = deck::placeOf(m, editor->encodedLines());
    assist->goToLine(place.line, true);
    showStatus(place.note.empty() ? toQ(m.text) : toQ(place.note));
}

void subWindowActivated(QMdiSubWindow* sub) {
    auto* w = sub ? qobject_cast<TDocWindow*>(sub->widget()) : nullptr;
    // The outline stays with the last deck while the panels have the focus.
    if (!w || !g_outline) return;
    TDeckAssist* a = assistFor(w);
    g_outline->follow(a);
    if (a) markEditors();
}

void publishListing(pal::MessageSource source, const QString& deck, const QString& listing) {
    std::vector<std::string> lines;
    try {
        lines = pal::readLines(toBytes(listing));
    } catch (const pal::IoError& e) {
        showStatus(QStringLiteral("The listing %1 cannot be read: %2").arg(listing, toQ(e.what())));
        return;
    }
    pal::MessageSet set = deck::engineMessages(source, toBytes(deck), toBytes(listing), lines);
    int errors = 0, warnings = 0;
    for (const auto& m : set.messages) (m.severity == pal::Severity::Error ? errors : warnings)++;
    pal::messageBoard().publish(std::move(set));
    showStatus(QStringLiteral("KALVEX run of %1: %2").arg(QFileInfo(deck).fileName(), toQ(deck::countText(errors, warnings))));
}

}  // namespace

void install(const DeckHost& host) {
    g_host = host;
    g_window = host.window;
    QMainWindow& main = *host.window;
    g_messages = new TMessagesDock(&main);
    g_outline = new TOutlineDock(&main);
    main.addDockWidget(Qt::BottomDockWidgetArea, g_messages);
    main.addDockWidget(Qt::LeftDockWidgetArea, g_outline);
    QObject::connect(g_messages, &TMessagesDock::messageActivated, &main, [](const TMessagesDock::Entry& e) { goToMessage(e); });
    if (host.area) QObject::connect(host.area, &QMdiArea::subWindowActivated, g_outline, &subWindowActivated);
    // The panels start hidden: the Windows menu shows them, the remembered layout
    // brings them back, and new messages bring up the Messages panel.
    g_messages->hide();
    g_outline->hide();
    const int listener = pal::messageBoard().subscribe([] {
        markEditors();
        const auto& sets = pal::messageBoard().sets();
        if (g_messages && !sets.empty() && !sets.back().messages.empty()) g_messages->show();
    });
    QObject::connect(g_messages, &QObject::destroyed, [listener] { pal::messageBoard().unsubscribe(listener); });

    auto* next = new QAction(QStringLiteral("Next Message"), &main);
    next->setObjectName(QStringLiteral("NextMessage1"));
    next->setShortcut(Qt::Key_F4);
    auto* previous = new QAction(QStringLiteral("Previous Message"), &main);
    previous->setObjectName(QStringLiteral("PreviousMessage1"));
    previous->setShortcut(Qt::SHIFT | Qt::Key_F4);
    QObject::connect(next, &QAction::triggered, g_messages, [] { g_messages->step(+1); });
    QObject::connect(previous, &QAction::triggered, g_messages, [] { g_messages->step(-1); });
    main.addAction(next);
    main.addAction(previous);
}

TMessagesDock* messagesDock() { return g_messages; }
TOutlineDock* outlineDock() { return g_outline; }

QList<QAction*> panelToggles() {
    QList<QAction*> toggles;
    for (QDockWidget* panel : {static_cast<QDockWidget*>(g_messages), static_cast<QDockWidget*>(g_outline)}) {
        if (!panel) continue;
        QAction* toggle = panel->toggleViewAction();
        toggle->setObjectName(panel->objectName().replace(QStringLiteral("Dock"), QStringLiteral("1")));
        toggles << toggle;
    }
    return toggles;
}

void runStarting(const QString& deck) { pal::messageBoard().publish({pal::MessageSource::Engine, toBytes(deck), {}}); }

void runFinished(const QString& deck, const QDateTime& started) {
    std::vector<std::string> deckLines;
    try {
        deckLines = pal::readLines(toBytes(deck));
    } catch (const pal::IoError&) {
        // Without the deck only its companion listing is looked for.
    }
    // Only a listing this run wrote counts (file times have a coarse grain).
    const QDateTime since = started.addSecs(-2);
    for (const std::string& candidate : deck::listingCandidates(toBytes(deck), deckLines)) {
        const QFileInfo info(toQ(candidate));
        if (info.isFile() && info.lastModified() >= since) {
            publishListing(pal::MessageSource::Engine, deck, info.filePath());
            return;
        }
    }
    showStatus(QStringLiteral("KALVEX run of %1: it wrote no listing.").arg(QFileInfo(deck).fileName()));
}

void showRunListing(const QString& listing, const QString& deck) {
    publishListing(pal::MessageSource::TableRun, deck, listing);
    int first = 1;
    for (const pal::MessageSet& set : pal::messageBoard().sets()) {
        if (set.source != pal::MessageSource::TableRun || set.file != toBytes(deck) || set.messages.empty()) continue;
        first = set.messages.front().listingLine;
        for (const auto& m : set.messages)
            if (m.severity == pal::Severity::Error) {
                first = m.listingLine;
                break;
            }
    }
    showListingAt(listing, first);
}

}  // namespace deckedit
