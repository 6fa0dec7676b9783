#include "support/RollFixture.h"

#include "platform/CArchive.h"
#include "platform/CFile.h"

namespace testing_support {

Bytes RollBytes(std::string_view recordsHex) {
    Bytes bytes = Hex("52 4F 4C");
    Bytes records = Hex(recordsHex);
    bytes.insert(bytes.end(), records.begin(), records.end());
    return bytes;
}

void ParseBytes(CRollscribeDoc& doc, const Bytes& bytes) {
    TempDir dir;
    WriteFile(dir / "r.bar", bytes);
    CFile file;
    file.OpenOrThrow(CString((dir / "r.bar").string()));
    CArchive ar(&file, CArchive::load);
    doc.ParseBarFile(ar);
}

void ReadAnnotations(CRollscribeDoc& doc, std::string_view annText) {
    TempDir dir;
    WriteFile(dir / "roll.ann", annText);
    doc.m_strDirectory = CString(dir.Path().string() + "/");
    doc.m_strFileTitle = "roll";
    doc.ReadAnnotationFile();
}

}  // namespace testing_support
