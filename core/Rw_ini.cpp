// SPDX-License-Identifier: MIT
#include "Rw_ini.h"

#include "Platform.h"
#include "ProfileFile.h"

#include <algorithm>

namespace tallyport {
namespace {

constexpr int kDefaultPosition = 50;
constexpr int kDefaultDeleteSource = 1;
constexpr std::string_view kDefaultFixedPart = "scimg_";
constexpr int kDefaultDigitCount = 3;
constexpr int kMinDigitCount = 1;
constexpr int kMaxDigitCount = 4;

} // namespace

SettingsWriteError::SettingsWriteError(const std::string& settingsPath, std::string reason)
    : std::runtime_error(settingsPath + " に書き込めません"), reason_(std::move(reason)) {}

std::string settingsFilePath(std::string_view executablePath) {
    const size_t slash = executablePath.rfind('/');
    const size_t dot = executablePath.rfind('.');
    const bool hasExtension =
        dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
    return std::string(hasExtension ? executablePath.substr(0, dot) : executablePath) + ".INI";
}

std::string executableFolder(std::string_view executablePath) {
    const size_t slash = executablePath.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(executablePath.substr(0, slash + 1));
}

SettingsValues readSettings(const std::string& path, const std::string& defaultOutput) {
    const ProfileFile file = ProfileFile::read(path);
    SettingsValues values;
    values.FormTop = file.readInteger("Pos", "Top", kDefaultPosition);
    values.FormLeft = file.readInteger("Pos", "Left", kDefaultPosition);
    values.DeleteSource = file.readInteger("Mode", "Delete", kDefaultDeleteSource);
    values.OutputPath = file.readString("Path", "Output", defaultOutput);
    values.FixedPart = file.readString("Name", "Fix", kDefaultFixedPart);
    // The window's arrows only know 1..4; bringing the count there now keeps the search, the
    // window and the saved file in agreement.
    values.DigitCount = std::clamp(file.readInteger("Name", "Degit", kDefaultDigitCount),
                                   kMinDigitCount, kMaxDigitCount);
    return values;
}

void writeSettings(const std::string& path, const SettingsValues& values) {
    try {
        ProfileFile::writeInteger(path, "Pos", "Top", values.FormTop);
        ProfileFile::writeInteger(path, "Pos", "Left", values.FormLeft);
        ProfileFile::writeInteger(path, "Mode", "Delete", values.DeleteSource != 0 ? 1 : 0);
        ProfileFile::writeString(path, "Path", "Output", values.OutputPath);
        ProfileFile::writeString(path, "Name", "Fix", values.FixedPart);
        ProfileFile::writeInteger(path, "Name", "Degit", values.DigitCount);
    } catch (const ProfileWriteError& error) {
        throw SettingsWriteError(path, error.what());
    }
}

std::string SettingsFilePath() {
    return settingsFilePath(Platform::current().executablePath());
}

void LoadSettings() {
    std::string executable;
    try {
        executable = Platform::current().executablePath();
    } catch (const FileError&) {
        // Without our own path there is no settings file to read: the defaults, in the current
        // folder.
    }
    const SettingsValues loaded =
        readSettings(executable.empty() ? std::string() : settingsFilePath(executable),
                     executableFolder(executable));
    const std::string nextFileName = Settings.NextFileName;
    Settings = loaded;
    Settings.NextFileName = nextFileName;
}

void SaveSettings() {
    std::string path;
    try {
        path = SettingsFilePath();
    } catch (const FileError& error) {
        throw SettingsWriteError("tallyport.INI", error.what());
    }
    writeSettings(path, Settings);
}

} // namespace tallyport
