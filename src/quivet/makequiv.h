// TMakeQUIVETDlg ("Make QUIVET File"): the units of an analysed deck with their
// parameters and inputs to offer as form fields, and the command that makes a
// QUIVET file from the active deck editor.
#pragma once
#include <QDialog>

#include "quivet/deckanalysis.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class Workbench;

class TMakeQUIVETDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMakeQUIVETDlg(QWidget* parent = nullptr);

    // The deck and its analysis; fills the unit list.
    void setDeck(const QString& deckFile, quivet::DeckAnalysis analysis);
    const quivet::DeckAnalysis& analysis() const { return analysis_; }
    // The QUIVET file written by OK; empty when none was written.
    QString writtenFile() const { return written_; }

    void FormActivate();
    void FillUnitBox();
    void FillParamInputBox();
    void SetParamInputBox();
    void UnitBoxClick();
    void AllClick();
    void NoneClick();
    void UnitBoxEnter();
    void ParBoxEnter();
    void InpBoxEnter();
    void OKBtnClick();

    QListWidget* unitBox() const { return UnitBox; }
    QListWidget* parBox() const { return ParBox; }
    QListWidget* inpBox() const { return InpBox; }
    QCheckBox* headerBox() const { return Header; }
    QCheckBox* simulationCardBox() const { return Simulationcard; }
    QPushButton* okButton() const { return OKBtn; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Clears, with a beep, the entries of a list that cannot become constants.
    void refuseUnselectable(QListWidget* list);

    QString deckFile_;
    QString written_;
    quivet::DeckAnalysis analysis_;
    int shown_ = -1;
    bool filling_ = false;
    QListWidget* target_{nullptr};

    QListWidget* UnitBox{nullptr};
    QListWidget* ParBox{nullptr};
    QListWidget* InpBox{nullptr};
    QCheckBox* Header{nullptr};
    QCheckBox* Simulationcard{nullptr};
    QPushButton* AllBtn{nullptr};
    QPushButton* NoneBtn{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};
};

namespace quivet {
// QUIVET > Make QUIVET file: acts only on a deck editor window.
void RunMakeQUIVET(Workbench& bench);
}  // namespace quivet
