// SPDX-License-Identifier: MIT
#pragma once

#include "Settings.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace tallyport {

// A settings value could not be written. what() is the message for the user,
// "<settings path> に書き込めません"; reason() says what the system answered.
class SettingsWriteError : public std::runtime_error {
public:
    SettingsWriteError(const std::string& settingsPath, std::string reason);
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// The settings file of an executable: its path with the extension (what follows the last "." after
// the last "/") replaced by ".INI", or ".INI" appended when it has none.
std::string settingsFilePath(std::string_view executablePath);

// The executable's folder, up to and including its last "/": the default output folder.
std::string executableFolder(std::string_view executablePath);

// The six stored values from the settings file at path; any missing, unreadable or unparsable
// value takes its default (Top and Left 50, Delete 1, Output defaultOutput, Fix "scimg_",
// Degit 3). Never throws. Degit is brought into 1..4. NextFileName is left empty.
SettingsValues readSettings(const std::string& path, const std::string& defaultOutput);

// Writes the six stored values to the settings file at path, in the order Top, Left, Delete,
// Output, Fix, Degit, each as an atomic write of its own. Throws SettingsWriteError at the first
// value that cannot be written; the values before it stay written.
void writeSettings(const std::string& path, const SettingsValues& values);

// The running program's settings file.
std::string SettingsFilePath();

// Fills the stored fields of the Settings global from the program's settings file.
void LoadSettings();

// Writes the stored fields of the Settings global to the program's settings file. Throws
// SettingsWriteError.
void SaveSettings();

} // namespace tallyport
