#include "deck/deckassist.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/settings.h"
#include "deck/deckhighlighter.h"
#include "deck/typeindex.h"
#include "help/helpcommands.h"
#include "help/helptext.h"
#include "quivet/fieldnumber.h"
#include "quivet/typeinfo.h"
#include "text/editoru.h"
#include "shell/qtbytes.h"

namespace {

constexpr int kNumberRole = Qt::UserRole + 1;

std::string engineFolderNow() {
    const auto& a = pal::app();
    return quivet::engineFolder(a.settings.kalvexDir, a.programDir);
}

bool ascii(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// "UNIT 3 TYPE " or "unit 3 type 1" before the caret: the digits typed so far.
const QRegularExpression& afterType() {
    static const QRegularExpression re(QStringLiteral("^\\s*UNI\\S*\\s+\\S+\\s+TYPE\\s+(\\d*)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

}  // namespace

TDeckAssist::TDeckAssist(TEditForm& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("DeckAssist"));
    QPlainTextEdit* editor = form.editor();
    highlighter_ = new TDeckHighlighter(editor);
    if (auto* control = qobject_cast<TEditControl*>(editor)) gutter_ = new TDeckGutter(control);

    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    idle_->setInterval(kIdleMs);
    connect(idle_, &QTimer::timeout, this, &TDeckAssist::readInBackground);
    connect(editor->document(), &QTextDocument::contentsChange, this, &TDeckAssist::contentsChanged);
    // The first reading once the window has shown the text.
    QTimer::singleShot(0, this, &TDeckAssist::readInBackground);

    types_ = new QStandardItemModel(this);
    completer_ = new QCompleter(types_, this);
    completer_->setObjectName(QStringLiteral("TypeCompleter"));
    completer_->setWidget(editor);
    completer_->setCompletionRole(kNumberRole);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this, &TDeckAssist::insertType);

    editor->installEventFilter(this);
    editor->viewport()->installEventFilter(this);
}

TDeckAssist* TDeckAssist::of(const TEditForm* form) {
    return form ? form->findChild<TDeckAssist*>(QStringLiteral("DeckAssist"), Qt::FindDirectChildrenOnly) : nullptr;
}

void TDeckAssist::contentsChanged(int position, int removed, int added) {
    idle_->start();
    // Typing after "TYPE " offers the installed types.
    QPlainTextEdit* editor = form_.editor();
    if (added > 0 && removed == 0 && editor->textCursor().position() == position + added)
        offerTypes();
    else if (completer_->popup()->isVisible() && !offerTypes())
        completer_->popup()->hide();
}

TDeckAssist::Reading TDeckAssist::read(const std::vector<std::string>& lines, const std::string& folder, int revision) {
    Reading r;
    r.revision = revision;
    r.outline = deck::buildOutline(lines, deck::readTypeIndex(folder));
    r.values = deck::describeValues(lines, folder);
    return r;
}

void TDeckAssist::refresh() {
    const int revision = form_.editor()->document()->revision();
    if (readRevision_ == revision) return;
    idle_->stop();
    take(read(form_.encodedLines(), engineFolderNow(), revision));
}

void TDeckAssist::readInBackground() {
    QTextDocument* doc = form_.editor()->document();
    // A reading under way is taken or done again when it ends.
    if (readRevision_ == doc->revision() || reading_) return;
    reading_ = true;
    // Only copies go to the reading: the window may close while it runs.
    auto result = std::make_shared<Reading>();
    auto promise = std::make_shared<QPromise<void>>();
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, result] {
        reading_ = false;
        watcher->deleteLater();
        take(std::move(*result));
        // Typed on while it was read: read once more after the pause.
        if (readRevision_ != form_.editor()->document()->revision() && !idle_->isActive()) idle_->start();
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start(
        [promise, result, text = form_.snapshot(), folder = engineFolderNow(), revision = doc->revision()] {
            promise->start();
            try {
                *result = read(text.encodedLines(), folder, revision);
            } catch (const std::exception&) {
                // Nothing read (out of memory): an empty outline for this text.
                result->revision = revision;
            }
            promise->finish();
        });
}

void TDeckAssist::take(Reading&& reading) {
    QTextDocument* doc = form_.editor()->document();
    if (reading.revision != doc->revision() || reading.revision == readRevision_) return;
    readRevision_ = reading.revision;
    values_ = std::move(reading.values);

    QHash<int, QVector<TDeckHighlighter::Span>> marks;
    for (const deck::ValueInfo& v : values_.values) {
        if (!v.outOfLimits) continue;
        const QString text = doc->findBlockByNumber(v.line).text();
        const int start = charColumn(text, v.column);
        marks[v.line].push_back({start, charColumn(text, v.column + v.length) - start});
    }
    highlighter_->setLimitMarks(std::move(marks));
    if (reading.outline != outline_) {
        outline_ = std::move(reading.outline);
        emit outlineChanged();
    }
}

std::size_t TDeckAssist::byteColumn(const QString& line, int column) const {
    if (form_.encoding() == TEditForm::Encoding::Latin1 || ascii(line)) return static_cast<std::size_t>(column);
    return encodeText(line.left(column), true).size();
}

int TDeckAssist::charColumn(const QString& line, std::size_t column) const {
    if (form_.encoding() == TEditForm::Encoding::Latin1 || ascii(line)) return static_cast<int>(column);
    const std::string bytes = encodeText(line, true);
    return static_cast<int>(decodeText(std::string_view(bytes).substr(0, std::min(column, bytes.size())), true).size());
}

void TDeckAssist::goToLine(int line, bool mark) {
    QPlainTextEdit* editor = form_.editor();
    QTextDocument* doc = editor->document();
    const QTextBlock b = doc->findBlockByNumber(std::clamp(line, 1, doc->blockCount()) - 1);
    QTextCursor c(b);
    editor->setTextCursor(c);
    editor->centerCursor();
    QList<QTextEdit::ExtraSelection> marks;
    marked_ = 0;
    if (mark) {
        QTextEdit::ExtraSelection s;
        s.cursor = c;
        s.format.setBackground(QColor(0xFF, 0xF0, 0xB0));
        s.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << s;
        marked_ = b.blockNumber() + 1;
    }
    editor->setExtraSelections(marks);
    editor->setFocus();
}

int TDeckAssist::markedLine() const {
    const auto marks = form_.editor()->extraSelections();
    return marks.isEmpty() || !marked_ ? 0 : marks.front().cursor.blockNumber() + 1;
}

QString TDeckAssist::hoverText(const QPoint& viewportPos) {
    QTextDocument* doc = form_.editor()->document();
    if (readRevision_ != doc->revision()) {
        // A long deck is not read while the pointer waits: the next hover has it.
        if (doc->blockCount() > kReadInWindow) {
            readInBackground();
            return {};
        }
        refresh();
    }
    const QTextCursor c = form_.editor()->cursorForPosition(viewportPos);
    // The point must be over the text, not past the end of a short line.
    const QRect r = form_.editor()->cursorRect(c);
    if (std::abs(r.center().x() - viewportPos.x()) > r.height()) return {};
    const QString text = c.block().text();
    int col = c.positionInBlock();
    // cursorForPosition gives the nearer edge: look at the character under the point.
    if (col > 0 && viewportPos.x() < r.center().x()) --col;
    const deck::ValueInfo* v = deck::valueAt(values_, c.blockNumber(), byteColumn(text, col));
    return v ? toQ(deck::hoverText(*v)) : QString();
}

QString TDeckAssist::typeAtCaret() const {
    const QString line = form_.editor()->textCursor().block().text();
    const std::string bytes = encodeText(line, form_.encoding() == TEditForm::Encoding::Utf8);
    const deck::ClassifiedLine c = deck::classifyLine(bytes, deck::LineState{}, false);
    if (c.statement != deck::Statement::Unit) return {};
    return toQ(deck::unitTypeNumber(bytes.substr(0, bytes.find('!'))));
}

bool TDeckAssist::offerTypes() {
    QPlainTextEdit* editor = form_.editor();
    const QTextCursor cur = editor->textCursor();
    const QString before = cur.block().text().left(cur.positionInBlock());
    const auto m = afterType().match(before);
    if (!m.hasMatch()) return false;
    types_->clear();
    for (const deck::TypeEntry& t : deck::readTypeIndex(engineFolderNow())) {
        auto* item = new QStandardItem(QString::number(t.number) + QStringLiteral("  ") + toQ(t.name));
        item->setData(QString::number(t.number), kNumberRole);
        types_->appendRow(item);
    }
    if (types_->rowCount() == 0) return false;
    completer_->setCompletionPrefix(m.captured(1));
    if (completer_->completionCount() == 0) {
        completer_->popup()->hide();
        return false;
    }
    QRect r = editor->cursorRect();
    r.setWidth(completer_->popup()->sizeHintForColumn(0) + completer_->popup()->verticalScrollBar()->sizeHint().width());
    completer_->complete(r);
    return true;
}

void TDeckAssist::insertType(const QString& number) {
    QTextCursor cur = form_.editor()->textCursor();
    const QString before = cur.block().text().left(cur.positionInBlock());
    const auto m = afterType().match(before);
    if (m.hasMatch()) cur.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, static_cast<int>(m.capturedLength(1)));
    cur.insertText(number);
    form_.editor()->setTextCursor(cur);
}

bool TDeckAssist::showTypeHelp() {
    const QString type = typeAtCaret();
    if (type.isEmpty()) return false;
    std::string number = toBytes(type);
    if (const auto n = quivet::parseFieldInteger(number)) number = std::to_string(*n);
    const std::string name = deck::typeName(deck::readTypeIndex(engineFolderNow()), number);
    const QString subject = QStringLiteral("TYPE ") + type + (name.empty() ? QString() : QStringLiteral(" ") + toQ(name));
    // A help text that the installation's index gives the type comes first.
    const auto& a = pal::app();
    const auto indexes = pal::matchFiles(a.programDir, "*.IDX");
    if (!indexes.empty()) {
        const std::string indexPath = pal::joinPath(a.programDir, indexes.back());
        try {
            const std::string help = deck::typeHelpFile(pal::readIndexFile(indexPath).entries, number);
            if (!help.empty()) {
                help::ShowHelp(subject, toQ(pal::resolveDataPath(help, a.programDir)), QString());
                return true;
            }
        } catch (const pal::IoError&) {
            // An unreadable index gives no help text; the type's information does.
        }
    }
    const std::string text = deck::typeInfoText(engineFolderNow(), number);
    help::ShowHelp(subject, QString(), textFromBytes(text));
    return true;
}

bool TDeckAssist::eventFilter(QObject* watched, QEvent* event) {
    // Only these events are looked at: the window may be half destroyed at others.
    const QEvent::Type type = event->type();
    if (type != QEvent::ToolTip && type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    QPlainTextEdit* editor = form_.editor();
    if (watched == editor->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = hoverText(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, editor->viewport());
        return true;
    }
    if (watched == editor && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* k = static_cast<QKeyEvent*>(event);
        const auto mods = k->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        const bool f1 = k->key() == Qt::Key_F1 && mods == Qt::NoModifier && !typeAtCaret().isEmpty();
        const bool space = k->key() == Qt::Key_Space && mods == Qt::ControlModifier;
        if (f1 || space) {
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                if (f1)
                    showTypeHelp();
                else
                    offerTypes();
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
