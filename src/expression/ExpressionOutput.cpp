#include "expression/ExpressionOutput.h"

#include "expression/ExpressionFileWriter.h"
#include "expression/ProfileLocator.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

ExpressionOutput::ExpressionOutput(std::string profile, bool keepResult,
                                   std::shared_ptr<ProfileShelf> profiles)
    : m_choice(std::move(profile)),
      m_keepResult(keepResult),
      m_profiles(profiles ? std::move(profiles) : std::make_shared<ProfileShelf>()) {}

ExpressionOutput::~ExpressionOutput() = default;

void ExpressionOutput::Reset() noexcept {
    m_doc = nullptr;
    m_profile.reset();
    m_writer.reset();
    m_following = false;
    m_written = false;
    m_path = CString();
    m_profileName.clear();
    m_error = nullptr;
    m_result = ExpressionResult{};
}

void ExpressionOutput::Start(const CRollscribeDoc& doc) noexcept {
    Reset();
    m_doc = &doc;
    try {
        m_path = ExpressionFilePath(doc);
        m_profile =
            m_profiles->Get(m_choice.empty() ? ChooseProfileName(doc.m_strRollType) : m_choice);
        m_profileName = m_profile->name;
        m_writer = std::make_unique<ExpressionFileWriter>(doc, m_path, m_memory);
        m_writer->Begin(doc, *m_profile, m_keepResult ? &m_result : nullptr);
        m_following = true;
    } catch (...) {
        m_error = std::current_exception();
        m_writer.reset();
    }
}

const RollProfile& ExpressionOutput::Profile() const noexcept {
    static const RollProfile none;
    return m_profile ? *m_profile : none;
}

void ExpressionOutput::Follow(std::size_t written) noexcept {
    if (!m_following || m_error) return;
    try {
        m_following = m_writer->Follow(written);
    } catch (...) {
        m_error = std::current_exception();
    }
}

void ExpressionOutput::Finish(bool midiWritten) noexcept {
    if (m_writer && !m_error && midiWritten) {
        try {
            if (!m_following || !m_writer->End()) {
                // Out of order: walked whole, into a fresh file.
                m_writer.reset();
                m_writer = std::make_unique<ExpressionFileWriter>(*m_doc, m_path, m_memory);
                m_writer->Write(*m_doc, *m_profile, m_keepResult ? &m_result : nullptr);
            }
            m_writer->Commit();
            m_written = true;
        } catch (...) {
            m_error = std::current_exception();
        }
    }
    if (!midiWritten) m_error = nullptr;  // no expression file without its MIDI file
    if (!m_written) m_result = ExpressionResult{};
    m_writer.reset();
}

}  // namespace rollscribe
