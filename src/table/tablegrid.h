// TTableGrid: the grid control of the table window. Row 0 (the variable names)
// and column 0 (the run numbers) are its fixed header row and column; every cell
// is painted by the window's GridDrawCell and edited in place.
#pragma once
#include <QTableView>

class TTableForm;
class QAbstractTableModel;

class TTableGrid : public QTableView {
    Q_OBJECT
public:
    explicit TTableGrid(TTableForm& form);

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

    TTableForm& form_;
    QAbstractTableModel* model_{nullptr};
    bool enterPressed_ = false;
};
