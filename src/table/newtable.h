// TNewTableDlg: choosing a table's variables among a deck's constants and its
// number of runs (New Table), or reshaping the current table's variables
// (Insert/Delete Vars).
#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "table/deckconstants.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TTableForm;

class TNewTableDlg : public QDialog {
    Q_OBJECT
public:
    enum Mode { NewTableMode = 0, InsertDeleteMode = 1 };

    explicit TNewTableDlg(QWidget* parent = nullptr);

    // New Table: the deck and the constants found in it.
    void setDeck(const QString& deckPath, std::vector<table::DeckVariable> variables);
    // Insert/Delete Vars: the lists show the table's variables and the other
    // constants of its deck.
    void setTable(const TTableForm& table);
    void setMode(Mode m) { mode_ = m; }
    Mode mode() const { return mode_; }
    QString deckPath() const { return deckPath_; }

    // What OK accepted: the chosen variables in order and the number of runs.
    std::vector<std::string> chosenNames() const;
    int runs() const { return runs_; }

    void FormActivate();
    void IncludeBtnClick();
    void ExcludeBtnClick();
    void IncAllBtnClick();
    void ExcAllBtnClick();
    void OKBtnClick();
    void CancelBtnClick() { reject(); }
    void SetButtons();
    // An item pressed in either list: its unit and description in the panel.
    void ListMouseDown(QListWidgetItem* item);

    QListWidget* SrcList{nullptr};
    QListWidget* DstList{nullptr};
    QPushButton* IncludeBtn{nullptr};
    QPushButton* IncAllBtn{nullptr};
    QPushButton* ExcludeBtn{nullptr};
    QPushButton* ExcAllBtn{nullptr};
    QLineEdit* RunsEdit{nullptr};
    QLabel* InfoLine1{nullptr};
    QLabel* InfoLine2{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};

protected:
    void showEvent(QShowEvent* event) override;

private:
    void MoveSelected(QListWidget* from, QListWidget* to);
    void moveAll(QListWidget* from, QListWidget* to);
    void SetItem(QListWidget* list, int index);
    static int GetFirstSelection(const QListWidget* list);
    QListWidgetItem* itemFor(std::size_t variable) const;

    QString deckPath_;
    Mode mode_ = NewTableMode;
    std::vector<table::DeckVariable> variables_;
    int runs_ = 0;
};
