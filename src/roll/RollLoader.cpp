#include "roll/RollLoader.h"

#include "platform/CArchive.h"
#include "platform/CFile.h"
#include "platform/ProcessGuards.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

LoadOutcome LoadRollFile(CRollscribeDoc& doc, const CString& path, bool* opened) {
    // A terminating signal during the load ends the program at once, its temporary file removed,
    // instead of waiting for the toolkit to deliver it after the load.
    WorkInProgress work;
    CFile file;
    file.OpenOrThrow(path);
    if (opened) *opened = true;
    CArchive archive(&file, CArchive::load);
    doc.Serialize(archive);
    return CRollscribeDoc::IsRollFileName(file.GetFileName()) ? LoadOutcome::converted
                                                              : LoadOutcome::rejected;
}

}  // namespace rollscribe
