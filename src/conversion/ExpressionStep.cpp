#include "conversion/ExpressionStep.h"

#include "expression/ExpressionOutput.h"
#include "expression/ProfileReader.h"
#include "roll/FailureDescription.h"

namespace rollscribe {

namespace {

// The expression file was not written, and nothing was thrown: the roll's load ended before it.
struct NoExpressionFile {};

}  // namespace

CString ExpressionStep::PathFor(const ConvertedRoll& roll) const {
    return roll.expression ? roll.expression->Path() : CString();
}

void ExpressionStep::Write(const ConvertedRoll& roll, const CString& path) {
    (void)path;
    if (!roll.expression || roll.expression->Written()) return;
    if (roll.expression->Error()) std::rethrow_exception(roll.expression->Error());
    throw NoExpressionFile{};
}

std::string ExpressionStep::Failure(const std::exception_ptr& error,
                                    const std::string& rollPath) const {
    try {
        std::rethrow_exception(error);
    } catch (const NoExpressionFile&) {
        return "no expression file written";
    } catch (const ProfileError& e) {
        return "profile " + e.Path() + ": " + e.Reason() + "; no expression file written";
    } catch (...) {
        return DescribeFailure(error, rollPath, "write the expression file").Text() +
               "; no expression file written";
    }
}

}  // namespace rollscribe
