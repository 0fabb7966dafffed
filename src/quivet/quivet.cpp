#include "quivet/quivet.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "common/messageboard.h"
#include "common/bytes.h"
#include "common/ioerror.h"
#include "help/helpcommands.h"
#include "quivet/deckwriter.h"
#include "quivet/descriptor.h"
#include "quivet/fileinput.h"
#include "quivet/input.h"
#include "quivet/openfile.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetreader.h"
#include "shell/compilin.h"
#include "shell/fonts.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "common/utf8check.h"

using quivet::FormItem;
using quivet::ItemKind;

namespace {

// Texts from the file: UTF-8 when they are, else one byte per character.
QString text(const std::string& s) { return textFromBytes(s); }

// The progress window while a file is read: refreshed about 20 times a second,
// so a long file shows where it is without being slowed down by the painting.
class ReadingProgress {
public:
    explicit ReadingProgress(TCompiling* window) : window_(window) {
        if (window_) {
            window_->Update(1);
            window_->showCentred();
        }
        timer_.start();
    }
    ~ReadingProgress() {
        if (window_) window_->hide();
    }
    void at(int line) {
        if (window_ && timer_.elapsed() >= 50) {
            window_->Update(line);
            timer_.restart();
        }
    }

private:
    QPointer<TCompiling> window_;
    QElapsedTimer timer_;
};

// The scroll box's content. Tab and Shift+Tab go through the form's own order of
// fields, which reaches rows that have no controls yet.
class FormRows : public QWidget {
public:
    std::function<bool(bool)> tab;

protected:
    bool focusNextPrevChild(bool next) override { return tab ? tab(next) : QWidget::focusNextPrevChild(next); }
};

}  // namespace

TQUIVETForm::TQUIVETForm(TCompiling* progress, QWidget* parent)
    : TDocWindow(Kind::QuivetForm, parent), progress_(progress) {
    setObjectName(QStringLiteral("QUIVETForm"));
    setProperty("helpContext", 35);
    resize(483, 300);
    setFont(lineDrawFont());
    const QFontMetrics fm(font());
    W_ = std::max(1, fm.horizontalAdvance(QLatin1Char('8')));
    H_ = fm.height() + 1;

    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName(QStringLiteral("ScrollBox"));
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setWidgetResizable(false);
    auto* rows = new FormRows;
    rows->tab = [this](bool next) { return focusNextField(next); };
    rows_ = rows;
    rows_->setObjectName(QStringLiteral("Rows"));
    QPalette white = rows_->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    rows_->setPalette(white);
    rows_->setAutoFillBackground(true);
    scrollBox_->setWidget(rows_);
    scrollBox_->viewport()->setPalette(white);
    scrollBox_->viewport()->setAutoFillBackground(true);
    // The scroll box fills the window, so rows beyond it scroll.
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(scrollBox_);
    setPalette(white);
    setAutoFillBackground(true);
    connect(scrollBox_->verticalScrollBar(), &QScrollBar::valueChanged, this, &TQUIVETForm::updateRows);
}

void TQUIVETForm::resizeEvent(QResizeEvent* event) {
    TDocWindow::resizeEvent(event);
    updateRows();
}

void TQUIVETForm::showEvent(QShowEvent* event) {
    TDocWindow::showEvent(event);
    updateRows();
}

TQUIVETForm::~TQUIVETForm() = default;

bool TQUIVETForm::ReadDeck(const QString& fileName) {
    fileName_ = fileName;
    approval_ = Approval::NotAsked;
    errorFlag_ = 0;
    units_ = pal::app().settings.unitSystem == quivet::kEnglish ? quivet::kEnglish : quivet::kSI;
    try {
        ReadingProgress progress(progress_);
        quivet::ReadOptions options;
        options.programDir = pal::app().programDir;
        options.progress = [&progress](int line) { progress.at(line); };
        doc_ = quivet::readQuivetFile(toBytes(fileName), options);
        build();
    } catch (const quivet::QuivetError& e) {
        // One bad file is refused; the program and its other windows go on.
        errorFlag_ = 100;
        top_.clear();  // a layout cut short builds no rows
        // An input error is also listed with its line, so that the file can be mended there.
        pal::MessageSet set{pal::MessageSource::QuivetForm, toBytes(fileName), {}};
        if (e.line > 0) set.messages.push_back(pal::lineMessage(pal::Severity::Error, e.line, e.summary));
        pal::messageBoard().publish(std::move(set));
        ShowAlert(text(e.what()), AlertKind::Error, e.beep());
        return false;
    }
    pal::messageBoard().publish({pal::MessageSource::QuivetForm, toBytes(fileName), {}});
    setWindowTitle(fileName);
    return true;
}

