#include "platform/CException.h"

#include <cerrno>
#include <cstring>

CException::CException(std::string path, std::string reason)
    : m_path(std::move(path)), m_reason(std::move(reason)), m_message(m_path + ": " + m_reason) {}

namespace {

CFileException::Cause CauseOf(int osError) {
    switch (osError) {
        case 0:
            return CFileException::none;
        case ENOENT:
            return CFileException::fileNotFound;
        case ENAMETOOLONG:
        case ENOTDIR:
        case ELOOP:
            return CFileException::badPath;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return CFileException::accessDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return CFileException::diskFull;
        case EIO:
            return CFileException::hardIO;
        default:
            return CFileException::genericException;
    }
}

}  // namespace

CFileException::CFileException(const std::string& path, const std::string& action, int osError)
    : CException(path, osError ? action + ": " + rollscribe::OsErrorText(osError) : action),
      m_cause(CauseOf(osError)),
      m_lOsError(osError) {}

CFileException::CFileException(const std::string& path, const std::string& reason, Cause cause)
    : CException(path, reason), m_cause(cause), m_lOsError(0) {}

CArchiveException::CArchiveException(Cause cause, const std::string& path,
                                     const std::string& reason)
    : CException(path, reason), m_cause(cause) {}

namespace rollscribe {

std::string OsErrorText(int osError) {
    char buffer[256];
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(osError, buffer, sizeof buffer);
    return text;
}

}  // namespace rollscribe
