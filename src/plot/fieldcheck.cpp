#include "plot/fieldcheck.h"

#include <QLineEdit>

#include "plot/curvebuilder.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace plot {

void refuseField(QLineEdit* field) {
    seams().alerts->beep();
    field->setFocus();
    field->selectAll();
}

std::optional<long double> ReadFloatField(QLineEdit* field, int mode, long double lowerBound) {
    const auto v = parseReal(toBytes(field->text()));
    if (!v || (mode == 1 && !(*v > lowerBound))) {
        refuseField(field);
        return std::nullopt;
    }
    return v;
}

}  // namespace plot
