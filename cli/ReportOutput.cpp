#include "cli/ReportOutput.h"

#include "model/Errors.h"
#include "store/Files.h"

#include <ostream>

namespace quillet::cli {

bool WriteFileOrSay(const std::string& path, const std::string& text, Context& ctx)
{
    try {
        WriteFileAtomically(path, text.data(), text.size());
    } catch (const Error& e) {
        ctx.err << NamedErrorText(e) << '\n';
        ctx.exitCode = kFailure;
        return false;
    }
    return true;
}

} // namespace quillet::cli
