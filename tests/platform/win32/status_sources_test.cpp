// The Windows status sources: the power record and the card list from
// tables, the bounded worker on a job that hangs, and the root enumeration
// and free-space query over the prefix's removable drives (E: and F: both
// labelled "SDCARD", G: with a long label of characters from many scripts,
// H: with no medium; see wine_prefix.sh).
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/library.h"
#include "platform/root_enumeration.h"
#include "platform/win32/status/bounded_worker.h"
#include "platform/win32/status/power_record.h"
#include "platform/win32/status/removable_drives.h"

namespace {

using namespace platform;
using namespace platform::win32;

constexpr DWORD UNKNOWN_SECONDS = 0xFFFFFFFF;

TEST(PowerRecord, CarriesTheSystemAnswerOverWithItsTwoExceptions) {
    const struct {
        const char* title;
        SYSTEM_POWER_STATUS system;
        std::uint8_t external, flags, percent;
        std::uint32_t life, fullLife;
    } cases[] = {
        {"desktop without battery",
         {1, 128, 255, 0, UNKNOWN_SECONDS, UNKNOWN_SECONDS},
         1,
         0x80,
         255,
         LIFETIME_UNKNOWN,
         LIFETIME_UNKNOWN},
        {"255 everywhere",
         {255, 255, 255, 0, UNKNOWN_SECONDS, UNKNOWN_SECONDS},
         255,
         0x00,
         255,
         LIFETIME_UNKNOWN,
         LIFETIME_UNKNOWN},
        {"high, on battery", {0, 1, 80, 0, 7200, 9000}, 0, 0x01, 80, 7200, 9000},
        {"between low and high has no bit",
         {0, 0, 50, 0, 3600, UNKNOWN_SECONDS},
         0,
         0x01,
         50,
         3600,
         LIFETIME_UNKNOWN},
        {"charging between low and high",
         {1, 8, 45, 0, UNKNOWN_SECONDS, UNKNOWN_SECONDS},
         1,
         0x09,
         45,
         LIFETIME_UNKNOWN,
         LIFETIME_UNKNOWN},
        {"low and charging",
         {1, 10, 20, 0, UNKNOWN_SECONDS, UNKNOWN_SECONDS},
         1,
         0x0A,
         20,
         LIFETIME_UNKNOWN,
         LIFETIME_UNKNOWN},
        {"critical", {0, 4, 3, 0, 120, UNKNOWN_SECONDS}, 0, 0x04, 3, 120, LIFETIME_UNKNOWN},
        {"battery saver flag is not read", {0, 1, 90, 1, 60, 60}, 0, 0x01, 90, 60, 60},
    };
    for (const auto& c : cases) {
        const PowerStatusRecord record = PowerRecordOf(c.system);
        EXPECT_EQ(record.externalPower, c.external) << c.title;
        EXPECT_EQ(record.batteryFlags, c.flags) << c.title;
        EXPECT_EQ(record.batteryPercent, c.percent) << c.title;
        EXPECT_EQ(record.batteryLifeSeconds, c.life) << c.title;
        EXPECT_EQ(record.batteryFullLifeSeconds, c.fullLife) << c.title;
        // A PC has no backup battery.
        EXPECT_EQ(record.backupFlags, POWER_FLAG_NO_BATTERY) << c.title;
        EXPECT_EQ(record.backupPercent, PERCENT_UNKNOWN) << c.title;
        EXPECT_EQ(record.backupLifeSeconds, LIFETIME_UNKNOWN) << c.title;
        EXPECT_EQ(record.backupFullLifeSeconds, LIFETIME_UNKNOWN) << c.title;
    }
}

// As wine_prefix.sh labels drive G:.
const std::u16string LONG_LABEL = u"Ωμέγα Карта 카드 😀 ｶｰﾄﾞ 卡片 ĦŁ ÆØÅ";

TEST(RemovableDrives, AreNamedByLabelOrLetterAndToldApart) {
    ASSERT_EQ(LONG_LABEL.size(), 32u);
    const struct {
        const char* title;
        std::vector<DriveFacts> drives;
        std::vector<std::u16string> names;
        std::u16string letters;
    } cases[] = {
        {"fixed, optical and network drives are no cards",
         {{u'C', DRIVE_FIXED, u"OS"}, {u'D', DRIVE_CDROM, u"DISC"}, {u'N', DRIVE_REMOTE, u"HOME"}},
         {},
         u""},
        {"a card by its label",
         {{u'C', DRIVE_FIXED, u""}, {u'E', DRIVE_REMOVABLE, u"SDCARD"}},
         {u"SDCARD"},
         u"E"},
        {"no label: the letter", {{u'E', DRIVE_REMOVABLE, u""}}, {u"E:"}, u"E"},
        {"one label twice: both with their letters",
         {{u'E', DRIVE_REMOVABLE, u"SDCARD"},
          {u'F', DRIVE_REMOVABLE, u"SDCARD"},
          {u'G', DRIVE_REMOVABLE, u"USB"}},
         {u"SDCARD (E:)", u"SDCARD (F:)", u"USB"},
         u"EFG"},
        {"a label that reads like another drive's letter",
         {{u'E', DRIVE_REMOVABLE, u"F:"}, {u'F', DRIVE_REMOVABLE, u""}},
         {u"F: (E:)", u"F: (F:)"},
         u"EF"},
        {"labels differing in case are different names",
         {{u'E', DRIVE_REMOVABLE, u"Card"}, {u'F', DRIVE_REMOVABLE, u"CARD"}},
         {u"Card", u"CARD"},
         u"EF"},
        {"32 characters from many scripts, as they stand",
         {{u'E', DRIVE_REMOVABLE, LONG_LABEL}},
         {LONG_LABEL},
         u"E"},
    };
    for (const auto& c : cases) {
        const std::vector<RootVolume> volumes = RemovableVolumes(c.drives);
        std::vector<std::u16string> names;
        std::u16string letters;
        for (const RootVolume& volume : volumes) {
            names.push_back(volume.name);
            letters.push_back(volume.letter);
        }
        EXPECT_EQ(names, c.names) << c.title;
        EXPECT_EQ(letters, c.letters) << c.title;
    }
}

// A job that waits for the test to let it go.
struct HangingJob {
    HANDLE release;
    bool ran;
    void Run() {
        WaitForSingleObject(release, INFINITE);
        ran = true;
    }
};

int ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &thread); more;
         more = Thread32Next(snapshot, &thread)) {
        if (thread.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

TEST(BoundedWorker, AJobThatHangsHoldsOneThreadAndFailsUntilItEnds) {
    static BoundedWorker<HangingJob> worker;
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const int before = ThreadsOfThisProcess();

    HangingJob job{release, false};
    // The job hangs until it is released below: that the call returns at
    // all is its bound at work.
    EXPECT_FALSE(worker.Run(job, 50)) << "overran its bound";
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_FALSE(worker.Run(job, 50)) << "still busy at tick " << tick;
    }
    EXPECT_EQ(ThreadsOfThisProcess(), before + 1) << "one worker, however many calls";
    EXPECT_FALSE(job.ran) << "a job that failed leaves the caller's copy alone";

    SetEvent(release);
    bool answered = false;
    for (int attempt = 0; attempt < 100 && !answered; ++attempt) {
        answered = worker.Run(job, 1000);
        if (!answered) Sleep(10);
    }
    EXPECT_TRUE(answered) << "the worker takes jobs again once the hung one ended";
    EXPECT_TRUE(job.ran);
    EXPECT_EQ(ThreadsOfThisProcess(), before + 1);
    CloseHandle(release);
}

struct RootEntry {
    std::u16string name;
    std::uint32_t attributes;
};

std::vector<RootEntry> RootEntries(FindHandle* left = nullptr) {
    std::vector<RootEntry> entries;
    FindDataRecord entry{};
    const FindHandle enumeration = FindFirstEntry(u"/*.*", &entry);
    if (enumeration == InvalidFindHandle()) return entries;
    do {
        entries.push_back({entry.name, entry.attributes});
    } while (FindNextEntry(enumeration, &entry));
    if (left != nullptr) {
        *left = enumeration;
    } else {
        EXPECT_TRUE(CloseEnumeration(enumeration));
    }
    return entries;
}

// The free-space query as the survey finds it: the core library's entry.
DiskFreeSpaceQuery FreeSpaceQuery() {
    const LibraryHandle core = LoadLibrary(u"COREDLL.DLL");
    const LibraryEntry entry = FindLibraryEntry(core, u"GetDiskFreeSpaceExW");
    EXPECT_TRUE(ReleaseLibrary(core));
    return reinterpret_cast<DiskFreeSpaceQuery>(entry);
}

std::wstring CardFolder(const char* drive) {
    const char* folders = std::getenv("VELORWIND_WINE_CARDS");
    if (folders == nullptr) return {};
    std::wstring path = L"Z:";
    for (const char* c = folders; *c != '\0'; ++c) path.push_back(*c == '/' ? L'\\' : wchar_t(*c));
    return path + L"\\" + std::wstring(drive, drive + std::strlen(drive));
}

TEST(RootEnumeration, ListsTheUsersFolderThenEveryRemovableDrive) {
    const std::vector<RootEntry> entries = RootEntries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, u"Users");
    EXPECT_EQ(entries[0].attributes, ATTR_DIRECTORY) << "an ordinary folder, no card";
    const std::u16string cards[] = {u"SDCARD (E:)", u"SDCARD (F:)", LONG_LABEL, u"H:"};
    for (std::size_t i = 0; i < std::size(cards); ++i) {
        EXPECT_EQ(entries[i + 1].name, cards[i]);
        EXPECT_EQ(entries[i + 1].attributes, ATTR_DIRECTORY | ATTR_TEMPORARY);
    }
}

