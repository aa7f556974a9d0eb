#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/settings/ini_file.h"
#include "fixture_db.h"

using namespace ostrel;
using ostrel::testing::TempDir;
namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> folderEntries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir{"ostrel ini"};
    fs::path file = dir.path() / "ostrel-organizer.ini";
    IniFile ini{file.string()};

    void TearDown() override { IniFile::setBeforeReplaceHookForTesting({}); }
};

}  // namespace

TEST_F(IniFileTest, ReadsStringsByProfileRules) {
    const std::string longValue(3000, 'x');
    const std::string cyrillic = "\xD0\x96";  // one character, two bytes
    std::string longUtf8;
    for (int i = 0; i < 2100; ++i) longUtf8 += cyrillic;
    writeFile(file,
              "\xEF\xBB\xBF"
              "[General]\r\n"
              "Language = Russian  \r\n"
              "language=German\r\n"
              "Empty=\r\n"
              "garbage line without equals\r\n"
              "=value without key\r\n"
              "; Commented=1\r\n"
              "Spaced Key=a = b\r\n"
              "[ Clock ]\r\n"
              "Long=" +
                  longValue +
                  "\r\n"
                  "LongUtf8=" +
                  longUtf8 +
                  "\r\n"
                  "[general]\n"
                  "Language=French\n"
                  "Second=only in the duplicate section\n"
                  "[Unclosed\n"
                  "Key=in unclosed\n");

    struct Case {
        const char* section;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"General", "Language", "Russian"},  // BOM skipped, blanks trimmed, first match wins
        {"GENERAL", "LANGUAGE", "Russian"},  // names without regard to case
        {"General", "Empty", ""},            // present but empty is not the default
        {"General", "Commented", "dflt"},    // comment lines are not keys
        {"General", "garbage line without equals", "dflt"},
        {"General", "", "dflt"},
        {"General", "Spaced Key", "a = b"},  // value runs from the first '='
        {"General", "Second", "dflt"},       // only the first section of a name is read
        {"Clock", "Long", std::string(2047, 'x')},
        {"Clock", "Missing", "dflt"},
        {"Nowhere", "Language", "dflt"},
        {"Unclosed", "Key", "in unclosed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.readString(c.section, c.key, "dflt"), c.expected) << c.section << "/" << c.key;

    const std::string cut = ini.readString("Clock", "LongUtf8", "");
    EXPECT_EQ(cut.size(), 2047u * 2) << "2047 characters, no sequence split";

    EXPECT_TRUE(ini.hasKey("general", "EMPTY"));
    EXPECT_FALSE(ini.hasKey("General", "Second"));
    EXPECT_EQ(ini.findValue("General", "Empty"), std::optional<std::string>(""));
    EXPECT_EQ(ini.findValue("General", "Nope"), std::nullopt);
}

TEST_F(IniFileTest, MissingFileReadsAsDefaults) {
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readString("General", "Language", "English"), "English");
    EXPECT_EQ(ini.readInteger("Clock", "VertSpace", 3), 3);
    EXPECT_TRUE(ini.readBool("Clock", "FontBold", true));
    EXPECT_TRUE(ini.readSection("General").empty());
    EXPECT_FALSE(ini.hasKey("General", "Language"));
}

TEST_F(IniFileTest, ReadsIntegersAndBooleans) {
    writeFile(file,
              "[N]\n"
              "dec=42\nneg=-17\nplus=+5\nhex=0x1F\nHEX=0XfF\ndollar=$800000\nnegHex=-$10\n"
              "spaced=  12  \nfloat=1.5\ntext=abc\ntrailing=12abc\nempty=\nbareHex=0x\nbareDollar=$\n"
              "big=9223372036854775807\ntooBig=9223372036854775808\nmin=-9223372036854775808\n"
              "colour=12582074\n"
              "[B]\none=1\nzero=0\nother=258\nminus=-1\nword=true\n");
    struct Case {
        const char* key;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"dec", 42},        {"neg", -17},         {"plus", 5},        {"hex", 31},        {"dollar", 0x800000},
        {"negHex", -16},    {"spaced", 12},       {"float", -1},      {"text", -1},       {"trailing", -1},
        {"empty", -1},      {"bareHex", -1},      {"bareDollar", -1}, {"big", INT64_MAX}, {"tooBig", -1},
        {"min", INT64_MIN}, {"colour", 0xBFFCBA}, {"missing", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ini.readInteger("N", c.key, -1), c.expected) << c.key;
    // "HEX" and "hex" are the same key: the first line wins.
    EXPECT_EQ(ini.readInteger("N", "HEX", -1), 31);

    EXPECT_TRUE(ini.readBool("B", "one", false));
    EXPECT_FALSE(ini.readBool("B", "zero", true));
    EXPECT_TRUE(ini.readBool("B", "other", false));
    EXPECT_TRUE(ini.readBool("B", "minus", false));
    EXPECT_TRUE(ini.readBool("B", "word", true)) << "not a number: the default";
    EXPECT_FALSE(ini.readBool("B", "word", false));
}

