// The QUIVET form windows that file dispatch opens.
#include "quivet/quivetcommands.h"

#include <memory>

#include "quivet/quivet.h"
#include "shell/docfactory.h"

namespace quivet {

void install(TPALUMAROFORM&) {
    docFactories().quivetWindow = [](const QString& path) -> TDocWindow* {
        auto form = std::make_unique<TQUIVETForm>();
        // A file that cannot be shown has been reported; no window opens.
        if (!form->ReadDeck(path)) return nullptr;
        return form.release();
    };
}

// Making QUIVET files from plain decks is not offered yet.
void MakeQUIVETfile(TPALUMAROFORM&) {}

}  // namespace quivet
