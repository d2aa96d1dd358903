// SPDX-License-Identifier: MIT
#include "NextName.h"

#include "Platform.h"
#include "Settings.h"

#include <bitset>

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

namespace {

// The sequence number name stands for under rule, or -1 when it is no candidate name.
int candidateNumber(const NameRule& rule, std::string_view name) {
    constexpr std::string_view kExtension = ".jpg";
    if (!name.starts_with(rule.fixedPart) || !name.ends_with(kExtension))
        return -1;
    const std::string_view digits =
        name.substr(rule.fixedPart.size(), name.size() - rule.fixedPart.size() - kExtension.size());
    if (digits.empty() || digits.size() > 16 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    const long long number = std::stoll(std::string(digits));
    if (number >= kCandidateCount ||
        paddedNumber(static_cast<int>(number), rule.digitCount) != digits)
        return -1;
    return static_cast<int>(number);
}

} // namespace

std::optional<std::string> findNextFileName(Platform& platform, const NameRule& rule,
                                            const std::set<std::string>& alsoTaken) {
    if (!makesPlainFileNames(rule))
        return std::nullopt;
    std::bitset<kCandidateCount> taken;
    for (const std::string& name : alsoTaken)
        if (const int number = candidateNumber(rule, name); number >= 0)
            taken.set(static_cast<size_t>(number));

    // Most folders are empty or have a gap at the start: one lookup settles those. Otherwise one
    // listing of the folder rules out every name present, instead of a lookup per name.
    bool listed = false;
    for (int number = 0; number < kCandidateCount; ++number) {
        if (taken.test(static_cast<size_t>(number)))
            continue;
        std::string name = candidateName(rule, number);
        // Every answer is confirmed by a direct lookup, which also sees names the listing spells
        // differently but the file system takes as equal (case-insensitive file systems).
        if (!platform.fileExists(pathInFolder(rule.outputPath, name)))
            return name;
        taken.set(static_cast<size_t>(number));
        if (!listed) {
            listed = true;
            platform.listFolder(rule.outputPath, [&](std::string_view entry, EntryKind kind) {
                if (kind == EntryKind::NotFolder)
                    if (const int present = candidateNumber(rule, entry); present >= 0)
                        taken.set(static_cast<size_t>(present));
            });
        }
    }
    return std::nullopt;
}

void FindNextFileName() {
    const NameRule rule{Settings.OutputPath, Settings.FixedPart, Settings.DigitCount};
    Settings.NextFileName = findNextFileName(Platform::current(), rule).value_or(std::string());
}

} // namespace tallyport
