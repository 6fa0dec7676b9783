#include "cli/PictureWriter.h"

#include <new>

#include "expression/ExpressionOutput.h"
#include "expression/ProfileLocator.h"
#include "picture/PictureFiles.h"
#include "picture/RollScene.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/OutputNames.h"

namespace rollscribe {

CString PictureWriter::PathFor(const ConvertedRoll& roll) const {
    return OutputPathOf(roll.doc, PictureOutputExtension(m_format));
}

void PictureWriter::Write(const ConvertedRoll& roll, const CString& path) {
    PictureOptions options;
    options.pixelsPerInch = m_pixelsPerInch;
    RollScene scene(roll.doc);
    // Without its expression file (a wrong profile) the roll is drawn as it is.
    if (roll.expression && roll.expression->Written()) {
        scene.SetTrackerBar(roll.expression->Profile());
        scene.SetExpression(roll.expression->Result(), roll.expression->Profile());
    } else {
        try {
            scene.SetTrackerBar(*m_profiles.Get(ChooseProfileName(roll.doc.m_strRollType)));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
        }
    }
    WritePicture(scene, m_format, path, options);
}

std::string PictureWriter::Failure(const std::exception_ptr& error,
                                   const std::string& rollPath) const {
    return DescribeFailure(error, rollPath, "draw the picture").Text();
}

}  // namespace rollscribe
