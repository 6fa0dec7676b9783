#pragma once

#include <string>

namespace rollscribe {

// Creates the folder at path and the folders above it that are missing, each with the mode a
// folder the user creates gets (0777 less the umask), as "mkdir -p" does; paths of any length
// (PathAt). A folder that is there, or that another thread creates meanwhile, is left as it is.
// Throws CFileException naming the first folder that could not be made ("cannot create the
// folder: Permission denied"), or the path when a part of it is a file ("Not a directory").
void CreateFolders(const std::string& path);

}  // namespace rollscribe
