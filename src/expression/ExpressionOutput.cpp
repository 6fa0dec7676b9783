#include "expression/ExpressionOutput.h"

#include <system_error>

#include "expression/ExpressionFileWriter.h"
#include "expression/ProfileLocator.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

ExpressionOutput::ExpressionOutput(std::string profile, bool keepResult,
                                   std::shared_ptr<ProfileShelf> profiles)
    : m_choice(std::move(profile)),
      m_keepResult(keepResult),
      m_profiles(profiles ? std::move(profiles) : std::make_shared<ProfileShelf>()) {}

ExpressionOutput::~ExpressionOutput() {
    if (m_thread.joinable()) m_thread.join();
}

void ExpressionOutput::Reset() noexcept {
    if (m_thread.joinable()) m_thread.join();
    m_doc = nullptr;
    m_profile.reset();
    m_writer.reset();
    m_inline = false;
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
        try {
            m_thread = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
            m_inline = true;
        }
    } catch (...) {
        m_error = std::current_exception();
        m_writer.reset();
    }
}

const RollProfile& ExpressionOutput::Profile() const noexcept {
    static const RollProfile none;
    return m_profile ? *m_profile : none;
}

void ExpressionOutput::Work() noexcept {
    try {
        m_writer->Write(*m_doc, *m_profile, m_keepResult ? &m_result : nullptr);
    } catch (...) {
        m_error = std::current_exception();
    }
}

void ExpressionOutput::Finish(bool midiWritten) noexcept {
    if (m_thread.joinable()) m_thread.join();
    if (m_inline && midiWritten) Work();
    if (m_writer && !m_error && midiWritten) {
        try {
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
