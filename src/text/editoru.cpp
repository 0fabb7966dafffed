#include "text/editoru.h"

#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "text/finddialog.h"
#include "shell/fonts.h"
#include "shell/printcontext.h"
#include "shell/seams.h"
#include "shell/qtbytes.h"
#include "text/textlines.h"
#include "common/utf8check.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Splits file bytes into lines the way readLines does: LF or CR LF ends a line,
// a last line without an end counts, an empty file has no line.
std::vector<std::string_view> splitLines(std::string_view data) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t nl = data.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? data.size() : nl;
        std::size_t lineEnd = end;
        if (lineEnd > start && data[lineEnd - 1] == '\r') --lineEnd;
        lines.push_back(data.substr(start, lineEnd - start));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return lines;
}

QTextDocument::FindFlags findFlags(const TFindDialog& d, bool forward) {
    QTextDocument::FindFlags f;
    if (!forward) f |= QTextDocument::FindBackward;
    if (d.matchCase()) f |= QTextDocument::FindCaseSensitively;
    if (d.wholeWord()) f |= QTextDocument::FindWholeWords;
    return f;
}

}  // namespace

// ---------------------------------------------------------------- TEditControl

TEditControl::TEditControl(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("Editor"));
    setFont(lineDrawFont());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameShape(QFrame::NoFrame);
    setTabChangesFocus(false);
    setTabStopDistance(textlines::kTabWidth * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    QPalette pal = palette();
    pal.setColor(QPalette::Text, Qt::black);
    // The selection stays highlighted when the window loses the focus.
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);
}

