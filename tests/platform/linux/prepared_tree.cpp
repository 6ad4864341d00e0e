#include "tests/platform/linux/prepared_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace velorwind_test {

namespace fs = std::filesystem;

PreparedTree::PreparedTree() {
    std::string pattern = (fs::temp_directory_path() / "velorwind-tree-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
    root_ = pattern;
    MakeFolder("sys");
    MakeFolder("proc");
    ::setenv("VELORWIND_SYSFS", Path("sys").c_str(), 1);
    ::setenv("VELORWIND_PROCFS", Path("proc").c_str(), 1);
}

PreparedTree::~PreparedTree() {
    ::unsetenv("VELORWIND_SYSFS");
    ::unsetenv("VELORWIND_PROCFS");
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string PreparedTree::Path(std::string_view relative) const {
    return root_ + "/" + std::string(relative);
}

void PreparedTree::Write(std::string_view relative, std::string_view content) const {
    const fs::path file = Path(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

void PreparedTree::MakeFolder(std::string_view relative) const {
    fs::create_directories(Path(relative));
}

void PreparedTree::Link(std::string_view relative, std::string_view target) const {
    const fs::path link = Path(relative);
    fs::create_directories(link.parent_path());
    fs::create_symlink(target, link);
}

std::string EscapeMountPoint(std::string_view path) {
    std::string escaped;
    for (const char c : path) {
        switch (c) {
        case ' ': escaped += "\\040"; break;
        case '\t': escaped += "\\011"; break;
        case '\n': escaped += "\\012"; break;
        case '\\': escaped += "\\134"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace velorwind_test
