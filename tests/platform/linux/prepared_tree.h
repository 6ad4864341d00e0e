// A throw-away sysfs and procfs tree in a temporary folder. While it lives,
// VELORWIND_SYSFS and VELORWIND_PROCFS point the status sources at it.
#pragma once

#include <string>
#include <string_view>

namespace velorwind_test {

class PreparedTree {
public:
    PreparedTree();
    ~PreparedTree();
    PreparedTree(const PreparedTree&) = delete;
    PreparedTree& operator=(const PreparedTree&) = delete;

    // The absolute path of `relative` inside the tree.
    std::string Path(std::string_view relative) const;
    // Writes `content` as is (no line end added), creating the folders.
    void Write(std::string_view relative, std::string_view content) const;
    void MakeFolder(std::string_view relative) const;
    // A symbolic link at `relative` holding `target` as given.
    void Link(std::string_view relative, std::string_view target) const;

private:
    std::string root_;
};

// A mount point as mountinfo writes it: blank, tab, line end and backslash
// as octal escapes.
std::string EscapeMountPoint(std::string_view path);

}  // namespace velorwind_test
