#include "roll/CRollscribeDoc.h"

#include <cstring>

#include "roll/OutputNames.h"

CRollscribeDoc::CRollscribeDoc() {
    m_events.SetSize(0, kEventGrowBy);
    ResetRollInfo();
}

CRollscribeDoc::~CRollscribeDoc() = default;

bool CRollscribeDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    ResetRollInfo();
    return true;
}

bool CRollscribeDoc::IsRollFileName(const CString& fileName) {
    CString extension = fileName.Right(3);
    extension.MakeLower();
    return extension == "bar" || extension == "web";
}

CString CRollscribeDoc::AnnotationFilePath() const {
    return m_strDirectory + m_strFileTitle + ".ann";
}

CString CRollscribeDoc::MidiFilePath() const {
    return rollscribe::OutputPathOf(*this, rollscribe::kMidiExtension);
}

void CRollscribeDoc::Serialize(CArchive& ar) {
    CFile* file = ar.GetFile();
    CString fileName = file->GetFileName();
    m_strFilePath = file->GetFilePath();
    // Both lengths up to the first 0 byte, as the names are C strings.
    std::size_t pathLength = std::strlen(m_strFilePath.GetString());
    std::size_t nameLength = std::strlen(fileName.GetString());
    m_strDirectory = m_strFilePath.Left(pathLength >= nameLength ? pathLength - nameLength : 0);
    m_strFileTitle = rollscribe::RollTitleOf(fileName);
    m_converted = false;

    if (!IsRollFileName(fileName)) {
        m_strInfo = kInvalidFileType;
        return;
    }
    if (ar.IsLoading()) {
        ResetRollInfo();
        ReadAnnotationFile();
        ParseBarFile(ar);
        WriteMidiFile();
        m_converted = true;
    }
    // Storing: nothing to write.
}

void CRollscribeDoc::ResetRollInfo() {
    m_annotations.RemoveAll();
    m_strInfo = kSelectFile;
    m_strCopyright = "Roll Copyright Info";
    m_strPerformer = "Performer Info";
    m_strComposer = "Composer Info";
    m_strTitle = "Roll Title Info";
    m_strRollType = "Generic";
    m_strManufacturer = "Roll MFGR - Generic";
    m_strRollNumber = "Roll Number Info";
    m_strTempo = "100";
    m_tempo = 100;
    m_stepsPerInch = 40000 / m_tempo;
    m_sampleRate = 800;
    m_events.RemoveAll();
    m_annotationLfOnly = false;
    m_annotationMissing = false;
    m_annotationUnreadable.clear();
    m_rollCutAt = 0;
}
