// The root directory's volume entries from prepared mountinfo tables and
// block devices: what counts as removable, names, and malformed lines.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "platform/root_enumeration.h"
#include "tests/platform/linux/prepared_tree.h"
#include "tests/platform/linux/removable_media.h"

namespace {

using namespace platform;
using namespace velorwind_test;

// The names of the volume entries, checking the record of each. The root
// first holds the user's storage, an ordinary folder.
std::vector<std::u16string> RootEntries() {
    std::vector<std::u16string> names;
    FindDataRecord entry;
    std::memset(&entry, 0xA5, sizeof entry);
    const FindHandle enumeration = FindFirstEntry(u"/*.*", &entry);
    if (enumeration == InvalidFindHandle()) {
        ADD_FAILURE() << "the root could not be enumerated";
        return names;
    }
    EXPECT_EQ(entry.attributes, ATTR_DIRECTORY);
    EXPECT_EQ(std::u16string(entry.name), u"home");
    while (FindNextEntry(enumeration, &entry)) {
        EXPECT_EQ(entry.attributes, ATTR_DIRECTORY | ATTR_TEMPORARY);
        names.emplace_back(entry.name);
    }
    EXPECT_FALSE(FindNextEntry(enumeration, &entry));
    EXPECT_TRUE(CloseEnumeration(enumeration));
    return names;
}

template <typename Text>
Text Repeat(const Text& part, int count) {
    Text whole;
    for (int i = 0; i < count; ++i) whole += part;
    return whole;
}
std::string Repeat(const char* part, int count) { return Repeat(std::string(part), count); }
std::u16string Repeat(const char16_t* part, int count) {
    return Repeat(std::u16string(part), count);
}

struct MountCase {
    const char* title;
    std::string mountinfo;
    std::vector<std::u16string> names;
};

const std::string FIXED_MOUNTS = MountLine(SATA_ROOT, "/") + MountLine(SATA_HOME, "/home") +
                                 MountLine(EMMC, "/data") + MountLine(LOOP, "/snap/core/1") +
                                 "23 22 0:21 / /proc rw,nosuid - proc proc rw\n";

const MountCase MOUNT_CASES[] = {
    {"SdCardCountedEmmcNot", FIXED_MOUNTS + MountLine(SD_CARD, "/mnt/SDCARD"), {u"SDCARD"}},
    {"UsbStickLabelWithBlank", MountLine(USB_STICK, "/mnt/USB STICK"), {u"USB STICK"}},
    {"FixedDisksOnly", FIXED_MOUNTS, {}},
    {"ThreeCardsInMountOrder",
     MountLine(SECOND_SD_CARD, "/mnt/card2") + FIXED_MOUNTS + MountLine(USB_SSD, "/mnt/backup") +
         MountLine(SD_CARD, "/mnt/SDCARD"),
     {u"card2", u"backup", u"SDCARD"}},
    {"RemovableWholeDisk", MountLine(FLOPPY, "/mnt/floppy"), {u"floppy"}},
    {"UnknownDeviceNumber", MountLine("8:99", "/mnt/ghost"), {}},
    {"MediaFoldersWithoutBlockDevice",
     MountLine(NO_DEVICE, "/media/alice/PHOTOS") + MountLine(NO_DEVICE, "/run/media/bob/MUSIC") +
         MountLine(NO_DEVICE, "/media") + MountLine(NO_DEVICE, "/mediaX/y") +
         MountLine(NO_DEVICE, "/srv/media/z"),
     {u"PHOTOS", u"MUSIC"}},
    {"EscapesDecoded",
     MountLine(NO_DEVICE, "/media/a\tb") + MountLine(NO_DEVICE, "/media/line\nend") +
         MountLine(NO_DEVICE, "/media/back\\slash"),
     {u"a\tb", u"line\nend", u"back\\slash"}},
    {"Utf8Names",
     MountLine(NO_DEVICE, "/media/カード") + MountLine(NO_DEVICE, "/media/😀x"),
     {u"カード", u"😀x"}},
    {"InvalidUtf8Skipped",
     MountLine(NO_DEVICE, "/media/\xff") + MountLine(NO_DEVICE, "/media/\xc0\xaf") +
         MountLine(NO_DEVICE, "/media/\xed\xa0\x80") + MountLine(NO_DEVICE, "/media/\xe3\x82") +
         MountLine(NO_DEVICE, "/media/ok"),
     {u"ok"}},
    {"NameLengthLimits",
     MountLine(NO_DEVICE, "/media/" + std::string(259, 'N')) +
         MountLine(NO_DEVICE, "/media/" + std::string(260, 'M')) +
         MountLine(NO_DEVICE, "/media/" + Repeat("あ", 259)) +
         MountLine(NO_DEVICE, "/run/media/x/" + Repeat("😀", 130)) +
         MountLine(NO_DEVICE, "/run/media/x/" + Repeat("😀", 129)),
     {std::u16string(259, u'N'), std::u16string(259, u'あ'), Repeat(u"😀", 129)}},
    // `mount -t tmpfs '' DIR` and some FUSE file systems leave the source
    // empty; the kernel writes the empty field as it is.
    {"EmptySourceField",
     "41 22 0:45 / /media/alice/CARD rw,nosuid,nodev,relatime shared:41 - tmpfs  rw,size=1024k\n"
     "42 22 0:46 / /media/alice/PHONE rw,nosuid,nodev - fuse.jmtpfs  rw,user_id=1000\n" +
         MountLine(SD_CARD, "/mnt/SD"),
     {u"CARD", u"PHONE", u"SD"}},
    {"EveryOptionalFieldEmpty",
     "43 22 0:47 / /media/BARE rw - tmpfs  \n"
     "44 22 0:48 / /run/media/bob/TAGS rw,relatime   - tmpfs  \n",
     {u"BARE", u"TAGS"}},
};

void PrintTo(const MountCase& c, std::ostream* out) { *out << c.title; }

class RootEnumerationTest : public testing::TestWithParam<MountCase> {};

TEST_P(RootEnumerationTest, ListsRemovableMountsInOrder) {
    const MountCase& c = GetParam();
    const PreparedTree tree;
    PrepareBlockDevices(tree);
    tree.Write("proc/self/mountinfo", c.mountinfo);
    EXPECT_EQ(RootEntries(), c.names);
}

INSTANTIATE_TEST_SUITE_P(Mountinfo, RootEnumerationTest, testing::ValuesIn(MOUNT_CASES),
                         [](const auto& info) { return std::string(info.param.title); });

// Each malformed line sits between two good ones: it is skipped and the
// lines around it still count.
class MalformedMountLineTest : public testing::TestWithParam<std::string> {};

TEST_P(MalformedMountLineTest, IsSkipped) {
    const PreparedTree tree;
    tree.Write("proc/self/mountinfo", MountLine(NO_DEVICE, "/media/BEFORE") + GetParam() + "\n" +
                                          MountLine(NO_DEVICE, "/media/AFTER"));
    EXPECT_EQ(RootEntries(), (std::vector<std::u16string>{u"BEFORE", u"AFTER"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedMountLineTest,
    testing::Values(
        "", " ", "41 22 0:45 / /media/BAD", "41 22 0:45 / /media/BAD rw shared:1 vfat x rw",
        "41 22 0:45 / /media/BAD rw -", "41 22 0:45 / /media/BAD rw - vfat",
        "41 22 045 / /media/BAD rw - vfat x rw", "41 22 0:-4 / /media/BAD rw - vfat x rw",
        "41 22 -0:45 / /media/BAD rw - vfat x rw", "-0 22 0:45 / /media/BAD rw - vfat x rw",
        "41  22 0:45 / /media/BAD rw - vfat x rw", "41 22 0:45 / media/BAD rw - vfat x rw",
        "41 22 0:45 / /media/B\\04 rw - vfat x rw", "41 22 0:45 / /media/B\\999 rw - vfat x rw",
        "41 22 0:45 / /media/B\\400 rw - vfat x rw", "41 22 0:45 / /media/B\\000 rw - vfat x rw",
        "41 22 0:45 / /media/BAD\\ rw - vfat x rw",
        "41 22 0:45 / /media/" + std::string(100000, 'L') + " rw - vfat x rw",
        // Only a prepared table can hold a raw NUL; cut there, the path
        // would name another folder.
        std::string("41 22 0:45 / /media/B\0AD rw - vfat x rw", 39),
        "41 22 0:45 / /media/" + std::string(5000, 'P') + " rw - vfat x rw"));

TEST(RootEnumeration, ReadsTableAfreshAtEachStart) {
    const PreparedTree tree;
    PrepareBlockDevices(tree);
    tree.Write("proc/self/mountinfo", MountLine(SD_CARD, "/mnt/SD"));
    EXPECT_EQ(RootEntries(), std::vector<std::u16string>{u"SD"});
    tree.Write("proc/self/mountinfo",
               MountLine(SD_CARD, "/mnt/SD") + MountLine(USB_STICK, "/mnt/USB"));
    EXPECT_EQ(RootEntries(), (std::vector<std::u16string>{u"SD", u"USB"}));
}

// Each change of the table shows at the next enumeration: a card added,
// one taken out, one mounted again under another name, one moved to
// another name, and a device that comes and goes at every enumeration.
struct TableStep {
    std::vector<const char*> mounted;  // names under /media/, in mount order
    std::vector<std::u16string> entries;
    bool moved = false;  // the one card of the step before, moved to this name
};

const TableStep TABLE_STEPS[] = {
    {{"CARD"}, {u"CARD"}},         {{"CARD", "STICK"}, {u"CARD", u"STICK"}},
    {{"STICK"}, {u"STICK"}},       {{"RENAMED"}, {u"RENAMED"}},
    {{"MOVED"}, {u"MOVED"}, true}, {{}, {}},
    {{"RENAMED"}, {u"RENAMED"}},   {{}, {}},
    {{"RENAMED"}, {u"RENAMED"}},   {{}, {}},
};

TEST(RootEnumeration, SeesEachChangeOfAPreparedTableAtTheNextEnumeration) {
    const PreparedTree tree;
    for (const TableStep& step : TABLE_STEPS) {
        std::string table;
        for (const char* name : step.mounted)
            table += MountLine(NO_DEVICE, std::string("/media/") + name);
        tree.Write("proc/self/mountinfo", table);
        EXPECT_EQ(RootEntries(), step.entries) << "after mounting " << step.mounted.size();
    }
}

// The same changes made to the kernel's own table, which the enumeration
// reads again only when the kernel marks a change. They are made in a mount
// namespace of a child process's own, where a tmpfs over /media hides the
// machine's and the cards are tmpfs mounts below it; the child reports the
// names each enumeration gave, one line each.
std::string EnumeratedNames() {
    std::string names;
    FindDataRecord entry;
    const FindHandle enumeration = FindFirstEntry(u"/*.*", &entry);
    if (enumeration == InvalidFindHandle()) return "(failed)";
    while (FindNextEntry(enumeration, &entry)) {
        for (const char16_t* unit = entry.name; *unit != u'\0'; ++unit)
            names += static_cast<char>(*unit);
        names += '|';
    }
    CloseEnumeration(enumeration);
    return names;
}

[[noreturn]] void ChangeKernelTable(int report) {
    const auto say = [report](const std::string& line) {
        const std::string text = line + "\n";
        if (::write(report, text.data(), text.size()) < 0) ::_exit(2);
    };
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("velorwind-test", "/media", "tmpfs", 0, "size=64k") != 0) {
        say(std::string("skip: no mount namespace of our own: ") + std::strerror(errno));
        ::_exit(0);
    }
    // Forget whatever table the parent had open: it lists the parent's mounts.
    ::setenv("VELORWIND_PROCFS", "/nonexistent", 1);
    EnumeratedNames();
    ::unsetenv("VELORWIND_PROCFS");
    ::unsetenv("VELORWIND_SYSFS");
    say(EnumeratedNames());
    std::vector<std::string> mounted;
    for (const TableStep& step : TABLE_STEPS) {
        if (step.moved) {
            const std::string point = std::string("/media/") + step.mounted.front();
            ::mkdir(point.c_str(), 0700);
            if (::mount(("/media/" + mounted.front()).c_str(), point.c_str(), nullptr, MS_MOVE,
                        nullptr) != 0) {
                ::_exit(4);
            }
            mounted = {step.mounted.front()};
            say(EnumeratedNames());
            continue;
        }
        for (const std::string& name : mounted) ::umount(("/media/" + name).c_str());
        mounted.clear();
        for (const char* name : step.mounted) {
            const std::string point = std::string("/media/") + name;
            ::mkdir(point.c_str(), 0700);
            if (::mount("velorwind-card", point.c_str(), "tmpfs", 0, "size=16k") != 0) ::_exit(3);
            mounted.emplace_back(name);
        }
        say(EnumeratedNames());
    }
    ::_exit(0);
}

TEST(RootEnumeration, SeesEachChangeOfTheKernelTableAtTheNextEnumeration) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        ChangeKernelTable(report[1]);
    }
    ::close(report[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t count; (count = ::read(report[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, count);
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    if (output.starts_with("skip")) GTEST_SKIP() << output;

    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(output.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), std::size(TABLE_STEPS) + 1) << output;
    const std::string before = lines[0];  // the machine's own cards, if any
    for (std::size_t index = 0; index < std::size(TABLE_STEPS); ++index) {
        std::string expected = before;
        for (const char* name : TABLE_STEPS[index].mounted) expected += std::string(name) + "|";
        EXPECT_EQ(lines[index + 1], expected) << "step " << index;
    }
}

// A device is judged once while it stays in the table, however many mount
// points it has: a later change of its sysfs marks is not read again.
// Another device under the same number (its link now leads to a folder of
// its own, as when another card takes the slot) is judged afresh.
TEST(RootEnumeration, JudgesEachDeviceOnceWhileItStays) {
    const PreparedTree tree;
    PrepareBlockDevices(tree);
    const std::string card = MountLine(SD_CARD, "/mnt/SD");
    tree.Write("proc/self/mountinfo", card);
    EXPECT_EQ(RootEntries(), std::vector<std::u16string>{u"SD"});
    tree.Write("sys/devices/platform/soc/mmc0/mmc_host/mmc0/mmc0:0001/type", "MMC\n");
    const std::string twice = card + MountLine(SD_CARD, "/mnt/SD2");
    tree.Write("proc/self/mountinfo", twice);
    EXPECT_EQ(RootEntries(), (std::vector<std::u16string>{u"SD", u"SD2"})) << "kept while it stays";
    const std::string link = tree.Path("sys/dev/block/179:1");
    const std::filesystem::path builtIn =
        std::filesystem::read_symlink(tree.Path("sys/dev/block/179:9"));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(builtIn, link);
    tree.Write("proc/self/mountinfo", twice);
    EXPECT_EQ(RootEntries(), std::vector<std::u16string>{}) << "another device under its number";
}

// What cannot be read is not taken for "no card": the enumeration fails,
// at once, and the survey keeps the cards it showed. A mount whose device
// could not be judged is judged again at the next enumeration.
TEST(RootEnumeration, AnUnreadableTableOrDeviceFailsTheEnumeration) {
    const PreparedTree tree;
    PrepareBlockDevices(tree);
    const std::string table = tree.Path("proc/self/mountinfo");
    FindDataRecord entry;
    tree.MakeFolder("proc/self/mountinfo");
    EXPECT_EQ(FindFirstEntry(u"/*.*", &entry), InvalidFindHandle()) << "a folder";
    std::filesystem::remove(table);
    ASSERT_EQ(::mkfifo(table.c_str(), 0600), 0);
    EXPECT_EQ(FindFirstEntry(u"/*.*", &entry), InvalidFindHandle()) << "a FIFO, without waiting";
    std::filesystem::remove(table);

    const std::string cardType = "sys/devices/platform/soc/mmc0/mmc_host/mmc0/mmc0:0001/type";
    std::filesystem::remove(tree.Path(cardType));
    tree.MakeFolder(cardType);
    const std::string mounted = MountLine(SD_CARD, "/mnt/SD");
    tree.Write("proc/self/mountinfo", mounted + MountLine(USB_STICK, "/mnt/USB"));
    EXPECT_EQ(FindFirstEntry(u"/*.*", &entry), InvalidFindHandle()) << "the card's type unreadable";
    std::filesystem::remove(tree.Path(cardType));
    tree.Write(cardType, "SD\n");
    EXPECT_EQ(RootEntries(), (std::vector<std::u16string>{u"SD", u"USB"}));
}

TEST(RootEnumeration, RefusesWhatItCannotEnumerate) {
    const PreparedTree tree;
    FindDataRecord entry;
    EXPECT_EQ(FindFirstEntry(u"/*.*", &entry), InvalidFindHandle());  // no mount table
    tree.Write("proc/self/mountinfo", MountLine(NO_DEVICE, "/media/CARD"));
    for (const char16_t* pattern :
         {u"/*", u"*.*", u"/CARD", u"", static_cast<const char16_t*>(nullptr)}) {
        EXPECT_EQ(FindFirstEntry(pattern, &entry), InvalidFindHandle());
    }
    EXPECT_EQ(FindFirstEntry(u"/*.*", nullptr), InvalidFindHandle());
    EXPECT_FALSE(FindNextEntry(InvalidFindHandle(), &entry));
    EXPECT_FALSE(FindNextEntry(nullptr, &entry));
    EXPECT_FALSE(CloseEnumeration(InvalidFindHandle()));
    EXPECT_FALSE(CloseEnumeration(nullptr));
}

}  // namespace
