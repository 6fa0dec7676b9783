#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace testing_support {

// Everything in a folder tree, by path relative to the folder: for a file its permissions, size,
// modification time and a hash of its bytes; for a folder its permissions; for a symbolic link
// where it points. Two snapshots are equal when nothing in the tree was changed, added or lost.
using FolderSnapshot = std::map<std::string, std::string>;

FolderSnapshot SnapshotOf(const std::filesystem::path& dir);

// A 64-bit FNV-1a hash of a file's bytes.
std::uint64_t HashOfFile(const std::filesystem::path& path);

}  // namespace testing_support
