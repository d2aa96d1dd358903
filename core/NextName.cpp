// SPDX-License-Identifier: MIT
#include "NextName.h"

#include "Platform.h"
#include "Settings.h"

namespace tallyport {

std::string paddedNumber(int number, int digitCount) {
    std::string digits = std::to_string(number);
    const bool pads = digitCount >= 1 && digitCount <= 16;
    if (pads && digits.size() < static_cast<size_t>(digitCount))
        digits.insert(0, static_cast<size_t>(digitCount) - digits.size(), '0');
    return digits;
}

std::string candidateName(const NameRule& rule, int number) {
    return rule.fixedPart + paddedNumber(number, rule.digitCount) + ".jpg";
}

std::string pathInFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path.append(name);
}

bool makesPlainFileNames(const NameRule& rule) {
    return rule.fixedPart.find('/') == std::string::npos &&
           rule.fixedPart.find('\0') == std::string::npos;
}

std::optional<std::string> findNextFileName(Platform& platform, const NameRule& rule,
                                            const std::set<std::string>& alsoTaken) {
    if (!makesPlainFileNames(rule))
        return std::nullopt;
    for (int number = 0; number < kCandidateCount; ++number) {
        std::string name = candidateName(rule, number);
        if (!alsoTaken.contains(name) && !platform.fileExists(pathInFolder(rule.outputPath, name)))
            return name;
    }
    return std::nullopt;
}

void FindNextFileName() {
    const NameRule rule{Settings.OutputPath, Settings.FixedPart, Settings.DigitCount};
    Settings.NextFileName = findNextFileName(Platform::current(), rule).value_or(std::string());
}

} // namespace tallyport