void TQUIVETForm::choiceChosen(std::size_t index, int row) {
    TFileInput* box = controls_[index].choice;
    // The chosen value and the values of the hidden fields that follow it, worked
    // out as a save would.
    quivet::QuivetDocument probe;
    probe.items.push_back(doc_.items[index]);
    probe.items[0].selected = row;
    for (const FormItem& other : doc_.items)
        if (other.dependentChoice() && other.choiceFile == doc_.items[index].choiceFile) probe.items.push_back(other);
    QString refusal;
    try {
        quivet::updateChoiceValues(probe);
        for (const FormItem& item : probe.items)
            if (const auto why = quivet::unwritableReason(item)) {
                refusal = text(*why);
                break;
            }
    } catch (const quivet::QuivetError&) {
        // A choice file that cannot be read now is reported when the form is saved.
    }
    if (refusal.isEmpty()) {
        box->acceptedIndex = row;
        return;
    }
    ShowAlert(refusal + QStringLiteral("\nThe field keeps its previous choice."), AlertKind::Error, true);
    box->setCurrentIndex(box->acceptedIndex);
}

QString TQUIVETForm::vetFileName(std::size_t index, QString& name) const {
    FormItem probe = doc_.items[index];
    if (name.contains(QLatin1Char(' ')) || name.contains(QLatin1Char('\t'))) {
        const QString relative = QDir(QFileInfo(fileName_).absolutePath()).relativeFilePath(name);
        if (!relative.contains(QLatin1Char(' ')) && !relative.contains(QLatin1Char('\t'))) name = relative;
    }
    probe.valueText = toBytes(name);
    const auto why = quivet::unwritableReason(probe);
    if (!why) return QString();
    return text(*why) + QStringLiteral("\nThe field keeps ") + controls_[index].file->fileName + QLatin1Char('.');
}

bool TQUIVETForm::DCKChanged() const {
    for (std::size_t k = 0; k < controls_.size(); ++k) {
        const Row& r = controls_[k];
        const FieldState& st = state_[k];
        if (r.input ? r.input->edited() : st.edited) return true;
        if (r.choice ? r.choice->changed() : doc_.items[k].shownChoice() && st.current != st.saved) return true;
        // Another file chosen in a file field is a change like any other: the
        // deck's ASSIGN statement is to be written before a run or a close.
        if (doc_.items[k].kind == ItemKind::File &&
            (r.file ? r.file->fileName : st.fileName) != text(doc_.items[k].valueText).left(255))
            return true;
    }
    return false;
}

void TQUIVETForm::markUnchanged() {
    for (std::size_t k = 0; k < state_.size(); ++k) {
        state_[k].edited = false;
        if (doc_.items[k].shownChoice()) state_[k].saved = state_[k].current;
    }
}

void TQUIVETForm::ClearModify() {
    storeLiveRows();
    markUnchanged();
    applyLiveRows();
}

void TQUIVETForm::ConvertUnits(int from, int to) {
    if (from == to || to == units_) return;
    storeLiveRows();
    QStringList lost;
    for (std::size_t k = 0; k < state_.size(); ++k) {
        FormItem& item = doc_.items[k];
        FieldState& st = state_[k];
        if (item.kind != ItemKind::Numeric || !st.typed) continue;
        // A box holding no number keeps its last valid value; the program goes on.
        if (const auto v = numericValue(k))
            item.numeric.value = *v;
        else
            lost << text(item.label).trimmed();
        st.typed = false;
        st.text.clear();
    }
    units_ = to;
    applyLiveRows();
    if (!lost.isEmpty())
        ShowAlert(QStringLiteral("Illegal character in input\nThese fields show their last valid value again:\n") +
                      lost.join(QLatin1Char('\n')),
                  AlertKind::Error, true);
}

