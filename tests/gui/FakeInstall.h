// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

#include <string>

// The program appears to live at executable, so its settings file and default output folder are
// there; name lookups are counted, one per candidate probed.
class FakeInstall : public tallyport::Platform {
public:
    explicit FakeInstall(std::string executable) : executable_(std::move(executable)) {}
    std::string executablePath() override { return executable_; }
    bool fileExists(const std::string& path) override {
        ++lookups;
        return Platform::fileExists(path);
    }
    int lookups = 0;

private:
    std::string executable_;
};
