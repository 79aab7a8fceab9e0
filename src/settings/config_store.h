#pragma once

#include <functional>
#include <utility>

#include "platform/text.h"
#include "settings/settings.h"

namespace quelvin {

// The steps of a save, in order. A test can make any of them fail as the file system would.
enum class SaveStep {
    CreateTemporary,  // create a new temporary file beside the target
    Write,            // write the whole text into it
    Flush,            // push it to the disk
    Replace,          // put it in the target's place in one step
};

// Asked before each step of a save; answering true makes that step fail.
using SaveFailureInjector = std::function<bool(SaveStep)>;

// Reading and writing the configuration file at one path (an ANSI path on Windows).
class ConfigStore {
public:
    explicit ConfigStore(Text path) : path_(std::move(path)) {}
    ConfigStore(Text path, SaveFailureInjector injectFailure)
        : path_(std::move(path)), injectFailure_(std::move(injectFailure)) {}

    const Text& path() const { return path_; }

    // Whether a directory entry of that name exists; a directory counts too.
    bool exists() const;

    // The file's bytes up to the first zero byte. An entry that cannot be opened for
    // reading, or is not a file, reads as the empty text.
    Text loadText() const;

    // Writes encodeConfig(settings). The text goes to a fresh temporary file in the same
    // directory, which then replaces the target in one step, so a failure at any point (a
    // full disk, a read-only file, a locked file) leaves the old file exactly as it was
    // and no temporary file behind. Failures are not reported: the caller carries on.
    void save(const Settings& settings) const;

private:
    bool failsAt(SaveStep step) const { return injectFailure_ && injectFailure_(step); }

    // A temporary name beside the target that no other save (of this or another running
    // copy) is using at the same moment: each call gives a new one.
    Text nextTemporaryPath(unsigned long processId) const;

    // Appends the chunk read from the file up to its first zero byte; true when a zero
    // byte ended it, and the rest of the file is not wanted.
    static bool appendUpToZero(Text& text, const char* chunk, std::size_t size);

    Text path_;
    SaveFailureInjector injectFailure_;
};

}  // namespace quelvin
