#include "ui/MidiCopy.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/CAtomicFile.h"
#include "platform/CException.h"
#include "platform/CFile.h"

namespace rollscribe {

namespace {

bool SameFile(const CString& a, const CString& b) {
    if (rollscribe::FullPath(a) == rollscribe::FullPath(b)) return true;
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.GetString(), &sa) == 0 && ::stat(b.GetString(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

void RefuseProtectedTarget(const CString& target, const std::vector<CString>& protectedFiles) {
    for (const CString& file : protectedFiles) {
        if (SameFile(target, file)) {
            throw CFileException(rollscribe::FullPath(target).ToStdString(),
                                 "this is a file of the opened roll; choose another name",
                                 CFileException::accessDenied);
        }
    }
}

void CopyConvertedFile(const CString& source, const CString& target,
                       const std::vector<CString>& protectedFiles) {
    RefuseProtectedTarget(target, protectedFiles);
    const std::vector<unsigned char> bytes = ReadWholeFile(source);
    if (bytes.empty()) {
        throw CFileException(rollscribe::FullPath(source).ToStdString(),
                             "the converted MIDI file is empty", CFileException::invalidFile);
    }
    rollscribe::CAtomicFile out;
    out.Create(target);
    out.Write(bytes.data(), bytes.size());
    out.Commit();
}

}  // namespace rollscribe
