// What the main window does as a Linux desktop program beside its documented
// behaviour: the standard keys, files dropped on it or named on the command
// line, the folder File > Open starts in, and window geometry remembered from
// one run to the next (in the user's configuration directory).
#pragma once
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <memory>

class QAction;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QSettings;
class TDocWindow;

// What desktop integration needs of the frame it serves (the main window).
class DesktopFrame {
public:
    virtual QMainWindow& mainWindow() = 0;
    virtual QMdiArea* mdiArea() const = 0;
    virtual QAction* item(const QString& name) const = 0;
    virtual TDocWindow* activeDocument() const = 0;
    virtual void SearchAgain1Click() = 0;
    virtual bool openAsChosen(const QString& path) = 0;

protected:
    ~DesktopFrame() = default;
};

// The program's own settings (window geometry, the last folder opened):
// palumaro.conf in the user's configuration directory.
std::unique_ptr<QSettings> desktopSettings();

// The samples folder: the installation's, or the user's own copy of it (made
// on first use) when the installation is read-only.
QString samplesFolder();

class DesktopIntegration : public QObject {
    Q_OBJECT
public:
    explicit DesktopIntegration(DesktopFrame& frame);

    // Opens a file as File > Open does once the file is chosen (the close
    // questions first); false when a window refused to close.
    bool openFile(const QString& path);

    // Shows the frame with its remembered geometry and state, else maximised.
    void showMainWindow();
    // Keeps the frame's geometry and the sizes of the open document windows.
    void saveGeometry();

    // The folder File > Open starts in: that of the last file opened (in any
    // run), else the samples folder, else the current folder.
    QString openDialogDirectory() const;
    void rememberOpenedFile(const QString& path);

    // Sizes a new document window as its kind was last and places it in the
    // cascade inside the visible area of the frame.
    void placeDocWindow(QMdiSubWindow* sub, int kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addShortcuts();
    void searchBackwards();
    void rememberSize(QMdiSubWindow* sub);

    DesktopFrame& frame_;
    QPoint nextCascade_{0, 0};
};
