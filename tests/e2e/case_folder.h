#pragma once

// The folder one end-to-end case runs in: a copy of Quelvin.exe, whose configuration file
// lives beside it, and a copy of the test game as Meteor.exe.

#include <optional>
#include <string>

#include "platform/text.h"

namespace quelvin::e2e {

class CaseFolder {
public:
    // <directory of the test exe>\cases\<name>, emptied first. The folder stays after the
    // test, so that what the program wrote can be looked at.
    explicit CaseFolder(const std::string& name);

    // False (with error() saying why) if the folder or its copies could not be made.
    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    const std::string& path() const { return path_; }
    std::string exePath() const { return path_ + "\\Quelvin.exe"; }
    std::string gamePath() const { return path_ + "\\Meteor.exe"; }
    std::string configPath() const { return path_ + "\\Quelvin.cfg"; }

    // Writes the configuration file as the bytes given; false if that failed.
    bool writeConfig(const Text& bytes) const;
    // The file's bytes, or nothing if it does not exist or cannot be read.
    std::optional<Text> readConfig() const;
    bool configExists() const;

private:
    std::string path_;
    std::string error_;
};

}  // namespace quelvin::e2e
