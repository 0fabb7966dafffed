// The QUIVET form windows that file dispatch opens, and Make QUIVET file.
#include "quivet/quivetcommands.h"

#include <memory>

#include "quivet/makequiv.h"
#include "quivet/quivet.h"
#include "shell/docfactory.h"
#include "shell/workbench.h"

namespace quivet {

void install(Workbench& bench) {
    docFactories().quivetWindow = [&bench](const QString& path) -> TDocWindow* {
        auto form = std::make_unique<TQUIVETForm>(bench.progressWindow());
        // A file that cannot be shown has been reported; no window opens.
        if (!form->ReadDeck(path)) return nullptr;
        return form.release();
    };
}

void MakeQUIVETfile(Workbench& bench) { RunMakeQUIVET(bench); }

}  // namespace quivet
