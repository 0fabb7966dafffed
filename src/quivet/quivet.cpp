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
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "help/helpcommands.h"
#include "quivet/deckwriter.h"
#include "quivet/descriptor.h"
#include "quivet/fileinput.h"
#include "quivet/formpictures.h"
#include "quivet/input.h"
#include "quivet/openfile.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetreader.h"
#include "run/compilin.h"
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

QFont formFont() {
    QFont f(QStringLiteral("MS LineDraw"), 10);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

void setColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

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

}  // namespace

TQUIVETForm::TQUIVETForm(TCompiling* progress, QWidget* parent)
    : TDocWindow(Kind::QuivetForm, parent), progress_(progress) {
    setObjectName(QStringLiteral("QUIVETForm"));
    setProperty("helpContext", 35);
    resize(483, 300);
    setFont(formFont());
    const QFontMetrics fm(font());
    W_ = std::max(1, fm.horizontalAdvance(QLatin1Char('8')));
    H_ = fm.height() + 1;

    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName(QStringLiteral("ScrollBox"));
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setWidgetResizable(false);
    rows_ = new QWidget;
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
        build(options.progress);
    } catch (const quivet::QuivetError& e) {
        // One bad file is refused; the program and its other windows go on.
        errorFlag_ = 100;
        ShowAlert(text(e.what()), AlertKind::Error, e.beep());
        return false;
    }
    setWindowTitle(fileName);
    return true;
}

void TQUIVETForm::build(const std::function<void(int)>& progress) {
    controls_.assign(doc_.items.size(), Row{});
    rows_->setUpdatesEnabled(false);
    previousLabel_ = nullptr;
    int y = 10;
    FormPictures pictures;
    for (std::size_t k = 0; k < doc_.items.size(); ++k) {
        const FormItem& item = doc_.items[k];
        if (item.kind == ItemKind::Picture) {
            auto* bitmap = new QLabel(rows_);
            bitmap->setPixmap(pictures.picture(toQ(item.picturePath), item.picture));
            controls_[k].bitmap = bitmap;
        }
        place(k, y);
        if (progress && item.line > 0) progress(item.line);
    }
    // The scroll box's content: every row, with a margin.
    QRect all;
    for (QWidget* w : rows_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden()) all = all.united(w->geometry());
    rows_->resize(std::max(all.right(), 0) + W_, std::max(all.bottom(), 0) + H_);
    rows_->setUpdatesEnabled(true);
    // The caption's modified marker follows every edit.
    for (const Row& r : controls_) {
        if (r.input) {
            connect(r.input, &QLineEdit::textChanged, this, &TQUIVETForm::refreshModifiedMarker);
            connect(r.input, &QLineEdit::textEdited, this, &TQUIVETForm::refreshModifiedMarker);
        }
        if (r.choice) connect(r.choice, &QComboBox::currentIndexChanged, this, &TQUIVETForm::refreshModifiedMarker);
    }
}

void TQUIVETForm::place(std::size_t index, int& y) {
    const FormItem& item = doc_.items[index];
    Row& row = controls_[index];
    if (previousLabel_ && previousLabel_->row) y = previousLabel_->y() + H_ + H_ / 2;

    const auto label = [&](const QString& caption, const QColor& colour, bool bold) {
        auto* l = new TDescriptor(caption, rows_);
        if (colour != Qt::black) setColour(l, colour);
        if (bold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        l->move(2 * W_, y);
        l->adjustSize();
        return l;
    };
    const int labelLength = static_cast<int>(text(item.label).size());

    switch (item.kind) {
        case ItemKind::Heading: {
            row.label = label(text(item.label), Qt::red, true);
            if (item.hasText) {
                const QString t = text(item.text);
                auto* box = new TInput(rows_);
                box->numeric = false;
                box->help = item.help;
                box->setText(t);
                // The heading line must read back: no "|" in the text, and the whole
                // line within 255 characters.
                const int room = static_cast<int>(pal::kMaxLine) - 4 - static_cast<int>(item.label.size()) -
                                 (item.helpField ? 1 + static_cast<int>(item.helpField->size()) : 0);
                box->setMaxLength(std::max(0, std::min(t.isEmpty() ? 80 : 2 * static_cast<int>(t.size()), room)));
                box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), box));
                box->setGeometry((labelLength + 5) * W_, y, (static_cast<int>(t.size()) + 2) * W_, H_ + 1);
                box->setFrame(false);
                box->setCursorPosition(0);
                row.input = box;
            }
            break;
        }
        case ItemKind::Numeric: {
            row.label = label(text(item.label), Qt::black, false);
            auto* box = new TInput(rows_);
            box->numeric = true;
            box->help = item.help;
            box->field = item.numeric;
            box->setMaxLength(25);
            box->setGeometry((labelLength + 1) * W_, y, 10 * W_, H_ + 2);
            box->showValue(units_);
            box->setCursorPosition(0);
            connect(box, &TInput::checked, this, [this](bool accepted) { errorFlag_ = accepted ? 0 : 100; });
            row.input = box;
            auto* unit = new TDescriptor(text(item.numeric.unitText(units_)), rows_);
            setColour(unit, Qt::blue);
            unit->move(box->x() + box->width() + W_, y);
            unit->adjustSize();
            row.unitLabel = unit;
            break;
        }
        case ItemKind::Choice: {
            auto* box = new TFileInput(rows_);
            box->help = item.help;
            box->choiceFile = text(item.choiceFile);
            box->displayColumn = item.displayColumn;
            box->valueColumn = item.valueColumn;
            box->assign = item.assign;
            box->valueText = text(item.valueText);
            box->unit = item.unit;
            row.choice = box;
            if (!item.shownChoice()) {
                // Hidden: no row; the next item takes this row.
                box->shown = false;
                box->hide();
                row.label = label(QString(), Qt::black, false);
                row.label->row = false;
                break;
            }
            row.label = label(text(item.label), Qt::black, false);
            int longest = 0;
            QStringList entries;
            for (const std::string& e : item.entries) {
                entries << text(e);
                longest = std::max(longest, static_cast<int>(entries.back().size()));
            }
            box->addItems(entries);
            box->setCurrentIndex(entries.isEmpty() ? -1 : item.selected);
            box->savedIndex = box->acceptedIndex = box->currentIndex();
            connect(box, &QComboBox::activated, this, [this, index](int chosen) { choiceChosen(index, chosen); });
            box->setGeometry((labelLength + 2) * W_, y - 2, (longest + 3) * W_, H_ + 2);
            break;
        }
        case ItemKind::File: {
            row.label = label(text(item.label), Qt::black, false);
            auto* box = new TOpenFile(rows_);
            box->help = item.help;
            box->unit = item.unit;
            box->setFileName(text(item.valueText));
            box->vet = [this, index](QString& name) { return vetFileName(index, name); };
            box->setGeometry((labelLength + 2) * W_, y, (static_cast<int>(box->fileName.size()) + 1) * W_, H_ + 2);
            box->setFrame(false);
            row.file = box;
            break;
        }
        case ItemKind::Picture: {
            QLabel* bitmap = row.bitmap;
            const QSize size = bitmap->pixmap().size();
            bitmap->setGeometry(std::max(0, (80 * W_ - size.width()) / 2), y, size.width(), size.height());
            // The marker at the picture's foot puts the next row below the picture.
            auto* marker = new TDescriptor(QString(), rows_);
            marker->setGeometry(-10, y + size.height() - H_, 1, H_);
            row.label = marker;
            break;
        }
    }
    previousLabel_ = row.label;
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
    for (const Row& r : controls_) {
        if (r.input && r.input->edited()) return true;
        if (r.choice && r.choice->changed()) return true;
    }
    return false;
}

