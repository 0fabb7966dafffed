#include "deck/deckcommands.h"

#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTreeWidget>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "deck/deckassist.h"
#include "deck/deckhighlighter.h"
#include "deck/messagesdock.h"
#include "deck/outlinedock.h"
#include "text/editoru.h"
#include "text/fileviewer.h"
#include "mainwindow/palumaro.h"
#include "shell/qtbytes.h"
#include "text/viewer.h"

namespace deckedit {

namespace {

QPointer<TPALUMAROFORM> g_main;
QPointer<TMessagesDock> g_messages;
QPointer<TOutlineDock> g_outline;

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

bool isDeckKind(int tag) { return tag == Kind::DeckEditor || tag == Kind::QuivetEditor; }

TEditForm* editorOf(const QString& file) {
    if (!g_main) return nullptr;
    for (TDocWindow* w : g_main->docWindows())
        if (auto* e = qobject_cast<TEditForm*>(w); e && sameFile(e->fileName(), file)) return e;
    return nullptr;
}

// The deck editors get their assist when they first become active (after
// their text is loaded, so that loading colours nothing).
TDeckAssist* assistFor(TDocWindow* w) {
    auto* e = qobject_cast<TEditForm*>(w);
    if (!e || !isDeckKind(e->Tag())) return nullptr;
    if (TDeckAssist* a = TDeckAssist::of(e)) return a;
    return new TDeckAssist(*e);
}

void showStatus(const QString& text) {
    if (g_main) g_main->statusBar()->showMessage(text);
}

void activate(TDocWindow* w) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
}

// The marks in the margins of the open decks follow the message board.
void markEditors() {
    if (!g_main) return;
    for (TDocWindow* w : g_main->docWindows()) {
        auto* e = qobject_cast<TEditForm*>(w);
        TDeckAssist* a = TDeckAssist::of(e);
        if (!a || !a->gutter()) continue;
        std::vector<std::string> lines;
        QVector<TDeckGutter::Mark> marks;
        for (const deck::MessageSet& set : deck::messageBoard().sets()) {
            if (!sameFile(toQ(set.file), e->fileName())) continue;
            if (lines.empty()) lines = e->encodedLines();
            for (const deck::BoardMessage& m : set.messages) {
                if (m.where.deckLine <= 0 && !m.where.hasEcho) continue;
                marks.push_back({deck::placeOf(m.where, lines).line, m.severity, toQ(m.where.text)});
            }
        }
        a->gutter()->setMarks(marks);
    }
}

// Shows the listing in its viewer with the line selected.
void showListingAt(const QString& listing, int line) {
    if (!g_main || listing.isEmpty() || !QFileInfo::exists(listing)) return;
    g_main->GetLSTFile(listing, true);
    for (TDocWindow* w : g_main->docWindows())
        if (auto* v = qobject_cast<TViewForm*>(w); v && sameFile(v->fileName(), listing)) {
            TFileViewer* fv = v->viewer();
            const qint64 l = std::max(line, 1) - 1;
            fv->selectRange({l, 0}, {l, static_cast<int>(fv->lineText(l).size())});
            activate(v);
        }
}

void goToMessage(const TMessagesDock::Entry& entry) {
    if (!g_main) return;
    const deck::BoardMessage& m = entry.message;
    if (m.where.deckLine <= 0 && !m.where.hasEcho && !m.listing.empty()) {
        // Nothing ties it to a deck line: the listing shows where it stands.
        showListingAt(toQ(m.listing), m.where.listingLine);
        showStatus(QStringLiteral("The listing ties this message to no deck line."));
        return;
    }
    TEditForm* editor = editorOf(entry.file);
    if (!editor) {
        if (!QFileInfo::exists(entry.file)) {
            showStatus(entry.file + QStringLiteral(" no longer exists."));
            return;
        }
        const QString ext = toQ(pal::extensionTest(toBytes(entry.file)));
        if (ext == QLatin1String(".QVD")) {
            // A QUIVET file is opened as text, beside any form on it.
            auto* e = new TEditForm;
            try {
                e->Open(entry.file);
            } catch (const pal::IoError& err) {
                delete e;
                ShowIoError(err);
                return;
            }
            e->setTag(Kind::QuivetEditor);
            g_main->addDocWindow(e);
            editor = e;
        } else {
            if (!g_main->openAsChosen(entry.file)) return;
            editor = editorOf(entry.file);
        }
        if (!editor) return;
    }
    activate(editor);
    TDeckAssist* assist = assistFor(editor);
    if (!assist) assist = new TDeckAssist(*editor);
    deck::EngineMessage where = m.where;
    if (entry.source == deck::Source::TableRun) where.hasEcho = false;  // run decks are upper-cased copies
    const deck::LinePlace place = deck::placeOf(where, editor->encodedLines());
    assist->goToLine(place.line, true);
    showStatus(place.note.empty() ? toQ(m.where.text) : toQ(place.note));
}

void subWindowActivated(QMdiSubWindow* sub) {
    if (!g_outline) return;
    auto* w = sub ? qobject_cast<TDocWindow*>(sub->widget()) : nullptr;
    if (!w) return;  // the outline stays with the last deck while other panels have the focus
    TDeckAssist* a = assistFor(w);
    g_outline->follow(a);
    if (a) markEditors();
}

void publishListing(deck::Source source, const QString& deck, const QString& listing) {
    std::vector<std::string> lines;
    try {
        lines = pal::readLines(toBytes(listing));
    } catch (const pal::IoError& e) {
        showStatus(QStringLiteral("The listing %1 cannot be read: %2").arg(listing, toQ(e.what())));
        return;
    }
    deck::MessageSet set = deck::engineMessages(source, toBytes(deck), toBytes(listing), lines);
    int errors = 0, warnings = 0;
    for (const auto& m : set.messages) (m.severity == deck::Severity::Error ? errors : warnings)++;
    deck::messageBoard().publish(std::move(set));
    showStatus(QStringLiteral("KALVEX run of %1: %2")
                   .arg(QFileInfo(deck).fileName(), toQ(deck::countText(errors, warnings))));
    if (g_messages && errors + warnings > 0) g_messages->show();
}

}  // namespace

