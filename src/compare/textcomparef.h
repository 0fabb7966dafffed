// TTextCompareForm: two text files (listings, output tables) side by side with
// the changed lines marked and the changed words highlighted; F7 and Shift+F7
// go to the next and previous difference. Numbers that differ only within the
// tolerance count as equal unless Exact comparison is on. The files are never
// loaded as a whole: the view paints the visible rows from the comparison,
// which goes on in slices while the window is shown.
#pragma once
#include <QAbstractScrollArea>
#include <QHash>
#include <memory>
#include <optional>

#include "compare/comparedlg.h"
#include "compare/textcompare.h"
#include "shell/docwindow.h"

class QCheckBox;
class QLabel;
class QTimer;

class TTextCompareView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TTextCompareView(QWidget* parent = nullptr);

    void setComparison(cmp::TextComparison* comparison);  // not owned; null to clear
    // The comparison has more rows: the scroll range follows.
    void rowsChanged();
    qint64 firstRow() const;
    int visibleRows() const;
    // Scrolls so that row is shown a few rows below the top.
    void showRow(qint64 row);
    // The difference the keys move between (its first row; -1: none).
    void setCurrentRow(qint64 row);
    qint64 currentRow() const { return current_; }
    int rowHeight() const { return rowHeight_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Shown {
        QString text;
        QList<QPair<int, int>> marks;  // display columns: start, length
    };
    Shown shownLine(bool left, std::size_t line, const std::vector<std::pair<std::size_t, std::size_t>>& spans);
    void updateRanges();

    cmp::TextComparison* c_{nullptr};
    int rowHeight_ = 16;
    int charWidth_ = 8;
    qint64 current_ = -1;
};

class TTextCompareForm : public TDocWindow {
    Q_OBJECT
public:
    // Opens both files (throws pal::IoError) and compares the first screen.
    TTextCompareForm(const QString& reference, const QString& candidate, const CompareRequest& request,
                     QWidget* parent = nullptr);
    ~TTextCompareForm() override;

    cmp::TextComparison& comparison() { return *comparison_; }
    TTextCompareView* view() const { return view_; }
    QLabel* status() const { return status_; }
    QCheckBox* exactBox() const { return exact_; }

    // F7 and Shift+F7: the next or previous difference (compared as far as
    // needed); false when there is none.
    bool nextDifference();
    bool previousDifference();
    // Compares the rest now (the timer does it in slices otherwise).
    void finishComparing();
    void setExact(bool exact);

    // Edit > Copy: the current difference as "-" and "+" lines.
    void copy() override;
    void Print(PrintContext& ctx) override;

private:
    void start();
    void slice();
    // The first difference after row (-1: the first of all), as far as compared.
    std::optional<std::size_t> differenceAfter(qint64 row) const;
    void updateStatus();

    QString reference_, candidate_;
    CompareRequest request_;
    std::unique_ptr<cmp::TextComparison> comparison_;
    TTextCompareView* view_{nullptr};
    QLabel* status_{nullptr};
    QCheckBox* exact_{nullptr};
    QTimer* timer_{nullptr};
    bool userMoved_ = false;  // the first difference is shown only while the user has not moved
};
