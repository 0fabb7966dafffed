// The help windows: created once at start-up; the index dialog is what File >
// Open shows for an index file, the topic help what F1 shows on a form field.
#pragma once
#include <QString>

class TPALUMAROFORM;

namespace help {

void install(TPALUMAROFORM& main);

// Shows the index file's entries; the chosen entry opens as a document.
void ShowIndex(const QString& indexPath);

// Shows help topic `topic` of the QUIVET file quivetPath, captioned with the
// field's label.
void ShowFieldHelp(int topic, const QString& quivetPath, const QString& fieldLabel);

}  // namespace help