TEST(RootEnumeration, OnlyDrivesThatAnswerAreMeasured) {
    const DiskFreeSpaceQuery query = FreeSpaceQuery();
    ASSERT_NE(query, nullptr);
    const struct {
        std::u16string path;
        bool measured;
    } cases[] = {
        {u"/SDCARD (E:)", true}, {u"/SDCARD (F:)", true}, {u"/" + LONG_LABEL, true},
        {u"/H:", false},         {u"/SDCARD", false},     {u"/", false},
        {u"E:\\", false},        {u"/Users", false},
    };
    for (const auto& c : cases) {
        std::uint64_t available = 7, total = 7, totalFree = 7;
        const bool measured = query(c.path.c_str(), &available, &total, &totalFree) != 0;
        EXPECT_EQ(measured, c.measured) << std::string(c.path.begin(), c.path.end());
        if (measured) {
            EXPECT_GT(total, 0u);
            EXPECT_LE(totalFree, total);
            EXPECT_LE(available, totalFree);
        } else {
            EXPECT_EQ(total, 7u) << "nothing written for a failed query";
        }
    }
}

TEST(RootEnumeration, ADriveTakenOutAfterTheListingIsNotMeasured) {
    const std::wstring folder = CardFolder("sd2");
    ASSERT_FALSE(folder.empty()) << "VELORWIND_WINE_CARDS names the cards' folders";
    const DiskFreeSpaceQuery query = FreeSpaceQuery();
    FindHandle open = nullptr;
    ASSERT_EQ(RootEntries(&open).size(), 5u);
    const std::wstring label = folder + L"\\.windows-label";
    ASSERT_TRUE(DeleteFileW(label.c_str()));
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    std::uint64_t total = 0;
    EXPECT_EQ(query(u"/SDCARD (F:)", nullptr, &total, nullptr), 0) << "taken out";
    EXPECT_NE(query(u"/SDCARD (E:)", nullptr, &total, nullptr), 0) << "the other card stays";
    EXPECT_TRUE(CloseEnumeration(open));
    EXPECT_FALSE(CloseEnumeration(open)) << "closed once only";

    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    HANDLE file = CreateFileW(label.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "SDCARD\n", 7, &written, nullptr);
    CloseHandle(file);
}

TEST(Library, TheCoreLibraryIsTheSystemsAndOtherNamesComeFromTheSystemFolder) {
    const LibraryHandle core = LoadLibrary(u"coredll.dll");
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(FindLibraryEntry(core, u"NoSuchEntry"), nullptr);
    EXPECT_EQ(FindLibraryEntry(core, u"GetDiskFreeSpaceExW\u00e9"), nullptr);
    EXPECT_NE(FindLibraryEntry(core, u"GetDiskFreeSpaceExW"),
              reinterpret_cast<LibraryEntry>(
                  GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetDiskFreeSpaceExW")))
        << "the card names need resolving before kernel32 is asked";
    EXPECT_TRUE(ReleaseLibrary(core));
    EXPECT_EQ(LoadLibrary(u"no-such-library.dll"), nullptr);
    EXPECT_EQ(LoadLibrary(u""), nullptr);
    EXPECT_FALSE(ReleaseLibrary(nullptr));
}

}  // namespace
