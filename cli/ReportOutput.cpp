#include "cli/ReportOutput.h"

#include "cli/SweepOptions.h"
#include "model/Errors.h"
#include "store/Files.h"

#include <ostream>

namespace quillet::cli {

bool StoppedBySignal(Context& ctx, const std::string& what)
{
    if (!Interrupted())
        return false;
    ctx.err << "Прервано" << (what.empty() ? "" : ": " + what) << '\n';
    ctx.exitCode = InterruptedStatus();
    return true;
}

bool WriteFileOrSay(const std::string& path, const std::string& text, Context& ctx)
{
    if (path == "-") {
        ctx.out << text;
        return true;
    }
    const std::string notWritten = "файл '" + path + "' не записан";
    if (StoppedBySignal(ctx, notWritten))
        return false;
    try {
        AtomicFileWriter file(path);
        file.Write(text);
        // Until the rename the old file is whole; a stop now leaves it so.
        if (StoppedBySignal(ctx, notWritten))
            return false;
        file.Commit();
    } catch (const Error& e) {
        ctx.err << NamedErrorText(e) << '\n';
        ctx.exitCode = kFailure;
        return false;
    }
    return true;
}

} // namespace quillet::cli
