// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace tallyport {

// The values the program keeps between runs, plus the name the next filed file gets.
// Texts are UTF-8; OutputPath normally ends in "/".
struct SettingsValues {
    int FormLeft = 0;
    int FormTop = 0;
    int DeleteSource = 0; // delete the source after filing when not 0
    std::string OutputPath;
    std::string FixedPart;
    int DigitCount = 0;       // minimum digits of the sequence number, 1 to 4
    std::string NextFileName; // never stored; empty when no name is free
};

// The program-wide values, shared by the window and the filing core's entry points. The core's
// working functions take their inputs as parameters instead.
extern SettingsValues Settings;

} // namespace tallyport
