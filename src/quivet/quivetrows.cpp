// The rows of a QUIVET form window: where each row goes, and the controls of the
// rows in and near the view. A form of many thousand fields would otherwise be
// many thousand widgets side by side, and Qt's work on each change of one of
// them grows with the number of its siblings; so only the rows near the view
// have controls, and what the user made of the others is kept as plain state.
#include <QComboBox>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <unordered_map>

#include "common/bytes.h"
#include "quivet/descriptor.h"
#include "quivet/fieldnumber.h"
#include "quivet/fileinput.h"
#include "quivet/formpictures.h"
#include "quivet/input.h"
#include "quivet/openfile.h"
#include "quivet/quivet.h"
#include "shell/qtbytes.h"
#include "common/utf8check.h"

using quivet::FormItem;
using quivet::ItemKind;

namespace {

// Texts from the file: UTF-8 when they are, else one byte per character.
QString text(const std::string& s) { return textFromBytes(s); }

void setColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

// Rows this far above and below the view keep their controls, so that scrolling
// a little builds nothing.
constexpr int kRowMargin = 800;

const char* const kItemProperty = "quivetItem";

// A label starts at 2W and ends at (length + 2)W; its box starts one character
// further on, so the label's last character stays in view.
int boxLeft(int labelLength, int W) { return (labelLength + 3) * W; }

}  // namespace

int TQUIVETForm::boxChrome() const {
    // The frame on both sides and the line edit's text margins (2 pixels a side).
    return 2 * rows_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, rows_) + 2 * 2 + 2;
}

int TQUIVETForm::numericBoxWidth(std::size_t index) const {
    // Wide enough for the value in either unit system (2.8000E+01 needs more than
    // ten characters' room once the frame is counted), at least ten characters.
    const quivet::NumericField& field = doc_.items[index].numeric;
    const QFontMetrics fm(font());
    int widest = 10 * W_;
    for (int units : {1, 2}) widest = std::max(widest, fm.horizontalAdvance(toQ(field.shownText(units))));
    return widest + boxChrome();
}

int TQUIVETForm::fileBoxWidth(std::size_t index) const {
    // Room for a longer name than the one shown: at least 24 characters.
    return (std::max(static_cast<int>(state_[index].fileName.size()), 24) + 4) * W_ + boxChrome();
}

void TQUIVETForm::build() {
    // A file read again: the old rows go with the old document.
    for (const std::size_t k : live_) dropRow(k, false);
    live_.clear();
    const std::size_t n = doc_.items.size();
    controls_.assign(n, Row{});
    state_.assign(n, FieldState{});
    top_.assign(n, 0);
    reach_.assign(n, 0);
    pictures_.assign(n, QPixmap());

    QFont boldFont = font();
    boldFont.setBold(true);
    const QFontMetrics plain(font()), bold(boldFont);
    FormPictures pictures;
    // The widest entry of each choice list, measured once for all the fields
    // that share the list.
    std::unordered_map<const void*, int> widest;
    // Each row goes below the label of the row before, unless that one takes no
    // row (a hidden choice field): then it takes the same row.
    int y = 10;
    bool previousTakesRow = false;
    int previousLabelTop = 0;
    int right = 0, bottom = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const FormItem& item = doc_.items[k];
        FieldState& st = state_[k];
        if (previousTakesRow) y = previousLabelTop + H_ + H_ / 2;
        const int labelLength = static_cast<int>(text(item.label).size());
        int labelTop = y, rowRight = 0, rowBottom = y + H_ + 2;
        bool takesRow = true;
        switch (item.kind) {
            case ItemKind::Heading:
                rowRight = 2 * W_ + bold.horizontalAdvance(text(item.label));
                if (item.hasText) {
                    st.text = text(item.text);
                    rowRight = std::max(rowRight, (labelLength + 5) * W_ + (static_cast<int>(st.text.size()) + 2) * W_ + boxChrome());
                }
                break;
            case ItemKind::Numeric:
                rowRight = boxLeft(labelLength, W_) + numericBoxWidth(k) + W_ +
                           std::max(plain.horizontalAdvance(text(item.numeric.siUnit)), plain.horizontalAdvance(text(item.numeric.englishUnit)));
                break;
            case ItemKind::Choice:
                if (!item.shownChoice()) {
                    takesRow = false;
                    rowBottom = y;
                    break;
                }
                st.current = st.saved = st.accepted = item.entryCount() == 0 ? -1 : item.selected;
                {
                    const auto [known, isNew] = widest.emplace(item.rows.get(), 0);
                    if (isNew && item.rows)
                        for (const std::string& e : *item.rows)
                            known->second = std::max(known->second, static_cast<int>(text(e).size()));
                    int longest = known->second;
                    if (item.keptEntry >= 0)
                        longest = std::max(longest, static_cast<int>(text(item.entry(item.keptEntry)).size()));
                    rowRight = boxLeft(labelLength, W_) + (longest + 3) * W_;
                }
                break;
            case ItemKind::File:
                st.fileName = text(item.valueText).left(255);
                rowRight = boxLeft(labelLength, W_) + fileBoxWidth(k);
                break;
            case ItemKind::Picture: {
                pictures_[k] = pictures.picture(toQ(item.picturePath), item.picture);
                const QSize size = pictures_[k].size();
                rowRight = std::max(0, (80 * W_ - size.width()) / 2) + size.width();
                rowBottom = y + size.height();
                // The marker at the picture's foot puts the next row below the picture.
                labelTop = y + size.height() - H_;
                break;
            }
        }
        top_[k] = y;
        bottom = std::max(bottom, rowBottom);
        reach_[k] = bottom;
        right = std::max(right, rowRight);
        previousTakesRow = takesRow;
        previousLabelTop = labelTop;
    }
    rows_->resize(right + W_, bottom + H_);
    updateRows();
}

