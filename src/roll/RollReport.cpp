#include "roll/RollReport.h"

#include <charconv>

#include "roll/CRollscribeDoc.h"

namespace rollscribe {

CString DecimalText(std::int32_t value) {
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return CString(digits, static_cast<std::size_t>(result.ptr - digits));
}

CString BuildRollReport(const CRollscribeDoc& doc) {
    CString report;
    report += "\n File Info : ";
    report += doc.m_strInfo;
    report += "\n ";
    report += "\n This File : ";
    report += doc.m_strFilePath;
    report += "\n Roll MFR : ";
    report += doc.m_strManufacturer;
    report += "\n Roll Number : ";
    report += doc.m_strRollNumber;
    report += "\n Title : ";
    report += doc.m_strTitle;
    report += "\n Composer : ";
    report += doc.m_strComposer;
    report += "\n Performer : ";
    report += doc.m_strPerformer;
    report += "\n Tempo : ";
    report += doc.m_strTempo;
    report += "\n BAR file Steps per Inch : ";
    report += DecimalText(doc.m_stepsPerInch);
    return report;
}

}  // namespace rollscribe
