// SPDX-License-Identifier: MIT
#include "NextName.h"
#include "Rw_ini.h"
#include "Transfer.h"

#include <iostream>

int main(int argc, char* argv[]) {
    using namespace tallyport;
    LoadSettings();
    FindNextFileName();
    const TransferResult result = TransferArgument({argv + 1, argv + argc}, [] {});
    if (!result.problem.empty())
        std::cerr << "tallyport: " << result.problem << '\n';
    try {
        SaveSettings();
    } catch (const SettingsWriteError& error) {
        std::cerr << "tallyport: " << error.what() << '\n';
        return 1;
    }
    return exitStatus(result);
}