void TQUIVETForm::WriteDeck(const QString& target) {
    storeLiveRows();
    quivet::QuivetDocument out = doc_;
    for (std::size_t k = 0; k < out.items.size(); ++k) {
        const FieldState& st = state_[k];
        FormItem& item = out.items[k];
        switch (item.kind) {
            case ItemKind::Numeric: {
                const auto v = numericValue(k);
                if (!v) {
                    if (auto* box = qobject_cast<QLineEdit*>(showField(k))) {
                        box->selectAll();
                        box->setFocus();
                    }
                    throw pal::IoError(0, std::string(),
                                       "The input field " + toBytes(text(item.label).trimmed()) +
                                           " does not hold a number; nothing was written.");
                }
                item.numeric.value = *v;
                break;
            }
            case ItemKind::Heading:
                if (item.hasText) item.text = bytesLike(st.text, item.text);
                break;
            case ItemKind::Choice:
                if (item.shownChoice() && st.current >= 0) item.selected = st.current;
                break;
            case ItemKind::File:
                item.valueText = toBytes(st.fileName);
                break;
            case ItemKind::Picture:
                break;
        }
    }
    try {
        quivet::updateChoiceValues(out);
    } catch (const quivet::QuivetError& e) {
        throw pal::IoError(0, std::string(), e.what());
    }
    quivet::rememberWritten(out, quivet::writeDeck(out, toBytes(target)));  // throws with the message to show

    // The typed numbers are the values now.
    for (std::size_t k = 0; k < state_.size(); ++k)
        if (out.items[k].kind == ItemKind::Numeric) {
            state_[k].typed = false;
            state_[k].text.clear();
        }
    doc_ = std::move(out);
    doc_.fileName = toBytes(target);
    fileName_ = target;
    setWindowTitle(target);
    markUnchanged();
    applyLiveRows();
    refreshModifiedMarker();
}

bool TQUIVETForm::save() { return reportFailure([this] { WriteDeck(fileName_); }); }

bool TQUIVETForm::saveAs(const QString& suggestedName) {
    const auto name = askSaveName(QStringLiteral("Save as"), suggestedName, QStringLiteral("QVD"));
    if (!name) return false;
    const QString old = fileName_;
    if (!reportFailure([&] { WriteDeck(*name); })) return false;  // the caption changes only after the write
    if (old != *name) emit documentRenamed(this, old, *name);
    return true;
}

QLineEdit* TQUIVETForm::focusedField() const {
    auto* f = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return f && isAncestorOf(f) ? f : nullptr;
}

void TQUIVETForm::cut() {
    if (QLineEdit* f = focusedField()) f->cut();
}

void TQUIVETForm::copy() {
    if (QLineEdit* f = focusedField()) f->copy();
}

void TQUIVETForm::paste() {
    if (QLineEdit* f = focusedField()) f->paste();
}

void TQUIVETForm::clear() {
    if (QLineEdit* f = focusedField()) f->del();
}

bool TQUIVETForm::commandsAllowed() const {
    if (approval_ == Approval::NotAsked) {
        QString question = fileName_ + QStringLiteral(" asks to run these commands:");
        if (doc_.beforeCommand.size() > 4) question += QStringLiteral("\nbefore KALVEX: ") + text(doc_.beforeCommand);
        if (doc_.afterCommand.size() > 4) question += QStringLiteral("\nafter KALVEX: ") + text(doc_.afterCommand);
        question += QStringLiteral("\n\nRun them?");
        approval_ = ShowAlert(question, AlertKind::WarningYesNo, false) == AlertButton::Yes ? Approval::Allowed : Approval::Refused;
    }
    return approval_ == Approval::Allowed;
}

QString TQUIVETForm::beforeCommand() const {
    const QString c = text(doc_.beforeCommand);
    if (c.size() <= 4) return c;  // too short to be run
    return commandsAllowed() ? c : QString();
}

QString TQUIVETForm::afterCommand() const {
    const QString c = text(doc_.afterCommand);
    if (c.size() <= 4) return c;
    return commandsAllowed() ? c : QString();
}

int TQUIVETForm::focusedHelpNumber() const {
    const QWidget* f = focusWidget();
    if (!f || !rows_->isAncestorOf(f)) return -1;
    if (auto* i = qobject_cast<const TInput*>(f)) return i->help;
    if (auto* c = qobject_cast<const TFileInput*>(f)) return c->help;
    if (auto* o = qobject_cast<const TOpenFile*>(f)) return o->help;
    return -1;
}

