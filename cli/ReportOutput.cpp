#include "cli/ReportOutput.h"

#include "store/Errors.h"
#include "store/Files.h"

#include <ostream>

namespace quillet::cli {

bool WriteReportFile(const std::string& path, const std::string& html, Context& ctx)
{
    try {
        WriteFileAtomically(path, html.data(), html.size());
    } catch (const Error& e) {
        ctx.err << NamedErrorText(e) << '\n';
        ctx.exitCode = kFailure;
        return false;
    }
    return true;
}

} // namespace quillet::cli
