#include "roll/FailureDescription.h"

#include <new>

#include "platform/CException.h"
#include "platform/CFile.h"

namespace rollscribe {

FailureDescription DescribeFailure(const std::exception_ptr& error, std::string_view path,
                                   std::string_view work) {
    if (!error) return {{}, "an unknown error occurred"};
    try {
        std::rethrow_exception(error);
    } catch (const CException& e) {
        bool same =
            e.Path().empty() || e.Path() == FullPath(CString(path)).View() || e.Path() == path;
        return {same ? std::string() : e.Path(), e.Reason()};
    } catch (const std::bad_alloc&) {
        return {{}, "not enough memory to " + std::string(work)};
    } catch (const std::exception& e) {
        return {{}, e.what()};
    } catch (...) {
        return {{}, "an unknown error occurred"};
    }
}

}  // namespace rollscribe
