// The expression of a roll: the emulation's results for the picture and the desktop program,
// and the expression file.
#include "expression/Expression.h"

#include "expression/ExpressionFileWriter.h"
#include "expression/ExpressionSinks.h"
#include "expression/ExpressionWalk.h"
#include "roll/OutputNames.h"

namespace rollscribe {

ExpressionResult EmulateExpression(const CRollscribeDoc& doc, const RollProfile& profile) {
    ExpressionResult result;
    ResultSink sink(result, doc, profile);
    WalkExpression(doc, profile, sink);
    return result;
}

void WriteExpressionFile(const CRollscribeDoc& doc, const RollProfile& profile, const CString& path,
                         ExpressionResult* result) {
    ExpressionFileWriter writer(doc, path);
    writer.Write(doc, profile, result);
    writer.Commit();
}

CString ExpressionFilePath(const CRollscribeDoc& doc) {
    return OutputPathOf(doc, kExpressionExtension);
}

}  // namespace rollscribe
