// SPDX-License-Identifier: MIT
#include "Transfer.h"

#include "Platform.h"

#include <functional>
#include <optional>
#include <set>

namespace tallyport {
namespace {

TransferResult failed(TransferOutcome outcome, std::string problem) {
    TransferResult result;
    result.outcome = outcome;
    result.problem = std::move(problem);
    return result;
}

// Tries names, the preferred one first, until attempt links one, and returns its path: "" when
// every name is taken, nullopt when attempt reports linking impossible. A name found taken stays
// taken, so the retries end.
using LinkAttempt = std::function<LinkOutcome(const std::string& destination)>;

std::optional<std::string> placeUnderFreeName(Platform& platform, const FilingRequest& request,
                                              const LinkAttempt& attempt) {
    std::set<std::string> taken;
    std::optional<std::string> name = request.preferredName;
    if (name->empty())
        name = findNextFileName(platform, request.rule);
    while (name) {
        const std::string destination = pathInFolder(request.rule.outputPath, *name);
        switch (attempt(destination)) {
        case LinkOutcome::Linked:
            return destination;
        case LinkOutcome::NotLinked:
            return std::nullopt;
        case LinkOutcome::NameTaken:
            taken.insert(*name);
            name = findNextFileName(platform, request.rule, taken);
        }
    }
    return std::string();
}

TransferResult noFreeName(const FilingRequest& request) {
    return failed(TransferOutcome::NoFreeName,
                  "no free name is left in '" + request.rule.outputPath + "'");
}

TransferResult filedAndSourceRemoved(Platform& platform, const FilingRequest& request,
                                     std::string destination) {
    TransferResult result{TransferOutcome::Filed, std::move(destination), {}, false};
    try {
        platform.removeFile(request.source);
        result.sourceDeleted = true;
    } catch (const FileError& error) {
        result.problem = error.what();
    }
    return result;
}

// A regular file to be deleted after filing on the same file system needs no copy: it gets its
// sequential name as a second hard link, then loses the old one. nullopt when that cannot be done
// (another file system, a link as source, no hard links), so the caller copies instead.
std::optional<TransferResult> moveByLink(Platform& platform, const FilingRequest& request) {
    if (!request.deleteSource || !platform.isRegularFileItself(request.source))
        return std::nullopt;
    const auto placed = placeUnderFreeName(platform, request, [&](const std::string& destination) {
        return platform.linkExisting(request.source, destination);
    });
    if (!placed)
        return std::nullopt;
    if (placed->empty())
        return noFreeName(request);
    try {
        platform.flushFolder(request.rule.outputPath);
    } catch (const FileError& error) {
        // Both names stay: better a duplicate than a source gone before its new name is durable.
        return TransferResult{TransferOutcome::Filed, *placed, error.what(), false};
    }
    return filedAndSourceRemoved(platform, request, *placed);
}

TransferResult copyAndLink(Platform& platform, const FilingRequest& request) {
    std::string destination;
    try {
        const SourceFile source = platform.openSource(request.source);
        TemporaryFile copy = platform.createTemporary(request.rule.outputPath);
        platform.copyContents(source.fd.get(), copy.fd());
        platform.copyAttributes(source.status, copy.fd());
        platform.flush(copy.fd());
        const auto placed = placeUnderFreeName(platform, request, [&](const std::string& path) {
            return platform.linkNoReplace(copy, path) ? LinkOutcome::Linked
                                                      : LinkOutcome::NameTaken;
        });
        if (!placed || placed->empty())
            return noFreeName(request);
        destination = *placed;
        platform.flushFolder(request.rule.outputPath);
    } catch (const FileError& error) {
        if (destination.empty())
            return failed(TransferOutcome::Failed, error.what());
        // The copy is in place; only its folder entry's flush failed, so keep the source.
        return TransferResult{TransferOutcome::Filed, destination, error.what(), false};
    }
    if (request.deleteSource)
        return filedAndSourceRemoved(platform, request, destination);
    return TransferResult{TransferOutcome::Filed, destination, {}, false};
}

} // namespace

int exitStatus(const TransferResult& result) {
    switch (result.outcome) {
    case TransferOutcome::NothingToDo:
    case TransferOutcome::Filed:
        return 0;
    case TransferOutcome::Failed:
        return 1;
    case TransferOutcome::NoFreeName:
        return 2;
    }
    return 1;
}

TransferResult fileSource(Platform& platform, const FilingRequest& request) {
    if (!makesPlainFileNames(request.rule))
        return failed(TransferOutcome::Failed, "the fixed part '" + request.rule.fixedPart +
                                                   "' cannot be part of a file name");
    if (auto moved = moveByLink(platform, request))
        return *moved;
    return copyAndLink(platform, request);
}

TransferResult transferArgument(Platform& platform, const std::vector<std::string>& arguments,
                                const SettingsValues& settings,
                                const std::function<void()>& closeHost) {
    if (arguments.empty() || arguments.front().empty())
        return {};
    const FilingRequest request{
        arguments.front(),
        NameRule{settings.OutputPath, settings.FixedPart, settings.DigitCount},
        settings.NextFileName,
        settings.DeleteSource != 0,
    };
    TransferResult result = fileSource(platform, request);
    closeHost();
    return result;
}

TransferResult TransferArgument(const std::vector<std::string>& arguments,
                                const std::function<void()>& closeHost) {
    return transferArgument(Platform::current(), arguments, Settings, closeHost);
}

} // namespace tallyport
