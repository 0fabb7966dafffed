// The Plot menu's commands and the plot windows that file dispatch opens.
#include "plot/plotcommands.h"

#include <QPointer>
#include <memory>

#include "plot/modplotu.h"
#include "plot/plotf.h"
#include "plot/plotsetu.h"
#include "shell/docfactory.h"
#include "shell/palumaro.h"
#include "shell/seams.h"

namespace plot {

namespace {

// The two dialogs live as long as the main window that owns them.
QPointer<TPlotSetup>& setupDialog() {
    static QPointer<TPlotSetup> d;
    return d;
}
QPointer<TModPlot>& modifyDialog() {
    static QPointer<TModPlot> d;
    return d;
}

void showModify(TPlotForm* form) {
    TModPlot* d = modifyDialog();
    if (!d || !form) return;
    d->setPlotWindow(form);
    d->FormActivate();
    seams().dialogs->execDialog(*d);
    if (TPALUMAROFORM* main = MainForm()) main->UpdateMenu();
}

}  // namespace

TPlotForm* makePlotWindow() {
    auto* w = new TPlotForm;
    QObject::connect(w, &TPlotForm::modifyRequested, w, [](TPlotForm* form) {
        if (TPALUMAROFORM* main = MainForm()) main->setActiveDocWindow(form);
        showModify(form);
    });
    return w;
}

TPlotSetup* setupDialogInstance() { return setupDialog(); }
TModPlot* modifyDialogInstance() { return modifyDialog(); }

void install(TPALUMAROFORM& main) {
    setupDialog() = new TPlotSetup(&main);
    modifyDialog() = new TModPlot(&main);
    docFactories().plotWindow = [](const QString& path) -> TDocWindow* {
        std::unique_ptr<TPlotForm> w(makePlotWindow());
        if (!w->Open(path)) return nullptr;
        return w.release();
    };
}

void NewPlot(TPALUMAROFORM& main) {
    TPlotSetup* d = setupDialog();
    if (!d) return;
    d->setTarget(main.plotDataFileName, nullptr);
    if (d->FormActivate()) seams().dialogs->execDialog(*d);
    main.UpdateMenu();
}

void OverlayPlot(TPALUMAROFORM& main) {
    TPlotSetup* d = setupDialog();
    if (!d) return;
    TPlotForm* target = nullptr;
    int count = 0;
    for (TDocWindow* w : main.docWindows()) {
        if (w->Tag() != Kind::Plot) continue;
        if (auto* p = qobject_cast<TPlotForm*>(w)) {
            target = p;
            ++count;
        }
    }
    if (count == 0) return;
    if (count > 1) {
        seams().alerts->beep();
        seams().alerts->beep();
    }
    d->setTarget(main.plotDataFileName, target);
    if (d->FormActivate()) seams().dialogs->execDialog(*d);
    main.UpdateMenu();
}

void ModifyPlot(TPALUMAROFORM& main) {
    TDocWindow* active = main.activeDocWindow();
    if (!active || !main.docWindows().contains(active)) return;
    showModify(qobject_cast<TPlotForm*>(active));
}

}  // namespace plot
