// TTableForm: the run table window (kind 5000). It owns the one run table, shows
// it in an editable grid, reads and saves the table file, copies and pastes
// through the clipboard, prints into the print job and writes the run decks.
#pragma once
#include <QSize>
#include <string>
#include <vector>

#include "shell/docwindow.h"
#include "table/tabledata.h"
#include "table/tablegrid.h"

class QPainter;
class QRect;
class TTableRunPanel;

namespace table {
// The run range the alter-values dialog offers, shared by every table window:
// set to 1 .. runs when a table window is created.
struct RunRange {
    int first = 1;
    int last = 0;
};
RunRange& rememberedRunRange();
}  // namespace table

class TTableForm : public TDocWindow, public TableGridHost {
    Q_OBJECT
public:
    // FormCreate: an empty table, kind 5000, modified.
    explicit TTableForm(QWidget* parent = nullptr);
    ~TTableForm() override;

    // A new table: its data, its file path (also the caption); it is modified
    // until it is saved, and the window becomes the current table.
    void setTable(table::TableData data, const QString& tablePath);
    // Reads a table file; throws pal::IoError and then leaves the window as it
    // was. The window becomes the current table and the table file the Windows
    // menu's table.
    void ReadTable(const QString& path);
    // Tells the main window that this window holds the one run table, and its
    // file (the Windows menu's table).
    void announceAsCurrent();
    // Writes the table file; the path becomes the table's path. Throws pal::IoError.
    void SaveTable(const QString& path);

    table::TableData& data() { return data_; }
    const table::TableData& data() const override { return data_; }
    QString tableFileName() const { return tablePath_; }
    QString deckFileName() const;
    // Whether the table holds changes that are not stored: a new table until it
    // is saved, any other after a change of its data.
    bool modified() const { return isModified(); }
    // Takes the table as stored (false) or as never saved (true).
    void setModified(bool m);
    TTableGrid* grid() const { return Grid; }
    // The status column and progress row of table runs.
    TTableRunPanel* runPanel() const { return runPanel_; }

    // The text of a cell (grid coordinates; row 0 names, column 0 run numbers).
    std::string GetS(int column, int row) const;
    // Paints one cell; the same routine paints the grid, its fixed row and
    // column, and images in tests.
    void GridDrawCell(QPainter& painter, int column, int row, const QRect& rect) const override;
    // The in-place editor opens on a cell with its shown text. Until that text
    // is changed the cell keeps its stored value, which may hold more digits
    // than the column's format shows.
    QString GridGetEditText(int column, int row) override;
    // The in-place editor's text changed.
    void GridSetEditText(int column, int row, const QString& text) override;
    // The in-place editor closed: its opening text no longer stands for anything.
    void GridEditDone() override { editStart_ = {}; }
    // A cell's full value (tooltip of the grid).
    QString fullValueText(int column, int row) const override;

    // A column's display format (style 0 exponent, 1 fixed, 2 automatic).
    void setColumnFormat(int column, pal::LabelFormat format);
    // Asks for a column's display format (the grid's context menu).
    void ColumnFormatClick(int column) override;

    // The selection rectangle in grid coordinates (the current cell when nothing
    // is selected).
    table::CellRect selection() const;
    void setSelection(const table::CellRect& r);
    void SelectAll();

    // Writes one run deck per run; true when all were written, false when it
    // failed (the message was shown).
    [[nodiscard]] bool WriteTableDeck();
    const std::vector<std::string>& RunDeckNames() const { return data_.runDeckNames; }

    // The table changed its shape (runs or variables): grid and window follow.
    void shapeChanged();
    // Fits the window to whole columns and rows of the grid.
    void FormResize();

    // TDocWindow
    bool FormCloseQuery() override;
    void Print(PrintContext& ctx) override;
    QString fileName() const override { return tablePath_; }
    QString documentName() const override { return tablePath_; }
    void saveTo(const QString& path) override { SaveTable(path); }
    bool isModified() const override { return neverSaved_ || data_.changes() != storedChanges_; }
    // File > Save writes the table file (a name whose extension is not ".TBL"
    // gets it); Save as writes exactly the chosen file.
    bool save() override;
    bool saveAs(const QString& suggestedName) override;
    void cut() override {
        CopytoClip();
        Clear();
    }
    void copy() override { CopytoClip(); }
    void paste() override { Paste(); }
    void clear() override { Clear(); }
    void CopytoClip();
    void Clear();
    void Paste();
    void FormActivate() override;

protected:
    void showEvent(QShowEvent* event) override;
    // A table without a file name closes without asking.
    bool asksBeforeClosing() const override { return !tablePath_.isEmpty() && isModified(); }
    // Esc cancels a table run.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setCaption(const QString& path);
    void placeWindow();

    TTableGrid* Grid{nullptr};
    TTableRunPanel* runPanel_{nullptr};
    table::TableData data_;
    QString tablePath_;
    bool neverSaved_ = true;
    std::uint64_t storedChanges_ = 0;  // data_.changes() when last read or saved
    bool placed_ = false;
    // The room beside and under the grid (the run panel) that the window's
    // size holds now, and the client size the window fitted itself to before
    // the main window took it in.
    QSize fittedExtra_;
    QSize openingClient_;
    // The cell the in-place editor was opened on, as it was then.
    struct EditStart {
        int column = 0, row = 0;
        QString text;
        long double value = 0;
        bool modified = false;
    } editStart_;
};
