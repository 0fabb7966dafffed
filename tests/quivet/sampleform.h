// A small QUIVET file holding every kind of item, shared by the core tests.
#pragma once
#include <string>

#include "quivettestfiles.h"

namespace quivettest {

inline const char* const kSampleForm =
    "*QUIVET\r\n"
    "*|*Pump and tank\r\n"
    "*|*Case|Base case|7\r\n"
    "CONSTANTS 4\r\n"
    "AREA = 12.0\r\n"
    "*|Tank area        |m2|ft2|0|10.7639|1|100.0|12\r\n"
    "TEMP=100\r\n"
    "*|Water temperature|C|F|17.7778|1.8|0|150.00|\r\n"
    "FLUID=water\r\n"
    "*|<Fluid|fluids.chc|1|2|3\r\n"
    "DENS=1000\r\n"
    "*|<Density|fluids.chc|0|3|0\r\n"
    "*|<PICTURE> pump.bmp\r\n"
    "ASSIGN data.txt 10\r\n"
    "*|?Input data|5\r\n"
    "*|<BEFORE> echo before\r\n"
    "*|<after> echo after\r\n"
    "END\r\n";

inline void writeSampleForm(const ScratchDir& d, const std::string& name = "form.qvd") {
    writeBytes(d.path(name), kSampleForm);
    writeBytes(d.path("fluids.chc"), "3\r\nWater,water,1000\r\nOil,oil,870\r\nGlycol,glycol,1110\r\n");
    writeBytes(d.path("pump.bmp"), "BM");
    writeBytes(d.path("data.txt"), "1 2 3\r\n");
}

}  // namespace quivettest
