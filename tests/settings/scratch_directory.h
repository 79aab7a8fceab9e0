#pragma once

#include <vector>

#include "platform/text.h"

namespace quelvin::test_files {

// A fresh, empty directory for one test, removed with everything in it afterwards. Paths
// are byte strings as the store takes them: ANSI with backslashes on Windows, POSIX on the
// host. Helpers fail the current test (ADD_FAILURE) when the file system refuses.
class ScratchDirectory {
public:
    ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory();

    const Text& path() const { return path_; }
    // path() joined with name by the platform's separator.
    Text entry(const Text& name) const;

private:
    Text path_;
};

Text joinPath(const Text& directory, const Text& name);
void makeDirectory(const Text& path);
void writeBytes(const Text& path, const Text& bytes);
Text readBytes(const Text& path);
// The names in a directory, sorted, without "." and "..".
std::vector<Text> listDirectory(const Text& path);
// Windows: the read-only attribute. Host: no write permission bit at all.
void setReadOnly(const Text& path, bool readOnly);

}  // namespace quelvin::test_files