static bool isRedoKey(const QKeyEvent* k) {
    const auto mods = k->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    return (k->key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
           (k->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
}

static bool isInsertKey(const QKeyEvent* k) {
    return k->key() == Qt::Key_Insert && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool TEditControl::event(QEvent* e) {
    // These keys belong to the editor even when a menu shortcut would take them.
    if (e->type() == QEvent::ShortcutOverride) {
        const auto* k = static_cast<QKeyEvent*>(e);
        if (isRedoKey(k) || isInsertKey(k)) {
            e->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

void TEditControl::keyPressEvent(QKeyEvent* e) {
    if (isInsertKey(e)) {
        setOverwriteMode(!overwriteMode());
        viewport()->update();
        return;
    }
    if (isRedoKey(e)) {
        redo();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

// ------------------------------------------------------------------ TEditForm

TEditForm::TEditForm(QWidget* parent) : TDocWindow(Kind::TextEditor, parent) {
    setWindowTitle(QStringLiteral("Untitled.DCK"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    editor_ = new TEditControl(this);
    layout->addWidget(editor_);
    setFocusProxy(editor_);

    findDialog_ = new TFindDialog(this);
    replaceDialog_ = new TReplaceDialog(this);
    connect(findDialog_, &TFindDialog::findNext, this, &TEditForm::Find);
    connect(replaceDialog_, &TFindDialog::findNext, this, &TEditForm::findFromReplaceDialog);
    connect(replaceDialog_, &TReplaceDialog::replace, this, &TEditForm::Replace);
    connect(editor_->document(), &QTextDocument::modificationChanged, this, &TEditForm::refreshModifiedMarker);
}

TEditForm::~TEditForm() = default;

void TEditForm::setFileName(const QString& path) {
    fileName_ = path;
    setWindowTitle(path);
}

bool TEditForm::isModified() const { return editor_->document()->isModified(); }

void TEditForm::FormActivate() { editor_->setFocus(); }

QString TEditForm::toDisplay(const QString& line) const {
    QString s = line;
    for (const StandIn& m : standIns_) s.replace(m.original, m.shown);
    return s;
}

QString TEditForm::fromDisplay(const QString& line) const {
    QString s = line;
    for (const StandIn& m : standIns_) s.replace(m.shown, m.original);
    return s;
}

void TEditForm::Open(const QString& path) {
    setTag(pal::extensionTest(toBytes(path)) == ".DCK" ? Kind::DeckEditor : Kind::TextEditor);
    setFileName(path);

    const std::string file = pal::readFileBytes(toBytes(path));
    std::string_view data(file);
    // A byte-order mark is kept apart from the text and written back in front of it.
    bom_ = data.substr(0, 3) == kBom && pal::isValidUtf8(data.substr(3));
    if (bom_) data.remove_prefix(3);
    // UTF-8 only when Qt gives back exactly these bytes, so saving changes nothing.
    bool utf8 = pal::isValidUtf8(data);
    if (utf8) utf8 = encodeText(decodeText(data, true), true) == data;
    if (!utf8 && bom_) {
        bom_ = false;
        data = file;
    }
    encoding_ = utf8 ? Encoding::Utf8 : Encoding::Latin1;

    QStringList decoded;
    for (std::string_view line : splitLines(data)) decoded << decodeText(line, utf8);

    // Stand-ins for the characters a text block cannot hold, chosen among
    // characters the file does not use.
    standIns_.clear();
    std::vector<bool> used(0x10000, false);  // by UTF-16 unit
    for (const QString& l : decoded)
        for (const QChar c : l) used[c.unicode()] = true;
    char16_t next = 0xE000;  // private use area
    const auto freeChar = [&](char16_t preferred) {
        char16_t c = preferred;
        while (used[c]) c = next++;
        used[c] = true;
        return QChar(c);
    };
    const char16_t awkward[] = {u'\r', 0x2029, 0xFDD0, 0xFDD1};
    const char16_t preferred[] = {0x240D, 0x2761, 0xE000, 0xE001};
    for (int k = 0; k < 4; ++k)
        if (used[awkward[k]]) standIns_.push_back({QChar(awkward[k]), freeChar(preferred[k])});

    QString text;
    for (const QString& l : decoded) {
        text += toDisplay(l);
        text += QLatin1Char('\n');
    }
    editor_->hide();
    editor_->setPlainText(text);  // also empties the undo history
    editor_->show();
    editor_->moveCursor(QTextCursor::Start);
    editor_->verticalScrollBar()->setValue(0);
    editor_->horizontalScrollBar()->setValue(0);
    editor_->document()->setModified(false);
}

QStringList TEditForm::lines() const {
    QStringList out;
    const QTextDocument* doc = editor_->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) out << fromDisplay(b.text());
    // An empty last line is the end of the line before it, as a text file has it.
    if (!out.isEmpty() && out.back().isEmpty()) out.pop_back();
    return out;
}

std::vector<std::string> TEditForm::encodedLines() const { return snapshot().encodedLines(); }

TEditForm::Snapshot TEditForm::snapshot() const {
    Snapshot s;
    s.raw_ = editor_->document()->toRawText();
    for (const StandIn& m : standIns_) s.standIns_.push_back({m.shown, m.original});
    s.utf8_ = encoding_ == Encoding::Utf8;
    return s;
}

std::vector<std::string> TEditForm::Snapshot::encodedLines() const {
    std::vector<std::string> out;
    const QStringView raw(raw_);
    qsizetype from = 0;
    while (from <= raw.size()) {
        qsizetype end = raw.indexOf(QChar::ParagraphSeparator, from);
        if (end < 0) end = raw.size();
        QString line = raw.mid(from, end - from).toString();
        for (const auto& [shown, original] : standIns_) line.replace(shown, original);
        out.push_back(encodeText(line, utf8_));
        from = end + 1;
    }
    // An empty last line is the end of the line before it, as a text file has it.
    if (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

void TEditForm::Save() {
    if (fileName_.isEmpty()) throw pal::IoError(0, std::string(), "The window has no file name");
    writeTo(fileName_);
}

void TEditForm::writeTo(const QString& path) {
    std::vector<std::string> out = encodedLines();
    if (bom_ && out.empty()) {
        pal::replaceFile(toBytes(path), kBom);
    } else {
        if (bom_) out.front().insert(0, kBom);
        pal::writeLinesCRLF(toBytes(path), out, SIZE_MAX);  // lines of any length
    }
    editor_->document()->setModified(false);
}

bool TEditForm::saveUnder(const QString& path) {
    if (!reportFailure([&] { writeTo(path); })) return false;
    const QString old = fileName_;
    // A text saved as a QUIVET file or a deck becomes an editor of that kind.
    const std::string ext = pal::extensionTest(toBytes(path));
    if (Tag() == Kind::TextEditor && ext == ".QVD") setTag(Kind::QuivetEditor);
    if (Tag() == Kind::TextEditor && ext == ".DCK") setTag(Kind::DeckEditor);
    setFileName(path);
    if (old != path) emit documentRenamed(this, old, path);
    return true;
}

bool TEditForm::save() {
    if (!fileName_.isEmpty()) return reportFailure([this] { Save(); });
    const QString pattern = Tag() == Kind::QuivetEditor ? QStringLiteral("*.QVD") : QStringLiteral("*.DCK");
    const auto name = askSaveName(QStringLiteral("Saving window ") + windowTitle(), pattern);
    return name && saveUnder(*name);
}

bool TEditForm::saveAs(const QString& suggestedName) {
    // The default extension is the file's own, as written (up to 3 letters); a
    // dot in a directory is none. A window without a file proposes its kind's.
    const QString fn = toQ(pal::fileNamePart(toBytes(fileName_)));
    const int dot = fn.lastIndexOf('.');
    QString ext = dot >= 0 ? fn.mid(dot + 1, 3) : QString();
    QString proposed = suggestedName;
    if (fileName_.isEmpty()) {
        ext = Tag() == Kind::QuivetEditor ? QStringLiteral("QVD") : QStringLiteral("DCK");
        if (proposed.isEmpty()) proposed = QStringLiteral("*.") + ext;
    }
    const auto name = askSaveName(QStringLiteral("Save as"), proposed, ext);
    return name && saveUnder(*name);
}

bool TEditForm::reloadFromDisk() {
    if (fileName_.isEmpty()) return false;
    const int kind = Tag();
    const int top = editor_->verticalScrollBar()->value();
    const int at = editor_->textCursor().position();
    Open(fileName_);
    setTag(kind);
    QTextCursor c = editor_->textCursor();
    c.setPosition(std::min(at, editor_->document()->characterCount() - 1));
    editor_->setTextCursor(c);
    editor_->verticalScrollBar()->setValue(top);
    rememberDiskFile();
    return true;
}

void TEditForm::cut() { editor_->cut(); }
void TEditForm::copy() { editor_->copy(); }
void TEditForm::paste() { editor_->paste(); }

void TEditForm::clear() {
    // A QUIVET file shown as text keeps its text on Clear.
    if (Tag() != Kind::QuivetEditor) editor_->textCursor().removeSelectedText();
}

void TEditForm::searchAgain(LastSearch last) {
    if (last == LastSearch::Find)
        Find();
    else if (last == LastSearch::Replace)
        Replace();
}

void TEditForm::Print(PrintContext& ctx) {
    if (ctx.canvas) {
        QFont f = ctx.canvas->font();
        f.setFamily(QStringLiteral("MS LineDraw"));
        ctx.canvas->setFont(f);
    }
    const QTextDocument* doc = editor_->document();
    QStringList all;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) all << b.text();
    if (!all.isEmpty() && all.back().isEmpty()) all.pop_back();
    for (const QString& line : all) {
        ctx.textOut(ctx.leftMargin, ctx.y, textlines::expandTabs(line));
        ctx.NewLine(1);
    }
}

void TEditForm::showFindDialog() { findDialog_->popUp(); }

void TEditForm::showReplaceDialog() { replaceDialog_->popUp(); }

void TEditForm::Find() {
    const QString text = findDialog_->findText();
    const QTextCursor hit =
        editor_->document()->find(text, editor_->textCursor(), findFlags(*findDialog_, findDialog_->down()));
    if (text.isEmpty() || hit.isNull())
        seams().alerts->beep();
    else
        editor_->setTextCursor(hit);
    findDialog_->setFindText(text);
    replaceDialog_->setFindText(text);
}

void TEditForm::findFromReplaceDialog() {
    const QString text = replaceDialog_->findText();
    const QTextCursor hit = editor_->document()->find(text, editor_->textCursor(), findFlags(*replaceDialog_, true));
    if (text.isEmpty() || hit.isNull())
        seams().alerts->beep();
    else
        editor_->setTextCursor(hit);
}

void TEditForm::Replace() {
    const QString text = replaceDialog_->findText();
    const QString with = replaceDialog_->replaceText();
    const auto flags = findFlags(*replaceDialog_, true);
    QTextDocument* doc = editor_->document();
    if (!text.isEmpty()) {
        if (replaceDialog_->replaceAll()) {
            // All matches of the whole text, as one step of undo.
            QTextCursor edit(doc);
            edit.beginEditBlock();
            QTextCursor at(doc);
            for (QTextCursor hit = doc->find(text, at, flags); !hit.isNull(); hit = doc->find(text, hit, flags))
                hit.insertText(with);  // leaves hit after the new text
            edit.endEditBlock();
        } else {
            // The next match from the start of the selection, so that a match just
            // found is the one replaced; then the following match is selected.
            QTextCursor from = editor_->textCursor();
            from.setPosition(from.selectionStart());
            QTextCursor hit = doc->find(text, from, flags);
            if (hit.isNull()) {
                seams().alerts->beep();
            } else {
                hit.insertText(with);
                const QTextCursor next = doc->find(text, hit, flags);
                editor_->setTextCursor(next.isNull() ? hit : next);
            }
        }
    } else if (!replaceDialog_->replaceAll()) {
        seams().alerts->beep();
    }
    emit menusChanged();
}