void TQUIVETForm::ClearModify() {
    for (const Row& r : controls_) {
        if (r.input) r.input->setEdited(false);
        if (r.choice && r.choice->shown) r.choice->savedIndex = r.choice->currentIndex();
    }
}

void TQUIVETForm::ConvertUnits(int from, int to) {
    if (from == to || to == units_) return;
    QStringList lost;
    for (const Row& r : controls_) {
        if (!r.input || !r.input->numeric) continue;
        // A box holding no number keeps its last valid value; the program goes on.
        if (r.input->typed() && !r.input->takeTypedValue()) lost << r.label->text().trimmed();
        r.input->showValue(to);
        r.input->setCursorPosition(0);
        r.unitLabel->setText(text(r.input->field.unitText(to)));
        r.unitLabel->adjustSize();
    }
    units_ = to;
    if (!lost.isEmpty())
        ShowAlert(QStringLiteral("Illegal character in input\nThese fields show their last valid value again:\n") +
                      lost.join(QLatin1Char('\n')),
                  AlertKind::Error, true);
}

void TQUIVETForm::WriteDeck(const QString& target) {
    quivet::QuivetDocument out = doc_;
    for (std::size_t k = 0; k < controls_.size(); ++k) {
        const Row& r = controls_[k];
        FormItem& item = out.items[k];
        switch (item.kind) {
            case ItemKind::Numeric: {
                const auto v = r.input->currentValue();
                if (!v) {
                    r.input->selectAll();
                    r.input->setFocus();
                    throw pal::IoError(0, std::string(),
                                       "The input field " + toBytes(r.label->text().trimmed()) +
                                           " does not hold a number; nothing was written.");
                }
                item.numeric.value = *v;
                break;
            }
            case ItemKind::Heading:
                if (r.input) item.text = bytesLike(r.input->text(), item.text);
                break;
            case ItemKind::Choice:
                if (r.choice->shown && r.choice->currentIndex() >= 0) item.selected = r.choice->currentIndex();
                break;
            case ItemKind::File:
                item.valueText = toBytes(r.file->fileName);
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
    quivet::writeDeck(out, toBytes(target));  // throws with the message to show

    for (std::size_t k = 0; k < controls_.size(); ++k)
        if (controls_[k].input && controls_[k].input->numeric) controls_[k].input->takeTypedValue();
    doc_ = std::move(out);
    doc_.fileName = toBytes(target);
    fileName_ = target;
    setWindowTitle(target);
    ClearModify();
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
    const auto labelText = [&](int& x, const TDescriptor* l) {
        ctx.textOut(left + x, ctx.y, l->text());
        x += fm.horizontalAdvance(l->text());
    };
    for (std::size_t k = 0; k < controls_.size(); ++k) {
        const FormItem& item = doc_.items[k];
        const Row& r = controls_[k];
        int x = 0;
        switch (item.kind) {
            case ItemKind::Heading:
            case ItemKind::Numeric:
                if (r.label->row) {
                    ctx.NewLine(1);
                    labelText(x, r.label);
                }
                if (r.input && r.input->active) framed(x, r.input->text());
                if (r.unitLabel) ctx.textOut(left + x, ctx.y, r.unitLabel->text());
                break;
            case ItemKind::Choice:
                if (!r.choice->shown) break;
                ctx.NewLine(1);
                labelText(x, r.label);
                x += w;
                framed(x, r.choice->currentText());
                break;
            case ItemKind::File:
                ctx.NewLine(1);
                labelText(x, r.label);
                framed(x, r.file->text());
                break;
            case ItemKind::Picture: {
                const QPixmap& pm = r.bitmap->pixmap();
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
