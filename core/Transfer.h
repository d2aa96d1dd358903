// SPDX-License-Identifier: MIT
#pragma once

#include "NextName.h"
#include "Settings.h"

#include <functional>
#include <string>
#include <vector>

namespace tallyport {

class Platform;

enum class TransferOutcome {
    NothingToDo, // no file on the command line
    Filed,       // the copy is in place under its name
    Failed,      // nothing was filed; the source is untouched
    NoFreeName,  // all sequential names are taken; nothing was filed; the source is untouched
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::NothingToDo;
    std::string destination; // where the file was filed
    std::string problem;     // what went wrong, for one line on standard error; may be set when
                             // filed (the source could not be deleted)
    bool sourceDeleted = false;
};

// 0 when filed or nothing was asked, 1 when filing failed, 2 when no name was free.
int exitStatus(const TransferResult& result);

struct FilingRequest {
    std::string source;
    NameRule rule;
    std::string preferredName; // the name the last search found; "" to search now
    bool deleteSource = true;
};

// Files request.source into the output folder and never overwrites anything:
// - A regular file (not a link) to be deleted, on the output folder's file system, is moved: it
//   gets its sequential name as a second hard link, then its old name is removed.
// - Anything else is copied: the source must be a regular file after following links (folders,
//   FIFOs and devices are refused without blocking); its bytes go with the kernel's copy into a
//   file without a name in the output folder, which gets the source's permission bits and times
//   and is flushed to disk before it is named. The source (a link itself, not its target) is
//   deleted afterwards when asked.
// Either way the name is preferredName, or the next free name when that one is taken; a name found
// taken stays taken, so the retries end. No name free: NoFreeName. On any failure nothing is left
// in the output folder and the source is kept.
TransferResult fileSource(Platform& platform, const FilingRequest& request);

// The transfer on launch: with a non-empty first argument, files it with the given settings and
// then calls closeHost; with none, does nothing at all. Later arguments are ignored.
TransferResult transferArgument(Platform& platform, const std::vector<std::string>& arguments,
                                const SettingsValues& settings,
                                const std::function<void()>& closeHost);

// transferArgument with the Settings global and the real system.
TransferResult TransferArgument(const std::vector<std::string>& arguments,
                                const std::function<void()>& closeHost);

} // namespace tallyport
