// TPrintProgress: the small "Please wait" window shown on top while a print job
// runs; the job creates one for itself and releases it when it ends.
#pragma once
#include <QDialog>

class QLabel;

class TPrintProgress : public QDialog {
    Q_OBJECT
public:
    explicit TPrintProgress(QWidget* parent = nullptr);

    QString text() const;
    // Shows the window centred on the screen and lets it paint before the job
    // keeps the event loop busy.
    void showCentred();

private:
    QLabel* label_{nullptr};
};
