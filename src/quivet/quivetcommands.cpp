// The QUIVET form windows that file dispatch opens, and Make QUIVET file.
#include "quivet/quivetcommands.h"

#include <memory>

#include "quivet/makequiv.h"
#include "quivet/quivet.h"
#include "shell/docfactory.h"
#include "mainwindow/palumaro.h"

namespace quivet {

void install(TPALUMAROFORM& main) {
    docFactories().quivetWindow = [&main](const QString& path) -> TDocWindow* {
        auto form = std::make_unique<TQUIVETForm>(main.compiling());
        // A file that cannot be shown has been reported; no window opens.
        if (!form->ReadDeck(path)) return nullptr;
        return form.release();
    };
}

void MakeQUIVETfile(TPALUMAROFORM& main) { RunMakeQUIVET(main); }

}  // namespace quivet