void TQUIVETForm::keyPressEvent(QKeyEvent* event) {
    // Ctrl+F where no Edit menu takes it (QUIVET mode), F3 to find again.
    if (event->matches(QKeySequence::Find)) return find();
    if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier) return searchAgain(LastSearch::Find);
    if (event->key() != Qt::Key_F1) return TDocWindow::keyPressEvent(event);
    static int lastHelp = 0;  // with no field focused the help shows the number it had
    const int n = focusedHelpNumber();
    if (n >= 0) lastHelp = n;
    QString caption;
    for (const FormItem& item : doc_.items)
        if (item.kind != ItemKind::Picture && item.help == lastHelp) {
            caption = text(item.label).trimmed();
            break;
        }
    help::ShowFieldHelp(lastHelp, fileName_, caption);
}

void TQUIVETForm::find() {
    const auto asked = seams().dialogs->inputBox(QStringLiteral("Find field"), QStringLiteral("Name of the field (or a part of it):"),
                                                 findText_, 80);
    if (!asked || asked->trimmed().isEmpty()) return;
    findText_ = asked->trimmed();
    FindField(findText_);
}

void TQUIVETForm::searchAgain(LastSearch) {
    if (findText_.isEmpty())
        find();
    else
        FindField(findText_);
}

bool TQUIVETForm::FindField(const QString& name) {
    // From the field after the focused one (or the first in view) round the form.
    const int n = static_cast<int>(doc_.items.size());
    int from = focusedItem();
    if (from < 0) from = firstInView(true) - 1;
    for (int step = 1; step <= n; ++step) {
        const int k = ((from + step) % n + n) % n;
        const auto index = static_cast<std::size_t>(k);
        if (!focusable(index) || !text(doc_.items[index].label).contains(name, Qt::CaseInsensitive)) continue;
        if (QWidget* w = showField(index)) {
            w->setFocus(Qt::OtherFocusReason);
            if (auto* box = qobject_cast<QLineEdit*>(w)) box->selectAll();
            return true;
        }
    }
    ShowAlert(QStringLiteral("No field of this form is named \"%1\".").arg(name), AlertKind::Information, false);
    return false;
}

void TQUIVETForm::Print(PrintContext& ctx) {
    QPainter* p = ctx.canvas;
    if (!p) return;
    QFont f = p->font();
    f.setFamily(QStringLiteral("MS LineDraw"));
    p->setFont(f);
    const QFontMetrics fm(f, p->device());
    const int w = fm.horizontalAdvance(QLatin1Char('8'));
    const int h = fm.height();
    const int left = ctx.leftMargin;
    const auto framed = [&](int& x, const QString& t) {
        const int tw = fm.horizontalAdvance(t);
        ctx.textOut(left + x + 2 * w, ctx.y, t);
        p->save();
        p->setBrush(Qt::NoBrush);
        p->drawRect(left + x + w, ctx.y, tw + 2 * w, ctx.lineHeight);
        p->restore();
        x += tw + 4 * w;
    };
    const auto labelText = [&](int& x, const FormItem& item) {
        const QString l = text(item.label);
        ctx.textOut(left + x, ctx.y, l);
        x += fm.horizontalAdvance(l);
    };
    storeLiveRows();
    for (std::size_t k = 0; k < doc_.items.size(); ++k) {
        const FormItem& item = doc_.items[k];
        const FieldState& st = state_[k];
        int x = 0;
        switch (item.kind) {
            case ItemKind::Heading:
            case ItemKind::Numeric:
                ctx.NewLine(1);
                labelText(x, item);
                if (item.kind == ItemKind::Numeric || item.hasText) framed(x, shownText(k));
                if (item.kind == ItemKind::Numeric) ctx.textOut(left + x, ctx.y, text(item.numeric.unitText(units_)));
                break;
            case ItemKind::Choice:
                if (!item.shownChoice()) break;
                ctx.NewLine(1);
                labelText(x, item);
                x += w;
                framed(x, st.current >= 0 && st.current < static_cast<int>(item.entryCount())
                              ? text(item.entry(static_cast<std::size_t>(st.current)))
                              : QString());
                break;
            case ItemKind::File:
                ctx.NewLine(1);
                labelText(x, item);
                framed(x, st.fileName);
                break;
            case ItemKind::Picture: {
                const QPixmap& pm = pictures_[k];
                ctx.NewLine(pm.height() / H_ + 1);
                const double scale = static_cast<double>(h) / H_;
                const int pw = qRound(pm.width() * scale), ph = qRound(pm.height() * scale);
                const int x0 = qRound((80 * W_ - pm.width()) * scale * 0.5) + left;
                ctx.beginOutput();
                p->drawPixmap(QRect(x0, ctx.y - ph, pw, ph), pm);
                break;
            }
        }
    }
}
