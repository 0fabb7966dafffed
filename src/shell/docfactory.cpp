#include "shell/docfactory.h"

DocumentFactories& docFactories() {
    static DocumentFactories f;
    return f;
}
