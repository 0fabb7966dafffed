// The help windows: created once at start-up; the index dialog is what File >
// Open shows for an index file, the topic help what F1 shows on a form field.
#pragma once
#include <QString>

class Workbench;

namespace help {

void install(Workbench& bench);

// Shows the index file's entries; the chosen entry opens as a document.
void ShowIndex(const QString& indexPath);

// Shows help topic `topic` of the QUIVET file quivetPath, captioned with the
// field's label.
void ShowFieldHelp(int topic, const QString& quivetPath, const QString& fieldLabel);

// Shows a help text captioned "Help for " + subject: the help file when one is
// named (read as an index entry's help text is), else the text.
void ShowHelp(const QString& subject, const QString& helpFile, const QString& text);

}  // namespace help
