// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

#include <chrono>
#include <string>
#include <thread>

// The real system as seen over a slow network share: every metadata call (lookup or listing)
// waits latency and is counted. With an executable path, the program appears to live there.
class SlowShare : public tallyport::Platform {
public:
    explicit SlowShare(std::chrono::microseconds latency, std::string executable = {})
        : latency_(latency), executable_(std::move(executable)) {}

    std::string executablePath() override {
        return executable_.empty() ? Platform::executablePath() : executable_;
    }
    bool fileExists(const std::string& path) override {
        wait();
        return Platform::fileExists(path);
    }
    bool listFolder(const std::string& folder, const EntryVisitor& visit) override {
        wait();
        return Platform::listFolder(folder, visit);
    }

    long calls = 0;

private:
    void wait() {
        ++calls;
        std::this_thread::sleep_for(latency_);
    }
    std::chrono::microseconds latency_;
    std::string executable_;
};
