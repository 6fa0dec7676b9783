#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

class FileSink;

// The expression file written in two steps: Write, then Commit, which puts it in place. A file
// not committed is dropped: the target stays as it was. Write may run on another thread than
// the rest, the document unchanged meanwhile.
class ExpressionFileWriter {
  public:
    // Creates the file (as a temporary beside path) and begins it with the header events of the
    // roll. Throws CFileException naming path. With memory, the bytes go there instead and
    // nothing is written.
    ExpressionFileWriter(const CRollscribeDoc& doc, const CString& path,
                         std::vector<std::uint8_t>* memory = nullptr);
    ~ExpressionFileWriter();
    ExpressionFileWriter(const ExpressionFileWriter&) = delete;
    ExpressionFileWriter& operator=(const ExpressionFileWriter&) = delete;

    // Runs the emulation and writes the rest of the file; fills result too when given.
    // Throws CFileException naming the path.
    void Write(const CRollscribeDoc& doc, const RollProfile& profile, ExpressionResult* result);
    // Puts the written file in place of its target. Throws CFileException naming the path.
    void Commit();

  private:
    std::unique_ptr<FileSink> m_file;
};

}  // namespace rollscribe
