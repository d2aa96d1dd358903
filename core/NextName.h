// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tallyport {

class Platform;

// Sequence numbers run from 0 to kCandidateCount - 1, whatever the digit count.
constexpr int kCandidateCount = 1000;

// What a filed file's name is made of and where it goes.
struct NameRule {
    std::string outputPath; // the output folder, normally ending in "/"; "" is the current folder
    std::string fixedPart;
    int digitCount = 3;
};

// number in decimal, zero-padded to digitCount digits when digitCount is 1 to 16 (as "%.Nd"
// formats), never cut; other counts pad nothing.
std::string paddedNumber(int number, int digitCount);

// fixedPart + paddedNumber + ".jpg".
std::string candidateName(const NameRule& rule, int number);

// The path of name inside folder. The search's lookups and the copy's destination both come from
// here, so they can never differ: a folder with or without its trailing "/" and an empty folder
// (the current one) all give a path directly inside that folder.
std::string pathInFolder(std::string_view folder, std::string_view name);

// The rule's names are plain file names: a fixed part holding "/" would file outside the folder.
bool makesPlainFileNames(const NameRule& rule);

// The lowest-numbered candidate with no file (a folder does not count) in the output folder and
// not in alsoTaken. nullopt when all are taken or the rule makes no plain file names. A missing
// or unreadable folder gives number 0.
std::optional<std::string> findNextFileName(Platform& platform, const NameRule& rule,
                                            const std::set<std::string>& alsoTaken = {});

// Sets the Settings global's NextFileName from its OutputPath, FixedPart and DigitCount; empty
// when no name is free.
void FindNextFileName();

} // namespace tallyport