void TQUIVETForm::updateRows() {
    if (top_.empty()) return;
    const int at = scrollBox_->verticalScrollBar()->value();
    const int view = std::max(scrollBox_->viewport()->height(), height());
    const int margin = std::max(kRowMargin, view);
    const int low = at - margin, high = at + view + margin;
    const auto inRange = [&](std::size_t k) { return reach_[k] >= low && top_[k] <= high; };

    for (auto it = live_.begin(); it != live_.end();) {
        const std::size_t k = *it;
        if (!inRange(k) && !pinned(k)) {
            dropRow(k);
            it = live_.erase(it);
        } else {
            ++it;
        }
    }
    // reach_ never falls, so the first row in range is found by halving.
    const auto first = std::lower_bound(reach_.begin(), reach_.end(), low) - reach_.begin();
    for (std::size_t k = static_cast<std::size_t>(first); k < top_.size() && top_[k] <= high; ++k)
        if (!live_.count(k)) createRow(k);
}

bool TQUIVETForm::pinned(std::size_t index) const {
    if (index == keep_) return true;
    const Row& r = controls_[index];
    const QWidget* focus = focusWidget();
    if (focus && (focus == r.input || focus == r.choice || focus == r.file)) return true;
    return r.input && r.input->typed();
}

void TQUIVETForm::createRow(std::size_t index) {
    const FormItem& item = doc_.items[index];
    Row& row = controls_[index];
    const int y = top_[index];
    const bool visible = rows_->isVisible();
    const auto show = [visible](QWidget* w) {
        if (visible) w->show();
    };
    const auto label = [&](const QString& caption, const QColor& colour, bool isBold) {
        auto* l = new TDescriptor(caption, rows_);
        if (colour != Qt::black) setColour(l, colour);
        if (isBold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        l->move(2 * W_, y);
        l->adjustSize();
        show(l);
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
                // The heading line must read back: no "|" in the text, and the whole
                // line within 255 characters.
                const int room = static_cast<int>(pal::kMaxLine) - 4 - static_cast<int>(item.label.size()) -
                                 (item.helpField ? 1 + static_cast<int>(item.helpField->size()) : 0);
                box->setMaxLength(std::max(0, std::min(t.isEmpty() ? 80 : 2 * static_cast<int>(t.size()), room)));
                box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), box));
                box->setGeometry((labelLength + 5) * W_, y, (static_cast<int>(t.size()) + 2) * W_ + boxChrome(), H_ + 2);
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
            box->setGeometry(boxLeft(labelLength, W_), y, numericBoxWidth(index), H_ + 2);
            connect(box, &TInput::checked, this, [this, box](bool accepted) {
                errorFlag_ = accepted ? 0 : 100;
                // The focus goes back to a refused box: it is shown too.
                if (!accepted) scrollBox_->ensureWidgetVisible(box, W_, H_);
            });
            row.input = box;
            auto* unit = new TDescriptor(text(item.numeric.unitText(units_)), rows_);
            setColour(unit, Qt::blue);
            unit->move(box->x() + box->width() + W_, y);
            unit->adjustSize();
            row.unitLabel = unit;
            show(unit);
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
            for (std::size_t e = 0; e < item.entryCount(); ++e) {
                entries << text(item.entry(e));
                longest = std::max(longest, static_cast<int>(entries.back().size()));
            }
            box->addItems(entries);
            connect(box, &QComboBox::activated, this, [this, index](int chosen) { choiceChosen(index, chosen); });
            box->setGeometry(boxLeft(labelLength, W_), y - 2, (longest + 3) * W_, H_ + 2);
            break;
        }
        case ItemKind::File: {
            row.label = label(text(item.label), Qt::black, false);
            auto* box = new TOpenFile(rows_);
            box->help = item.help;
            box->unit = item.unit;
            box->vet = [this, index](QString& name) { return vetFileName(index, name); };
            box->setGeometry(boxLeft(labelLength, W_), y, fileBoxWidth(index), H_ + 2);
            row.file = box;
            break;
        }
        case ItemKind::Picture: {
            auto* bitmap = new QLabel(rows_);
            bitmap->setPixmap(pictures_[index]);
            const QSize size = pictures_[index].size();
            bitmap->setGeometry(std::max(0, (80 * W_ - size.width()) / 2), y, size.width(), size.height());
            row.bitmap = bitmap;
            show(bitmap);
            auto* marker = new TDescriptor(QString(), rows_);
            marker->setGeometry(-10, y + size.height() - H_, 1, H_);
            row.label = marker;
            show(marker);
            break;
        }
    }
    applyRow(index);
    for (QWidget* w : {static_cast<QWidget*>(row.input), static_cast<QWidget*>(row.choice),
                       static_cast<QWidget*>(row.file)}) {
        if (!w) continue;
        w->setProperty(kItemProperty, static_cast<qulonglong>(index));
        if (w != row.choice || row.choice->shown) show(w);
    }
    // The caption's modified marker follows every edit.
    if (row.input) {
        connect(row.input, &QLineEdit::textChanged, this, &TQUIVETForm::refreshModifiedMarker);
        connect(row.input, &QLineEdit::textEdited, this, &TQUIVETForm::refreshModifiedMarker);
    }
    if (row.choice) connect(row.choice, &QComboBox::currentIndexChanged, this, &TQUIVETForm::refreshModifiedMarker);
    if (row.file) connect(row.file, &QLineEdit::textChanged, this, &TQUIVETForm::refreshModifiedMarker);
    live_.insert(index);
}

