// The Windows build's file services. Paths are ANSI (GBK) and go to the ...A functions.
#include <windows.h>

#include <string>

#include "settings/config_file.h"
#include "settings/config_store.h"

namespace quelvin {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : h_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { reset(); }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // Closes now and says whether the close worked, which for a written file is part of
    // knowing that the bytes arrived.
    bool close() {
        const BOOL closed = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

private:
    void reset() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
            h_ = INVALID_HANDLE_VALUE;
        }
    }
    HANDLE h_;
};

// Removes the temporary file unless the save got as far as putting it in place. Its handle
// must be closed first: the file is opened without sharing, so it cannot be deleted while
// the handle is open.
class TemporaryFile {
public:
    explicit TemporaryFile(Text filePath) : path_(std::move(filePath)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!kept_) {
            DeleteFileA(path_.c_str());
        }
    }
    const Text& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    Text path_;
    bool kept_ = false;
};

bool writeAll(HANDLE file, const Text& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        // The file is a few hundred bytes; one call takes it all, the loop is for form.
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool isReadOnly(const Text& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

bool ConfigStore::exists() const { return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

Text ConfigStore::loadText() const {
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory cannot be opened, so it reads as empty.
    FileHandle file(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) {
        return {};
    }
    Text text;
    char buffer[4096];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
            return {};
        }
        if (n == 0) {
            break;
        }
        if (appendUpToZero(text, buffer, n)) {
            break;
        }
    }
    return text;
}

void ConfigStore::save(const Settings& settings) const {
    const Text bytes = encodeConfig(settings);
    // Windows' MoveFileEx refuses to replace a read-only file, but Wine's does not, so the
    // attribute is checked first; no temporary file is made either.
    if (isReadOnly(path_)) {
        return;
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    Text temporaryPath;
    if (!failsAt(SaveStep::CreateTemporary)) {
        for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
            temporaryPath = nextTemporaryPath(GetCurrentProcessId());
            handle = CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
                GetLastError() != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    TemporaryFile temporary(temporaryPath);
    FileHandle file(handle);  // declared last, so it is closed before the file is removed

    if (failsAt(SaveStep::Write) || !writeAll(file.get(), bytes)) {
        return;
    }
    if (failsAt(SaveStep::Flush) || !FlushFileBuffers(file.get()) || !file.close()) {
        return;
    }
    if (failsAt(SaveStep::Replace) || !MoveFileExA(temporary.path().c_str(), path_.c_str(),
                                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return;
    }
    temporary.keep();
}

}  // namespace quelvin
