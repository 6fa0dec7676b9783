#pragma once

#include <exception>
#include <string>

// An error from file or archive work. It names the file concerned and says what went wrong in
// words a user understands; what() gives both as "path: reason".
class CException : public std::exception {
  public:
    CException(std::string path, std::string reason);
    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& Path() const noexcept { return m_path; }
    const std::string& Reason() const noexcept { return m_reason; }

  private:
    std::string m_path;
    std::string m_reason;
    std::string m_message;
};

// A failed operation on a file: opening, reading, creating, writing, closing, renaming.
class CFileException : public CException {
  public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        accessDenied,
        invalidFile,
        diskFull,
        hardIO
    };

    // action says what was attempted ("cannot open"), osError is the errno value (0 for none).
    CFileException(const std::string& path, const std::string& action, int osError);
    CFileException(const std::string& path, const std::string& reason, Cause cause);

    Cause m_cause;
    int m_lOsError;
};

// A failure of the archive over a file; the only one is running out of bytes where some must come.
class CArchiveException : public CException {
  public:
    enum Cause { none, endOfFile };
    CArchiveException(Cause cause, const std::string& path, const std::string& reason);
    Cause m_cause;
};

namespace rollscribe {

// The operating system's description of an errno value.
std::string OsErrorText(int osError);

}  // namespace rollscribe