void TQUIVETForm::dropRow(std::size_t index, bool keepState) {
    if (keepState) storeRow(index);
    Row& row = controls_[index];
    for (QWidget* w : {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.unitLabel),
                       static_cast<QWidget*>(row.input), static_cast<QWidget*>(row.choice),
                       static_cast<QWidget*>(row.file), static_cast<QWidget*>(row.bitmap)}) {
        if (!w) continue;
        w->disconnect(this);
        w->hide();
        // Later: the row may go while one of its controls is still handling an event.
        w->deleteLater();
    }
    row = Row{};
}

void TQUIVETForm::storeRow(std::size_t index) {
    const Row& r = controls_[index];
    FieldState& st = state_[index];
    if (r.input) {
        st.edited = r.input->edited();
        if (r.input->numeric) {
            doc_.items[index].numeric.value = r.input->field.value;
            st.typed = r.input->typed();
            st.text = st.typed ? r.input->text() : QString();
        } else {
            st.text = r.input->text();
        }
    }
    if (r.choice && r.choice->shown) {
        st.current = r.choice->currentIndex();
        st.saved = r.choice->savedIndex;
        st.accepted = r.choice->acceptedIndex;
    }
    if (r.file) st.fileName = r.file->fileName;
}

void TQUIVETForm::storeLiveRows() {
    for (const std::size_t k : live_) storeRow(k);
}

