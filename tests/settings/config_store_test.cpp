#include "settings/config_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scratch_directory.h"
#include "settings/config_file.h"
#include "settings_printers.h"

namespace quelvin {
namespace {

using test_files::ScratchDirectory;
using Names = std::vector<Text>;

const Text kOldFile = "the file as it was before the save, longer than any new one would be \x95\x5C";

Settings someSettings() {
    Settings s = defaultSettings(1280);
    s.slots[6] = {"\xC4\xE3\xBA\xC3", kKeyModeCommand};  // 你好
    s.window = {-20, 300, true, false};
    return s;
}

TEST(ConfigStore, ExistsForAnyDirectoryEntry) {
    ScratchDirectory dir;
    const Text file = dir.entry("Quelvin.cfg");
    EXPECT_FALSE(ConfigStore(file).exists());
    EXPECT_FALSE(ConfigStore(test_files::joinPath(dir.entry("missing"), "x")).exists())
        << "inside a missing directory";

    test_files::writeBytes(file, "");
    EXPECT_TRUE(ConfigStore(file).exists()) << "an empty file";

    const Text directory = dir.entry("folder");
    test_files::makeDirectory(directory);
    EXPECT_TRUE(ConfigStore(directory).exists()) << "a directory";
}

TEST(ConfigStore, LoadTextReadsUpToTheFirstZeroByte) {
    struct LoadCase {
        const char* name;
        Text contents;
        Text text;
    };
    const Text big(10000, 'k');
    const LoadCase kCases[] = {
        {"ordinary", "abc\xD5\xE6", "abc\xD5\xE6"},
        {"empty file", "", ""},
        {"embedded zero", std::string("ab\0cd", 5), "ab"},
        {"zero first", std::string("\0abc", 4), ""},
        {"larger than one read", big, big},
        {"zero after more than one read", big.substr(0, 5000) + std::string(1, '\0') + "tail",
         big.substr(0, 5000)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory dir;
        const Text file = dir.entry("Quelvin.cfg");
        test_files::writeBytes(file, c.contents);
        EXPECT_EQ(ConfigStore(file).loadText(), c.text);
    }
}

TEST(ConfigStore, UnreadableEntriesReadAsEmpty) {
    ScratchDirectory dir;
    EXPECT_EQ(ConfigStore(dir.entry("Quelvin.cfg")).loadText(), "") << "missing";

    const Text directory = dir.entry("Quelvin.cfg");
    test_files::makeDirectory(directory);
    const ConfigStore store(directory);
    EXPECT_TRUE(store.exists());
    EXPECT_EQ(store.loadText(), "") << "a directory of that name";
    // ...which the badge window then finds malformed: the fatal report at start-up.
    EXPECT_EQ(decodeWindowState(store.loadText()), std::nullopt);
}

TEST(ConfigStore, SaveWritesExactlyTheEncodedText) {
    struct SaveCase {
        const char* name;
        bool oldFileExists;
    };
    const SaveCase kCases[] = {{"no file yet", false}, {"replacing a longer file", true}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory dir;
        const Text file = dir.entry("Quelvin.cfg");
        if (c.oldFileExists) {
            test_files::writeBytes(file, kOldFile + Text(2000, 'x'));
        }
        const Settings settings = someSettings();
        ConfigStore(file).save(settings);

        EXPECT_EQ(test_files::readBytes(file), encodeConfig(settings));
        EXPECT_EQ(test_files::listDirectory(dir.path()), (Names{"Quelvin.cfg"}))
            << "no temporary file behind";
        const ConfigStore reader(file);
        EXPECT_EQ(decodeWindowState(reader.loadText()), settings.window);
    }
}

TEST(ConfigStore, SaveTwiceKeepsTheLatest) {
    ScratchDirectory dir;
    const Text file = dir.entry("Quelvin.cfg");
    const ConfigStore store(file);
    store.save(someSettings());
    const Settings second = defaultSettings(640);
    store.save(second);
    EXPECT_EQ(test_files::readBytes(file), encodeConfig(second));
    EXPECT_EQ(test_files::listDirectory(dir.path()), (Names{"Quelvin.cfg"}));
}

TEST(ConfigStore, SaveWorksInADirectoryWithAGbkName) {
    ScratchDirectory dir;
    const Text gbkDirectory = dir.entry("\xD3\xCE\xCF\xB7\x95\x5C");  // 游戏昞: ends in a 0x5C trail byte
    test_files::makeDirectory(gbkDirectory);
    const Text file = test_files::joinPath(gbkDirectory, "Quelvin.cfg");
    const ConfigStore store(file);
    store.save(someSettings());
    EXPECT_TRUE(store.exists());
    EXPECT_EQ(store.loadText(), encodeConfig(someSettings()));
    EXPECT_EQ(test_files::listDirectory(gbkDirectory), (Names{"Quelvin.cfg"}));
}

const char* stepName(SaveStep step) {
    switch (step) {
        case SaveStep::CreateTemporary:
            return "creating the temporary file fails";
        case SaveStep::Write:
            return "writing fails";
        case SaveStep::Flush:
            return "flushing fails";
        case SaveStep::Replace:
            return "replacing the target fails";
    }
    return "?";
}

TEST(ConfigStore, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const SaveStep kSteps[] = {SaveStep::CreateTemporary, SaveStep::Write, SaveStep::Flush,
                               SaveStep::Replace};
    for (const SaveStep failing : kSteps) {
        SCOPED_TRACE(stepName(failing));
        {
            ScratchDirectory dir;
            const Text file = dir.entry("Quelvin.cfg");
            test_files::writeBytes(file, kOldFile);
            std::vector<SaveStep> asked;
            const ConfigStore store(file, [&](SaveStep step) {
                asked.push_back(step);
                return step == failing;
            });
            store.save(someSettings());
            EXPECT_EQ(test_files::readBytes(file), kOldFile);
            EXPECT_EQ(test_files::listDirectory(dir.path()), (Names{"Quelvin.cfg"}));
            // The save stopped at the failing step and went no further.
            ASSERT_FALSE(asked.empty());
            EXPECT_EQ(asked.back(), failing);
        }
        {
            ScratchDirectory dir;
            const ConfigStore store(dir.entry("Quelvin.cfg"), [&](SaveStep step) { return step == failing; });
            store.save(someSettings());
            EXPECT_EQ(test_files::listDirectory(dir.path()), Names{}) << "no file at all when there was none";
        }
    }
}

TEST(ConfigStore, TheInjectorSeesEveryStepOfASuccessfulSave) {
    ScratchDirectory dir;
    std::vector<SaveStep> asked;
    const ConfigStore store(dir.entry("Quelvin.cfg"), [&](SaveStep step) {
        asked.push_back(step);
        return false;
    });
    store.save(someSettings());
    EXPECT_EQ(asked, (std::vector<SaveStep>{SaveStep::CreateTemporary, SaveStep::Write, SaveStep::Flush,
                                            SaveStep::Replace}));
    EXPECT_EQ(test_files::readBytes(dir.entry("Quelvin.cfg")), encodeConfig(someSettings()));
}

TEST(ConfigStore, AReadOnlyFileIsLeftUntouched) {
    ScratchDirectory dir;
    const Text file = dir.entry("Quelvin.cfg");
    test_files::writeBytes(file, kOldFile);
    test_files::setReadOnly(file, true);
    ConfigStore(file).save(someSettings());
    test_files::setReadOnly(file, false);
    EXPECT_EQ(test_files::readBytes(file), kOldFile);
    EXPECT_EQ(test_files::listDirectory(dir.path()), (Names{"Quelvin.cfg"}));
}

TEST(ConfigStore, ADirectoryInThePlaceOfTheFileIsLeftAlone) {
    ScratchDirectory dir;
    const Text directory = dir.entry("Quelvin.cfg");
    test_files::makeDirectory(directory);
    test_files::writeBytes(test_files::joinPath(directory, "inside"), "kept");
    ConfigStore(directory).save(someSettings());
    EXPECT_EQ(test_files::listDirectory(dir.path()), (Names{"Quelvin.cfg"}));
    EXPECT_EQ(test_files::listDirectory(directory), (Names{"inside"}));
    EXPECT_EQ(test_files::readBytes(test_files::joinPath(directory, "inside")), "kept");
}

TEST(ConfigStore, SavingIntoAMissingDirectoryDoesNothing) {
    ScratchDirectory dir;
    const Text file = test_files::joinPath(dir.entry("gone"), "Quelvin.cfg");
    const ConfigStore store(file);
    store.save(someSettings());
    EXPECT_FALSE(store.exists());
    EXPECT_EQ(test_files::listDirectory(dir.path()), Names{});
}

}  // namespace
}  // namespace quelvin
