// Component-type information files and decks shared by the make-QUIVET tests.
#pragma once
#include <string>

namespace mkqtest {

// TYPE1 (collector: 4 parameters, 3 inputs), TYPE3 (pump with a mode chosen by
// parameter 1), TYPE5 (tank: repeated descriptions) in one engine folder layout.
extern const char* const kType1;
extern const char* const kType3;
extern const char* const kType5;

// Writes folder/INFO/TYPEn.INF.
void writeType(const std::string& folder, int type, const std::string& text);
void writeAllTypes(const std::string& folder);

}  // namespace mkqtest
