#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

class FileSink;
class ResultSink;
class BothSinks;
class ExpressionFollower;

// The expression file written in two steps: Write (or Begin, Follow and End, following the MIDI
// file's pass), then Commit, which puts it in place. A file not committed is dropped: the target
// stays as it was.
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
    // The same, a block of the roll's events at a time (ExpressionFollower): Begin, then Follow
    // up to each event reached, then End. The document and the profile stay unchanged until
    // End. Follow and End return false for a roll out of order: then use a fresh writer's Write.
    void Begin(const CRollscribeDoc& doc, const RollProfile& profile, ExpressionResult* result);
    bool Follow(std::size_t end);
    bool End();
    // Puts the written file in place of its target. Throws CFileException naming the path.
    void Commit();

  private:
    const CRollscribeDoc& m_doc;
    std::unique_ptr<FileSink> m_file;
    std::unique_ptr<ResultSink> m_collect;
    std::unique_ptr<BothSinks> m_both;
    std::unique_ptr<ExpressionFollower> m_follower;
};

}  // namespace rollscribe