TEST_F(IniFileTest, ReadsASectionInFileOrder) {
    writeFile(file,
              "[frmToDo]\r\n"
              "Caption=Reminder\r\n"
              "cbPostpone(0)=.  Minutes\r\n"
              "junk\r\n"
              "Empty=\r\n"
              "[Other]\r\n"
              "x=1\r\n"
              "[FRMTODO]\r\n"
              "Late=ignored\r\n");
    const auto pairs = ini.readSection("frmtodo");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"Caption", "Reminder"}));
    EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"cbPostpone(0)", ".  Minutes"}));
    EXPECT_EQ(pairs[2], (std::pair<std::string, std::string>{"Empty", ""}));
}

TEST_F(IniFileTest, WritingKeepsForeignLinesOrderAndLineEndings) {
    const std::string original =
        "\xEF\xBB\xBF"
        "; settings written by hand\r\n"
        "[General]\r\n"
        "  ProgramView = 3\r\n"
        "Foreign=keep me\r\n"
        "\r\n"
        "# another comment\r\n"
        "[Clock]\r\n"
        "FontName=MS Sans Serif\r\n";
    writeFile(file, original);

    ini.writeInteger("general", "PROGRAMVIEW", 2);           // replaced in place, its spelling kept
    ini.writeString("General", "Language", "Russian");       // appended after the section's last key
    ini.writeBool("PocketBook", "AutohidePanel", true);      // new section at the end
    ini.writeString("Clock", "FontName", "DejaVu\r\nSans");  // a line break never starts a line

    EXPECT_EQ(readFile(file),
              "\xEF\xBB\xBF"
              "; settings written by hand\r\n"
              "[General]\r\n"
              "ProgramView=2\r\n"
              "Foreign=keep me\r\n"
              "Language=Russian\r\n"
              "\r\n"
              "# another comment\r\n"
              "[Clock]\r\n"
              "FontName=DejaVu  Sans\r\n"
              "\r\n"
              "[PocketBook]\r\n"
              "AutohidePanel=1\r\n");

    ini.deleteKey("GENERAL", "foreign");
    EXPECT_FALSE(ini.hasKey("General", "Foreign"));
    EXPECT_EQ(ini.readInteger("General", "ProgramView", 0), 2);
    EXPECT_EQ(ini.readString("Clock", "FontName", ""), "DejaVu  Sans");
}

TEST_F(IniFileTest, WritingCreatesAMissingFileAndLeavesNoTemporaryFiles) {
    ini.writeInteger("Clock", "FontColor", 8388608);
    ini.writeInteger("Clock", "Top", -20);
    EXPECT_EQ(readFile(file), "[Clock]\nFontColor=8388608\nTop=-20\n");
    EXPECT_EQ(ini.readInteger("Clock", "Top", 0), -20);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"ostrel-organizer.ini"});

    // Deleting what is not there does not create or touch anything.
    IniFile other((dir.path() / "other.ini").string());
    other.deleteKey("A", "b");
    EXPECT_FALSE(other.exists());
}

TEST_F(IniFileTest, WritingKeepsEachLinesOwnEnding) {
    writeFile(file, "[A]\nx=1\r\ny=2");
    EXPECT_EQ(ini.readInteger("A", "y", 0), 2);
    ini.writeString("A", "z", "3");
    EXPECT_EQ(readFile(file), "[A]\nx=1\r\ny=2\nz=3\n");

    writeFile(file, "[A]\r\nx=1\r");
    EXPECT_EQ(ini.readString("A", "x", ""), "1");
}

TEST_F(IniFileTest, WritingToTheSecondOfTwoSameNamedSectionsGoesToTheFirst) {
    writeFile(file, "[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n");
    ini.writeString("A", "z", "4");
    EXPECT_EQ(readFile(file), "[A]\nx=1\nz=4\n[B]\ny=2\n[a]\nz=3\n");
    EXPECT_EQ(ini.readString("A", "z", ""), "4");
}

