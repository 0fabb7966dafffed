// TTableGrid: the grid control of the table window. Row 0 (the variable names)
// and column 0 (the run numbers) are its fixed header row and column. Its model
// wraps the table data and follows the data's change notices; every cell is
// painted and edited in place through the window that hosts the grid.
#pragma once
#include <QString>
#include <QTableView>
#include <string>

class QAbstractTableModel;
class QPainter;
class QRect;
namespace table {
class TableData;
}

// What the grid asks of the window that hosts it (grid coordinates: row 0 the
// names, column 0 the run numbers).
class TableGridHost {
public:
    static constexpr int kDefaultColumnWidth = 90;
    static constexpr int kDefaultRowHeight = 20;

    virtual const table::TableData& data() const = 0;
    virtual void GridDrawCell(QPainter& painter, int column, int row, const QRect& rect) const = 0;
    virtual QString GridGetEditText(int column, int row) = 0;
    virtual void GridSetEditText(int column, int row, const QString& text) = 0;
    virtual void GridEditDone() = 0;
    virtual QString fullValueText(int column, int row) const = 0;
    virtual void ColumnFormatClick(int column) = 0;

protected:
    ~TableGridHost() = default;
};

class TTableGrid : public QTableView {
    Q_OBJECT
public:
    // Follows the host's table: a change of its shape re-reads rows and
    // columns, a change of values repaints.
    TTableGrid(TableGridHost& host, QWidget* parent);
    ~TTableGrid() override;

    // Re-reads the table's shape after runs or variables changed.
    void refresh();
    // The grid's current cell in grid coordinates (1-based; 0 when none).
    int currentColumn() const;
    int currentRow() const;
    void setCurrentCell(int column, int row);
    // Enter pressed in the in-place editor: the editor's close moves down a run.
    void editorEnterPressed() { enterPressed_ = true; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveDown();

    TableGridHost& form_;
    QAbstractTableModel* model_{nullptr};
    bool enterPressed_ = false;
    int listening_ = 0;
};
