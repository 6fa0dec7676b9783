#pragma once

#include <string>
#include <vector>

#include "picture/PictureFiles.h"
#include "picture/RollScene.h"
#include "platform/CString.h"

namespace rollscribe {

// The file that Export Picture writes.
struct PictureTarget {
    std::string path;  // bytes, as the file system names the file
    PictureFormat format;
    bool extensionAdded;  // the name as given had none of the formats' extensions
};

// The file for the name the user gave and the file type chosen beside it: a name that ends in
// ".png", ".svg" or ".pdf" (in any letter case) is written in that format, whatever type was
// chosen (a ".pdf" name with a paged PDF type chosen in that type); any other name is given the
// chosen type's extension.
PictureTarget PictureTargetFor(const std::string& chosenPath, PictureFormat chosenType);

// Writes the picture of the whole roll to the target atomically, never over one of the protected
// files (the roll, its annotation file, its MIDI file): for those it throws CFileException. Other
// failures as WritePicture.
void ExportPicture(const RollScene& scene, const PictureTarget& target,
                   const std::vector<CString>& protectedFiles);

}  // namespace rollscribe
