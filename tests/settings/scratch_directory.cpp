#include "scratch_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace quelvin::test_files {

namespace {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

void removeTree(const Text& path) {
    for (const Text& name : listDirectory(path)) {
        const Text child = joinPath(path, name);
#ifdef _WIN32
        const DWORD attributes = GetFileAttributesA(child.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            removeTree(child);
        } else {
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
        }
#else
        struct stat info {};
        if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            removeTree(child);
        } else {
            ::unlink(child.c_str());
        }
#endif
    }
#ifdef _WIN32
    RemoveDirectoryA(path.c_str());
#else
    ::rmdir(path.c_str());
#endif
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
#ifdef _WIN32
    char base[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const Text candidate = Text(base) + "quelvin-settings-" + std::to_string(GetCurrentProcessId()) +
                               "-" + std::to_string(counter++);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
#else
    const char* tmp = std::getenv("TMPDIR");
    Text pattern = Text(tmp && *tmp ? tmp : "/tmp") + "/quelvin-settings-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
#endif
    if (path_.empty()) {
        ADD_FAILURE() << "cannot create a scratch directory";
    }
}

ScratchDirectory::~ScratchDirectory() {
    if (!path_.empty()) {
        removeTree(path_);
    }
}

Text ScratchDirectory::entry(const Text& name) const { return joinPath(path_, name); }

Text joinPath(const Text& directory, const Text& name) { return directory + kPathSeparator + name; }

void makeDirectory(const Text& path) {
#ifdef _WIN32
    const bool made = CreateDirectoryA(path.c_str(), nullptr) != FALSE;
#else
    const bool made = ::mkdir(path.c_str(), 0777) == 0;
#endif
    if (!made) {
        ADD_FAILURE() << "cannot create directory " << path;
    }
}

void writeBytes(const Text& path, const Text& bytes) {
    // fopen takes an ANSI name on Windows, a byte string on the host.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot create " << path;
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path;
    }
    std::fclose(file);
}

Text readBytes(const Text& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    Text bytes;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

std::vector<Text> listDirectory(const Text& path) {
    std::vector<Text> names;
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const Text name = found.cFileName;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
#else
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const Text name = e->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
#endif
    std::sort(names.begin(), names.end());
    return names;
}

void setReadOnly(const Text& path, bool readOnly) {
#ifdef _WIN32
    const bool set =
        SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != FALSE;
#else
    const bool set = ::chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
#endif
    if (!set) {
        ADD_FAILURE() << "cannot change the read-only state of " << path;
    }
}

}  // namespace quelvin::test_files
