#include "expression/ExpressionFileWriter.h"

#include "expression/ExpressionSinks.h"
#include "expression/ExpressionWalk.h"

namespace rollscribe {

ExpressionFileWriter::ExpressionFileWriter(const CRollscribeDoc& doc, const CString& path,
                                           std::vector<std::uint8_t>* memory)
    : m_doc(doc), m_file(std::make_unique<FileSink>(doc, path, memory)) {}

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

void ExpressionFileWriter::Begin(const CRollscribeDoc& doc, const RollProfile& profile,
                                 ExpressionResult* result) {
    if (!result) {
        m_follower = FollowExpression(doc, profile, *m_file);
        return;
    }
    m_collect = std::make_unique<ResultSink>(*result, doc, profile);
    m_both = std::make_unique<BothSinks>(*m_file, *m_collect);
    m_follower = FollowExpression(doc, profile, *m_both);
}

bool ExpressionFileWriter::Follow(std::size_t end) {
    return m_follower->Follow(end);
}

bool ExpressionFileWriter::End() {
    if (!m_follower->Follow(static_cast<std::size_t>(m_doc.m_events.GetSize()))) return false;
    m_follower->Finish();
    return true;
}

void ExpressionFileWriter::Commit() {
    m_file->Commit();
}

}  // namespace rollscribe
