#include "expression/ExpressionFileWriter.h"

#include "expression/ExpressionSinks.h"
#include "expression/ExpressionWalk.h"

namespace rollscribe {

ExpressionFileWriter::ExpressionFileWriter(const CRollscribeDoc& doc, const CString& path,
                                           std::vector<std::uint8_t>* memory)
    : m_file(std::make_unique<FileSink>(doc, path, memory)) {}

ExpressionFileWriter::~ExpressionFileWriter() = default;

void ExpressionFileWriter::Write(const CRollscribeDoc& doc, const RollProfile& profile,
                                 ExpressionResult* result) {
    if (!result) {
        ExpressionWalk<FileSink>(doc, profile, *m_file).Run();
        return;
    }
    ResultSink collect(*result, doc, profile);
    BothSinks both(*m_file, collect);
    ExpressionWalk<BothSinks>(doc, profile, both).Run();
}

void ExpressionFileWriter::Commit() {
    m_file->Commit();
}

}  // namespace rollscribe
