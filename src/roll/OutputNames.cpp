#include "roll/OutputNames.h"

#include "platform/CFile.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

CString RollTitleOf(const CString& fileName) {
    std::ptrdiff_t dot = fileName.Find('.');
    return dot == CString::npos ? fileName : fileName.Left(static_cast<std::size_t>(dot));
}

CString OutputFileName(const CString& title, std::string_view extension) {
    CString name = title;
    name += "_BAR_e";
    name += extension;
    return name;
}

CString OutputPath(const CString& directory, const CString& title, std::string_view extension) {
    return directory + OutputFileName(title, extension);
}

CString OutputPathOfRoll(const CString& rollPath, std::string_view extension,
                         const CString& outputFolder) {
    CString full = FullPath(rollPath);
    std::string_view view = full.View();
    std::size_t slash = view.rfind('/');
    std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    return OutputPath(outputFolder.IsEmpty() ? full.Left(nameStart) : outputFolder,
                      RollTitleOf(full.Mid(nameStart)), extension);
}

CString OutputFolderPath(const std::string& folder) {
    if (folder.empty()) return {};
    CString full = FullPath(CString(folder));
    if (!full.View().ends_with('/')) full += "/";
    return full;
}

CString OutputPathOf(const CRollscribeDoc& doc, std::string_view extension) {
    return OutputPath(
        doc.m_strOutputDirectory.IsEmpty() ? doc.m_strDirectory : doc.m_strOutputDirectory,
        doc.m_strFileTitle, extension);
}

}  // namespace rollscribe
