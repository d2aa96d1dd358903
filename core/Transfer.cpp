// SPDX-License-Identifier: MIT
#include "Transfer.h"

#include "Platform.h"

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

// Links file under the first free name, starting with the preferred one. nullopt when every
// name is taken.
std::optional<std::string> linkUnderFreeName(Platform& platform, TemporaryFile& file,
                                             const FilingRequest& request) {
    std::set<std::string> taken;
    std::optional<std::string> name = request.preferredName;
    if (name->empty())
        name = findNextFileName(platform, request.rule);
    while (name) {
        const std::string destination = pathInFolder(request.rule.outputPath, *name);
        if (platform.linkNoReplace(file, destination))
            return destination;
        taken.insert(*name);
        name = findNextFileName(platform, request.rule, taken);
    }
    return std::nullopt;
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
        return failed(TransferOutcome::Failed,
                      "the fixed part '" + request.rule.fixedPart + "' cannot be part of a file name");
    std::string destination;
    try {
        const SourceFile source = platform.openSource(request.source);
        TemporaryFile copy = platform.createTemporary(request.rule.outputPath);
        platform.copyContents(source.fd.get(), copy.fd());
        platform.copyAttributes(source.status, copy.fd());
        platform.flush(copy.fd());
        const auto linked = linkUnderFreeName(platform, copy, request);
        if (!linked)
            return failed(TransferOutcome::NoFreeName,
                          "no free name is left in '" + request.rule.outputPath + "'");
        destination = *linked;
        platform.flushFolder(request.rule.outputPath);
    } catch (const FileError& error) {
        if (destination.empty())
            return failed(TransferOutcome::Failed, error.what());
        // The copy is in place; only its folder entry's flush failed, so keep the source.
        TransferResult result{TransferOutcome::Filed, destination, error.what(), false};
        return result;
    }

    TransferResult result{TransferOutcome::Filed, destination, {}, false};
    if (request.deleteSource) {
        try {
            platform.removeFile(request.source);
            result.sourceDeleted = true;
        } catch (const FileError& error) {
            result.problem = error.what();
        }
    }
    return result;
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