void install(TPALUMAROFORM& main) {
    g_main = &main;
    g_messages = new TMessagesDock(&main);
    g_outline = new TOutlineDock(&main);
    main.addDockWidget(Qt::BottomDockWidgetArea, g_messages);
    main.addDockWidget(Qt::LeftDockWidgetArea, g_outline);
    QObject::connect(g_messages, &TMessagesDock::messageActivated, &main, [](const TMessagesDock::Entry& e) { goToMessage(e); });
    QObject::connect(main.mdiArea(), &QMdiArea::subWindowActivated, g_outline, &subWindowActivated);
    const int listener = deck::messageBoard().subscribe([] { markEditors(); });
    QObject::connect(g_messages, &QObject::destroyed, [listener] { deck::messageBoard().unsubscribe(listener); });

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

void runStarting(const QString& deck) {
    deck::messageBoard().publish({deck::Source::Engine, toBytes(deck), {}});
}

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
            publishListing(deck::Source::Engine, deck, info.filePath());
            return;
        }
    }
    showStatus(QStringLiteral("KALVEX run of %1: it wrote no listing.").arg(QFileInfo(deck).fileName()));
}

void showRunListing(const QString& listing, const QString& deck) {
    publishListing(deck::Source::TableRun, deck, listing);
    int first = 1;
    for (const deck::MessageSet& set : deck::messageBoard().sets())
        if (set.source == deck::Source::TableRun && set.file == toBytes(deck) && !set.messages.empty()) {
            first = set.messages.front().where.listingLine;
            for (const auto& m : set.messages)
                if (m.severity == deck::Severity::Error) {
                    first = m.where.listingLine;
                    break;
                }
        }
    showListingAt(listing, first);
}

}  // namespace deckedit
