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
        WalkExpression(doc, profile, *m_file);
        return;
    }
    ResultSink collect(*result, doc, profile);
    BothSinks both(*m_file, collect);
    WalkExpression(doc, profile, both);
}

void ExpressionFileWriter::Commit() {
    m_file->Commit();
}

}  // namespace rollscribe