void TQUIVETForm::applyRow(std::size_t index) {
    const Row& r = controls_[index];
    const FieldState& st = state_[index];
    const FormItem& item = doc_.items[index];
    if (r.input) {
        const QString shown = shownText(index);
        if (r.input->numeric) {
            r.input->field.value = item.numeric.value;
            r.input->shownUnits = units_;
        }
        if (r.input->text() != shown) {
            r.input->setText(shown);
            r.input->setCursorPosition(0);
        }
        r.input->setTyped(st.typed);
        r.input->setEdited(st.edited);
    }
    if (r.unitLabel) {
        const QString unit = text(item.numeric.unitText(units_));
        if (r.unitLabel->text() != unit) {
            r.unitLabel->setText(unit);
            r.unitLabel->adjustSize();
        }
    }
    if (r.choice && r.choice->shown) {
        r.choice->setCurrentIndex(st.current);
        r.choice->savedIndex = st.saved;
        r.choice->acceptedIndex = st.accepted;
    }
    if (r.file && r.file->fileName != st.fileName) r.file->setFileName(st.fileName);
}

void TQUIVETForm::applyLiveRows() {
    for (const std::size_t k : live_) applyRow(k);
}

QString TQUIVETForm::shownText(std::size_t index) const {
    const FieldState& st = state_[index];
    const FormItem& item = doc_.items[index];
    if (item.kind == ItemKind::Numeric && !st.typed) return toQ(item.numeric.shownText(units_));
    return st.text;
}

std::optional<long double> TQUIVETForm::numericValue(std::size_t index) const {
    const FieldState& st = state_[index];
    const quivet::NumericField& field = doc_.items[index].numeric;
    if (!st.typed) return field.value;
    const auto n = quivet::parseFieldNumber(toBytes(st.text));
    if (!n) return std::nullopt;
    return field.toSI(*n, units_);
}

bool TQUIVETForm::focusable(std::size_t index) const {
    const FormItem& item = doc_.items[index];
    switch (item.kind) {
        case ItemKind::Heading: return item.hasText;
        case ItemKind::Numeric:
        case ItemKind::File: return true;
        case ItemKind::Choice: return item.shownChoice();
        case ItemKind::Picture: return false;
    }
    return false;
}

int TQUIVETForm::focusedItem() const {
    const QWidget* f = focusWidget();
    if (!f || !rows_->isAncestorOf(f)) return -1;
    const QVariant v = f->property(kItemProperty);
    return v.isValid() ? static_cast<int>(v.toULongLong()) : -1;
}

bool TQUIVETForm::inView(std::size_t index) const {
    const int at = scrollBox_->verticalScrollBar()->value(), view = scrollBox_->viewport()->height();
    return top_[index] + H_ > at && top_[index] < at + view;  // partly in view counts
}

int TQUIVETForm::firstInView(bool next) const {
    const int at = scrollBox_->verticalScrollBar()->value(), view = scrollBox_->viewport()->height();
    // Row tops never fall, so both ends are found by halving.
    if (next) return static_cast<int>(std::lower_bound(top_.begin(), top_.end(), at) - top_.begin());
    return static_cast<int>(std::upper_bound(top_.begin(), top_.end(), at + view - H_) - top_.begin());
}

bool TQUIVETForm::focusNextField(bool next) {
    const int n = static_cast<int>(doc_.items.size());
    int from = focusedItem();
    // A field scrolled away with the scroll bar is no place to go on from: the
    // user looks at the rows in view.
    if (n > 0 && (from < 0 || !inView(static_cast<std::size_t>(from)))) {
        from = next ? firstInView(true) - 1 : firstInView(false);
        if (from < 0) from = n - 1;  // before the first row: Tab takes the first field
    }
    for (int step = 1; step <= n; ++step) {
        // From the last field Tab goes round to the first, and Shift+Tab back.
        const int k = from < 0 ? (next ? step - 1 : n - step) : ((from + (next ? step : -step)) % n + n) % n;
        if (!focusable(static_cast<std::size_t>(k))) continue;
        if (QWidget* w = showField(static_cast<std::size_t>(k))) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            if (auto* box = qobject_cast<QLineEdit*>(w)) box->selectAll();
            return true;
        }
    }
    return false;
}

QWidget* TQUIVETForm::showField(std::size_t index) {
    if (index >= doc_.items.size()) return nullptr;
    keep_ = index;
    if (!live_.count(index)) createRow(index);
    const Row& r = controls_[index];
    QWidget* field = r.input ? static_cast<QWidget*>(r.input)
                     : r.file ? static_cast<QWidget*>(r.file)
                     : (r.choice && r.choice->shown) ? static_cast<QWidget*>(r.choice)
                                                     : nullptr;
    QWidget* target = field ? field : r.label;
    if (target) scrollBox_->ensureWidgetVisible(target, W_, H_);
    updateRows();
    keep_ = SIZE_MAX;
    return field;
}
