#include "support/fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QRandomGenerator>

#include "shell/docfactory.h"
#include "support/testsupport.h"

namespace testsupport {

void ProgramDirFixture::startProgramDir() {
    dir_ = makeDotFreeTempDir(tmp_) + QStringLiteral("/p%1").arg(QRandomGenerator::global()->generate());
    QDir().mkpath(dir_);
    prepareProgramDir(dir_);
    seams_ = std::make_unique<ScriptedSeams>();
}

void ProgramDirFixture::endProgramDir() {
    seams_.reset();
    docFactories() = DocumentFactories{};
    QDir(dir_).removeRecursively();
}

void MainWindowFixture::startMainWindow(Engine engine) {
    const auto ws = makeWorkspace(tmp_);
    prog_ = ws.prog;
    work_ = ws.work;
    if (engine == Engine::Linked) linkEngine(prog_);
    seams_ = std::make_unique<ScriptedSeams>();
    form_ = std::make_unique<TPALUMAROFORM>();
    form_->startUp();
    QDir::setCurrent(work_);
}

void MainWindowFixture::endMainWindow(Ending ending) {
    if (form_) {
        if (ending == Ending::CloseWindowsFirst) {
            for (TDocWindow* w : form_->docWindows()) w->closeWithoutQuery();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            seams_->alerts.answers = std::deque<AlertButton>(50, AlertButton::No);
        }
    }
    form_.reset();
    seams_.reset();
    docFactories() = DocumentFactories{};
    QDir::setCurrent(QDir::tempPath());
    if (!prog_.isEmpty()) QDir(prog_).removeRecursively();
    if (!work_.isEmpty()) QDir(work_).removeRecursively();
}

void MainWindowFixture::usePlotData(const QByteArray& bytes) {
    writeFile(work_ + QStringLiteral("/DATA.PLT"), bytes);
    form_->plotDataFileName = work_ + QStringLiteral("/DATA.PLT");
    form_->UpdateMenu();
}

void MainWindowFixture::answeringDialogs(const std::function<int(QDialog&)>& answer,
                                         const std::function<void()>& command) {
    seams_->dialogs.onDialog = answer;
    command();
    seams_->dialogs.onDialog = nullptr;
}

void selectItems(QListWidget* l, const QStringList& names) {
    l->clearSelection();
    for (int i = 0; i < l->count(); ++i)
        if (names.contains(l->item(i)->text().trimmed())) l->item(i)->setSelected(true);
}

}  // namespace testsupport
