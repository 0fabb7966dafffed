// TPrintDlg: "Select Windows to Print". Two lists, the open windows and the ones
// to print in their printing order; OK prints the chosen windows in one job.
#pragma once
#include <QDialog>
#include <QList>

class QListWidget;
class QListWidgetItem;
class QPrinter;
class QPushButton;
class QSpinBox;
class TDocWindow;

class TPrintDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPrintDlg(QWidget* parent = nullptr);

    // Fills the lists from the open windows: the active one (when open) is
    // chosen, the rest are offered.
    void fill(const QList<TDocWindow*>& open, TDocWindow* active);

    void IncludeBtnClick();   // ">"
    void IncAllBtnClick();    // ">>"
    void ExcludeBtnClick();   // "<"
    void ExcAllBtnClick();    // "<<"
    void SrcListDragDrop();   // a drop on "Windows:" acts as "<"
    void DstListDragDrop();   // a drop on "Print:" acts as ">"
    bool SrcListDragOver() const { return true; }
    bool DstListDragOver() const { return true; }
    void OKBtnClick();

    // Moves the selected items of list, from the last to the first, into to.
    void MoveSelected(QListWidget* list, QListWidget* to);
    void SetButtons();
    // The index of the first selected item, -1 when none is selected.
    int GetFirstSelection(QListWidget* list) const;
    // Focuses list and selects its item at index (-1: the first; past the end: the last).
    void SetItem(QListWidget* list, int index);

    QListWidget* srcList() const { return SrcList; }
    QListWidget* dstList() const { return DstList; }
    QPushButton* button(const QString& name) const;
    // The windows of the "Print:" list, in printing order.
    QList<TDocWindow*> chosenWindows() const;

    // The printer OK prints on (the main window's shared printer).
    void setPrinter(QPrinter* printer) { printer_ = printer; }
    // File > Print Preview: OK shows the chosen windows' pages as the print job
    // lays them out on the printer, from where they can be printed.
    void setPreview(bool preview);
    bool previewing() const { return preview_; }
    // The preview of the windows through the print job on the printer.
    static void previewWindows(const QList<TDocWindow*>& windows, QPrinter& printer, QWidget* parent);

    // A window's item text: its caption after the last "\" or "/".
    static QString itemText(const QString& caption);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addItem(QListWidget* list, QListWidgetItem* item);
    void printWindows(const QList<TDocWindow*>& windows, QPrinter& printer);

    QListWidget* SrcList{nullptr};
    QListWidget* DstList{nullptr};
    QPushButton* IncludeBtn{nullptr};
    QPushButton* IncAllBtn{nullptr};
    QPushButton* ExcludeBtn{nullptr};
    QPushButton* ExcAllBtn{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};
    QSpinBox* FromPage{nullptr};  // 0: from the first page
    QSpinBox* ToPage{nullptr};    // 0: to the last page
    QPrinter* printer_{nullptr};
    bool preview_ = false;
};
