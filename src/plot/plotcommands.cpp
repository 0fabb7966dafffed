// The Plot menu's commands and the plot windows that file dispatch opens.
#include "plot/plotcommands.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

#include "plot/plotf.h"
#include "shell/docfactory.h"
#include "shell/palumaro.h"

namespace plot {

namespace {

void connectWindow(TPlotForm* w) {
    QObject::connect(w, &TPlotForm::modifyRequested, w, [](TPlotForm* form) {
        if (TPALUMAROFORM* main = MainForm()) {
            main->setActiveDocWindow(form);
            ModifyPlot(*main);
        }
    });
}

}  // namespace

TPlotForm* makePlotWindow() {
    auto* w = new TPlotForm;
    connectWindow(w);
    return w;
}

void install(TPALUMAROFORM& main) {
    Q_UNUSED(main);
    docFactories().plotWindow = [](const QString& path) -> TDocWindow* {
        std::unique_ptr<TPlotForm> w(makePlotWindow());
        w->Open(path);
        return w.release();
    };
}

void NewPlot(TPALUMAROFORM&) {}
void OverlayPlot(TPALUMAROFORM&) {}
void ModifyPlot(TPALUMAROFORM&) {}

}  // namespace plot
