#include "platform/qt/base/font_pages.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <sys/mman.h>

namespace platform::qt {

namespace {

bool IsFontFile(std::string_view path) {
    for (const std::string_view ending : {".ttf", ".otf", ".ttc", ".otc", ".TTF", ".OTF", ".TTC"}) {
        if (path.size() > ending.size() && path.substr(path.size() - ending.size()) == ending) {
            return true;
        }
    }
    return false;
}

}  // namespace

void LetGoOfFontPages() {
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr) return;
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        // start-end perms offset device inode path
        unsigned long long start = 0;
        unsigned long long end = 0;
        char permissions[8] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%llx-%llx %7s %*s %*s %*s %n", &start, &end, permissions, &pathAt) <
                3 ||
            pathAt == 0) {
            continue;
        }
        std::string_view path(line + pathAt);
        while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) path.remove_suffix(1);
        // Only a file mapped to be read and never written: its pages are
        // the file's, and come back from it unchanged.
        if (std::strcmp(permissions, "r--p") != 0 && std::strcmp(permissions, "r--s") != 0)
            continue;
        if (!IsFontFile(path) || end <= start) continue;
        madvise(reinterpret_cast<void*>(static_cast<std::uintptr_t>(start)),
                static_cast<std::size_t>(end - start), MADV_DONTNEED);
    }
    std::fclose(maps);
}

void LetGoOfFontPagesSoon() {
    if (QCoreApplication::instance() == nullptr) return;
    static bool pending = false;
    if (pending) return;
    pending = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            pending = false;
            LetGoOfFontPages();
        },
        Qt::QueuedConnection);
}

}  // namespace platform::qt
