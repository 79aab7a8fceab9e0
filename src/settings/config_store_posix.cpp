// The host build's file services: the same behaviour as on Windows, over POSIX calls, so
// that the store's rules are tested natively as well as under Wine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "settings/config_file.h"
#include "settings/config_store.h"

namespace quelvin {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : fd_(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and says whether the close worked, which for a written file is part of
    // knowing that the bytes arrived.
    bool close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    int fd_;
};

// Removes the temporary file unless the save got as far as putting it in place.
class TemporaryFile {
public:
    explicit TemporaryFile(Text filePath) : path_(std::move(filePath)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!kept_) {
            ::unlink(path_.c_str());
        }
    }
    const Text& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    Text path_;
    bool kept_ = false;
};

bool writeAll(int fd, const Text& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Windows will not replace a file that has the read-only attribute. The nearest thing here
// is a file without any write permission bit; it is checked by its bits rather than with
// access(), which always says yes to root.
bool isReadOnlyFile(const Text& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

bool ConfigStore::exists() const {
    struct stat info {};
    return ::lstat(path_.c_str(), &info) == 0;
}

Text ConfigStore::loadText() const {
    FileDescriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        return {};
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    Text text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return {};
        }
        if (n == 0) {
            break;
        }
        if (appendUpToZero(text, buffer, static_cast<std::size_t>(n))) {
            break;
        }
    }
    return text;
}

void ConfigStore::save(const Settings& settings) const {
    const Text bytes = encodeConfig(settings);
    if (isReadOnlyFile(path_)) {
        return;
    }

    int fd = -1;
    Text temporaryPath;
    if (!failsAt(SaveStep::CreateTemporary)) {
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temporaryPath = nextTemporaryPath(static_cast<unsigned long>(::getpid()));
            fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
    }
    if (fd < 0) {
        return;
    }
    TemporaryFile temporary(temporaryPath);
    FileDescriptor file(fd);  // declared last, so it is closed before the file is removed

    if (failsAt(SaveStep::Write) || !writeAll(file.get(), bytes)) {
        return;
    }
    if (failsAt(SaveStep::Flush) || ::fsync(file.get()) != 0 || !file.close()) {
        return;
    }
    if (failsAt(SaveStep::Replace) || ::rename(temporary.path().c_str(), path_.c_str()) != 0) {
        return;
    }
    temporary.keep();
}

}  // namespace quelvin
