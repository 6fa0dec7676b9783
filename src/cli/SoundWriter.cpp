#include "cli/SoundWriter.h"

#include <optional>

#include "audio/AudioError.h"
#include "cli/RendererPool.h"
#include "expression/ExpressionOutput.h"
#include "platform/CException.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/OutputNames.h"

namespace rollscribe {

namespace {

// The expression was asked for, and its file was not written.
struct NoExpressionFile {};

// The sound font was checked before the run, but has gone or changed since: said about every
// roll, as each lacks its sound file. text: "sound font PATH: reason".
struct SoundFontGone {
    std::string text;
};

}  // namespace

CString SoundWriter::PathFor(const ConvertedRoll& roll) const {
    return OutputPathOf(roll.doc, SoundOutputExtension(m_format));
}

void SoundWriter::Write(const ConvertedRoll& roll, const CString& path) {
    if (roll.expression && !roll.expression->Written()) throw NoExpressionFile{};
    std::optional<RendererPool::Lease> renderer;
    try {
        renderer.emplace(m_renderers.Take());
    } catch (const CException& e) {
        throw SoundFontGone{"sound font " + e.Path() + ": " + e.Reason()};
    }
    renderer->Render(roll.expression ? roll.expression->Path() : roll.doc.MidiFilePath(), path,
                     m_format);
}

std::string SoundWriter::Failure(const std::exception_ptr& error,
                                 const std::string& rollPath) const {
    const std::string word = SoundFileWord(m_format);
    try {
        std::rethrow_exception(error);
    } catch (const NoExpressionFile&) {
        return "no " + word + ": its expression file was not written";
    } catch (const SoundFontGone& e) {
        return e.text;
    } catch (const AudioError& e) {
        return "cannot render the " + word + ": " + e.what();
    } catch (...) {
        return DescribeFailure(error, rollPath, "render the " + word).Text();
    }
}

}  // namespace rollscribe