TEST_F(IniFileTest, AnInterruptedWriteLeavesTheOldFileIntact) {
    const std::string original = "[General]\nLanguage=Russian\n; note\n";
    writeFile(file, original);
    std::string tempSeen;
    std::string tempContent;
    IniFile::setBeforeReplaceHookForTesting([&](const std::string& temp) {
        tempSeen = temp;
        tempContent = readFile(temp);
        throw std::runtime_error("power cut");
    });
    EXPECT_THROW(ini.writeString("General", "Language", "English"), std::runtime_error);

    EXPECT_EQ(readFile(file), original);
    EXPECT_EQ(fs::path(tempSeen).parent_path(), dir.path()) << "the temporary file lies in the same folder";
    EXPECT_EQ(tempContent, "[General]\nLanguage=English\n; note\n") << "the new text was complete before the rename";
    EXPECT_FALSE(fs::exists(tempSeen));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"ostrel-organizer.ini"});

    IniFile::setBeforeReplaceHookForTesting({});
    ini.writeString("General", "Language", "English");
    EXPECT_EQ(ini.readString("General", "Language", ""), "English");
}

TEST_F(IniFileTest, WritingKeepsTheFilePermissions) {
    writeFile(file, "[A]\nx=1\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ini.writeString("A", "x", "2");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(IniFileTest, UnreadableOrUnwritableFilesRaiseIniError) {
    // A folder where the file should be cannot be read.
    fs::create_directory(file);
    EXPECT_THROW(ini.readString("General", "Language", "English"), IniError);
    EXPECT_THROW(ini.writeString("General", "Language", "English"), IniError);
    fs::remove(file);

    // A read-only file is not replaced.
    writeFile(file, "[A]\nx=1\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_THROW(ini.writeString("A", "x", "2"), IniError);
    EXPECT_EQ(readFile(file), "[A]\nx=1\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"ostrel-organizer.ini"});
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

    // A folder nobody may write to (root ignores permissions: skip then).
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    writeFile(locked / "a.ini", "[A]\nx=1\n");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    IniFile inLocked((locked / "a.ini").string());
    if (::geteuid() != 0) {
        EXPECT_THROW(inLocked.writeString("A", "x", "2"), IniError);
        EXPECT_EQ(inLocked.readString("A", "x", ""), "1");
    }
    fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(IniFileTest, RejectsNamesThatWouldBreakTheFile) {
    EXPECT_THROW(ini.writeString("Gen]eral", "a", "1"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("General", "a=b", "1"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("General", "a\nb", "1"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("General", "  ", "1"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("", "a", "1"), std::invalid_argument);
    EXPECT_FALSE(ini.exists());
}

TEST(IniParseInteger, AcceptsOnlyWholeNumbers) {
    EXPECT_EQ(IniFile::parseInteger("$ff"), 255);
    EXPECT_EQ(IniFile::parseInteger(" 0x10 "), 16);
    EXPECT_EQ(IniFile::parseInteger("-0"), 0);
    EXPECT_FALSE(IniFile::parseInteger("1 2"));
    EXPECT_FALSE(IniFile::parseInteger("0x-1"));
    EXPECT_FALSE(IniFile::parseInteger("--1"));
    EXPECT_FALSE(IniFile::parseInteger("$10000000000000000"));
    EXPECT_FALSE(IniFile::parseInteger(""));
}

namespace {

// Sets a file's times well into the past, as for a file not touched today.
void makeOld(const fs::path& p, long secondsAgo = 3600) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= secondsAgo;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

}  // namespace

// A file is parsed once per change, not once per key read (a key read that
// parses the whole file makes a 100 MB settings file take half a minute to
// start).
TEST_F(IniFileTest, AFileIsParsedOncePerChange) {
    // A file whose times all lie well in the past (a ctime cannot be set
    // back, so a file written here would not do): the shipped language file.
    const std::string shipped = std::string(OSTREL_SOURCE_DIR) + "/Languages/English.lng";
    const auto keys = IniFile(shipped).readSection("Messages");
    ASSERT_GT(keys.size(), 20u);
    const auto before = IniFile::parseCountForTesting();
    for (int round = 0; round < 50; ++round)
        for (const auto& [key, value] : keys) ASSERT_EQ(IniFile(shipped).readString("Messages", key, ""), value);
    EXPECT_LE(IniFile::parseCountForTesting() - before, 1u);

    // A change is seen at once, whatever its timestamps say.
    writeFile(file, "[General]\nKey0=zero\n");
    makeOld(file);
    EXPECT_EQ(ini.readString("General", "Key0", ""), "zero");
    writeFile(file, "[General]\nKey0=nul\n");  // same size, same timestamps
    makeOld(file);
    EXPECT_EQ(ini.readString("General", "Key0", ""), "nul");
}

TEST_F(IniFileTest, OversizedFilesAndNonRegularFilesAreRefusedUnread) {
    writeFile(file, "[General]\nLanguage=Russian\n" + std::string(IniFile::kMaxFileBytes, ';'));
    try {
        ini.readString("General", "Language", "English");
        FAIL() << "read";
    } catch (const IniError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot read " + file.string() + ": the file is larger than 4 MB");
    }
    EXPECT_THROW(ini.writeString("General", "Language", "English"), IniError);
    fs::remove(file);

    // A FIFO would block the reader until someone writes into it.
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    try {
        ini.readInteger("Clock", "Top", 0);
        FAIL() << "read";
    } catch (const IniError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot read " + file.string() + ": not a regular file");
    }
    fs::remove(file);
    fs::create_directory(file);
    try {
        ini.hasKey("Clock", "Top");
        FAIL() << "read";
    } catch (const IniError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot read " + file.string() + ": it is a folder");
    }
}

// In a batch the keys reach the file in one replace, so a kill in between
// never leaves Top new and Left old; an unchanged text is not written at
// all.
TEST_F(IniFileTest, ABatchWritesEveryKeyInOneReplace) {
    writeFile(file, "[Clock]\nTop=1\nLeft=1\n");
    int replaces = 0;
    IniFile::setBeforeReplaceHookForTesting([&](const std::string& temp) {
        ++replaces;
        EXPECT_EQ(readFile(temp), "[Clock]\nTop=2\nLeft=3\n\n[General]\nProgramView=4\n");
    });
    ini.beginBatch();
    ini.writeInteger("Clock", "Top", 2);
    ini.writeInteger("Clock", "Left", 3);
    ini.writeInteger("General", "ProgramView", 4);
    EXPECT_EQ(ini.readInteger("Clock", "Left", 0), 3);  // the batch reads its own writes
    EXPECT_EQ(readFile(file), "[Clock]\nTop=1\nLeft=1\n");
    EXPECT_EQ(replaces, 0);
    ini.commitBatch();
    EXPECT_EQ(replaces, 1);
    IniFile::setBeforeReplaceHookForTesting({});
    EXPECT_EQ(IniFile(file.string()).readInteger("Clock", "Left", 0), 3);

    int writes = 0;
    IniFile::setBeforeReplaceHookForTesting([&](const std::string&) { ++writes; });
    ini.beginBatch();
    ini.writeInteger("Clock", "Top", 99);
    ini.discardBatch();
    {
        IniFile other(file.string());
        other.beginBatch();
        other.writeInteger("Clock", "Top", 98);
    }                                     // never committed
    ini.writeInteger("Clock", "Top", 2);  // the same text
    ini.beginBatch();
    ini.writeInteger("Clock", "Left", 3);
    ini.commitBatch();
    EXPECT_EQ(writes, 0);
    IniFile::setBeforeReplaceHookForTesting({});
    EXPECT_EQ(ini.readInteger("Clock", "Top", 0), 2);
}

TEST_F(IniFileTest, LeftoversOfKilledWritesAreRemoved) {
    writeFile(file, "[A]\nx=1\n");
    for (const char* name : {"ostrel-organizer.ini.tmp-12345", "ostrel-organizer.ini.tmp-9",
                             "ostrel-organizer.ini.tmp-x1", "other.ini.tmp-77", "ostrel-organizer.ini.bak"})
        writeFile(dir.path() / name, "junk");
    EXPECT_EQ(IniFile::removeLeftoverTemporaries(file.string()), 2);
    auto entries = folderEntries(dir.path());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"ostrel-organizer.ini", "ostrel-organizer.ini.bak",
                                                 "ostrel-organizer.ini.tmp-x1", "other.ini.tmp-77"}));
}

// Saves of two keys killed at random moments: the file always holds both
// keys of one save, and what the kills leave is removed afterwards.
TEST_F(IniFileTest, KilledSavesNeverLeaveHalfASave) {
    writeFile(file, "[Clock]\nTop=0\nLeft=0\n");
    std::mt19937 rng(7);
    for (int trial = 0; trial < 40; ++trial) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            for (int i = 1;; ++i) {
                IniFile f(file.string());
                f.beginBatch();
                f.writeInteger("Clock", "Top", trial * 100000 + i);
                f.writeInteger("Clock", "Left", trial * 100000 + i);
                f.commitBatch();
                if (::write(progress[1], "s", 1) != 1) ::_exit(1);
            }
        }
        ::close(progress[1]);
        // Killed after a random number of saves, somewhere inside the next.
        const int saves = static_cast<int>(rng() % 5);
        char c;
        for (int i = 0; i < saves; ++i) ASSERT_EQ(::read(progress[0], &c, 1), 1);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(progress[0]);
        IniFile f(file.string());
        const auto top = f.readInteger("Clock", "Top", -1);
        EXPECT_EQ(top, f.readInteger("Clock", "Left", -2)) << "trial " << trial;
        EXPECT_GE(top, 0);
        IniFile::removeLeftoverTemporaries(file.string());
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"ostrel-organizer.ini"});
    }
}
