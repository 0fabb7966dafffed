#include "mkqtypefiles.h"

#include <filesystem>
#include <fstream>

namespace mkqtest {

const char* const kType1 =
    "Component-type information of the sample installation\r\n"
    "TYPE 1 Flat-plate solar collector\r\n"
    "PARAMETERS\r\n"
    "MODE\r\n"
    "  Flow mode of the collector\r\n"
    "none 1 3\r\n"
    "AREA\r\n"
    "Collector area\r\n"
    "m2 ft2 0 10.7639 0 1000\r\n"
    "ETA0\r\n"
    "Optical efficiency of the collector glazing and absorber\r\n"
    "none 0 1.00\r\n"
    "CP\r\n"
    "Specific heat of the fluid\r\n"
    "kJ/kgK Btu/lbF 0 0.238846 1 10\r\n"
    "INPUTS\r\n"
    "TIN\r\n"
    "Inlet temperature\r\n"
    "C F 17.7778 1.8 -50 200\r\n"
    "FLOW\r\n"
    "Mass flow | rate\r\n"
    "kg/h lb/h 0 2.20462 0 1E+04\r\n"
    "TAMB\r\n"
    "Ambient temperature\r\n"
    "C F 17.7778 1.8 -50 60\r\n";

const char* const kType3 =
    "TYPE 3 PUMP\r\n"
    "PARMOD 1\r\n"
    "MODE 1-1\r\n"
    "PARAMETERS\r\n"
    "MODE\r\n"
    "Pump mode\r\n"
    "none 1 2\r\n"
    "FMAX\r\n"
    "Rated flow\r\n"
    "kg/h lb/h 0 2.20462 0 1E+05\r\n"
    "INPUTS\r\n"
    "CTRL\r\n"
    "Control signal\r\n"
    "none 0 1\r\n"
    "MODE 1-2\r\n"
    "PARMOD 2 ZERO\r\n"
    "MODE 2 NEG\r\n"
    "PARAMETERS\r\n"
    "MODE\r\n"
    "Pump mode\r\n"
    "none 1 2\r\n"
    "DIR\r\n"
    "Direction, reversed\r\n"
    "none -1 1\r\n"
    "INPUTS\r\n"
    "SPD\r\n"
    "Speed\r\n"
    "none 0 1\r\n"
    "MODE 2 POS\r\n"
    "PARAMETERS\r\n"
    "MODE\r\n"
    "Pump mode\r\n"
    "none 1 2\r\n"
    "DIR\r\n"
    "Direction, forward\r\n"
    "none -1 1\r\n"
    "INPUTS\r\n"
    "SPD\r\n"
    "Speed\r\n"
    "none 0 1\r\n";

const char* const kType5 =
    "TYPE 5 STRATIFIED TANK\r\n"
    "PARAMETERS\r\n"
    "VOL\r\n"
    "Tank volume\r\n"
    "m3 gal 0 264.172 0.01 100\r\n"
    "REPEAT\r\n"
    "T\r\n"
    "Initial node temperature\r\n"
    "C F 17.7778 1.8 0 100\r\n"
    "INPUTS\r\n"
    "REPEAT\r\n"
    "TI\r\n"
    "Inlet temperature\r\n"
    "C F 17.7778 1.8 0 100\r\n";

void writeType(const std::string& folder, int type, const std::string& text) {
    std::filesystem::create_directories(folder + "/INFO");
    std::ofstream(folder + "/INFO/TYPE" + std::to_string(type) + ".INF", std::ios::binary) << text;
}

void writeAllTypes(const std::string& folder) {
    writeType(folder, 1, kType1);
    writeType(folder, 3, kType3);
    writeType(folder, 5, kType5);
}

}  // namespace mkqtest
