#include "roll/RollLoader.h"

#include "platform/CArchive.h"
#include "platform/CFile.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

LoadOutcome LoadRollFile(CRollscribeDoc& doc, const CString& path) {
    CFile file;
    file.OpenOrThrow(path);
    CArchive archive(&file, CArchive::load);
    doc.Serialize(archive);
    return CRollscribeDoc::IsRollFileName(file.GetFileName()) ? LoadOutcome::converted
                                                              : LoadOutcome::rejected;
}

}  // namespace rollscribe
