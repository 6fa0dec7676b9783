#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "expression/Expression.h"
#include "expression/ProfileShelf.h"
#include "expression/RollProfile.h"
#include "platform/CString.h"
#include "roll/SideOutput.h"

namespace rollscribe {

class ExpressionFileWriter;

// The expression file of each roll loaded into a document, written as the roll's MIDI file is,
// following its pass a block of events at a time, and put in place only when the MIDI file was:
//
//     ExpressionOutput expression(profile);   // a name, a file, or "" for the roll type's
//     doc.m_pSideOutput = &expression;
//     LoadRollFile(doc, path);                 // writes both files
//     if (expression.Error()) ...              // the roll's MIDI file is written all the same
//
// A profile that cannot be read, or a file that cannot be written, is an error of this roll's
// expression file only: nothing is written for it, the MIDI file is. One roll at a time; one
// object serves roll after roll (a worker's), taking each profile from a shelf that the run's
// workers share, so that a run reads each profile once.
class ExpressionOutput final : public SideOutput {
  public:
    // profile: as LoadProfile takes it, or empty for ChooseProfileName of each roll's type.
    // keepResult: keep the emulation's results too (Result), for the picture and the desktop
    // program. profiles: the run's shelf of profiles; when null, this object keeps its own.
    explicit ExpressionOutput(std::string profile = {}, bool keepResult = false,
                              std::shared_ptr<ProfileShelf> profiles = nullptr);
    ~ExpressionOutput() override;
    ExpressionOutput(const ExpressionOutput&) = delete;
    ExpressionOutput& operator=(const ExpressionOutput&) = delete;

    // The expression files' bytes go to bytes instead of the files (null: to the files again);
    // the caller keeps bytes alive while rolls load. Set before a roll is loaded.
    void KeepInMemory(std::vector<std::uint8_t>* bytes) noexcept { m_memory = bytes; }

    void Start(const CRollscribeDoc& doc) noexcept override;
    void Follow(std::size_t written) noexcept override;
    void Finish(bool midiWritten) noexcept override;
    // Forgets the last roll, as before any: for a document that loads roll after roll, before
    // each load (a roll that fails before its MIDI file is written never starts this).
    void Reset() noexcept;

    // Of the last roll whose MIDI file was to be written:
    // whether its expression file was written;
    bool Written() const noexcept { return m_written; }
    // the expression file's path;
    const CString& Path() const noexcept { return m_path; }
    // the name of the profile used (empty when none could be read);
    const std::string& ProfileName() const noexcept { return m_profileName; }
    // why the file was not written (ProfileError, CFileException, std::bad_alloc, ...), or null
    // (also when the MIDI file was not written: then neither is);
    std::exception_ptr Error() const noexcept { return m_error; }
    // the emulation's results, when kept and written;
    const ExpressionResult& Result() const noexcept { return m_result; }
    // the profile used, when ProfileName is not empty (with Result, what a picture shows:
    // RollScene::SetExpression).
    const RollProfile& Profile() const noexcept;

  private:
    const std::string m_choice;
    const bool m_keepResult;
    const CRollscribeDoc* m_doc = nullptr;
    const std::shared_ptr<ProfileShelf> m_profiles;
    std::shared_ptr<const RollProfile> m_profile;  // the last roll's, while still wanted
    std::vector<std::uint8_t>* m_memory = nullptr;
    std::unique_ptr<ExpressionFileWriter> m_writer;
    bool m_following = false;  // false: the roll is out of order, and walked whole at Finish
    bool m_written = false;
    CString m_path;
    std::string m_profileName;
    std::exception_ptr m_error;
    ExpressionResult m_result;
};

}  // namespace rollscribe
