#include "cli/Commands.h"

#include "store/Errors.h"
#include "store/Startup.h"

#include <ostream>

namespace quillet::cli {

std::string WithTrailingSlash(std::string dir)
{
    if (dir.empty())
        return "./";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string FolderOrDefault(const CLI::Option* option, const std::string& given)
{
    if (option->count() > 0)
        return WithTrailingSlash(given);
    return DataDir("./");
}

CLI::Validator NonEmptyFileName()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text.empty() ? "FILE must not be empty" : std::string();
        },
        "");
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    Context ctx{out, err};
    CLI::App app{"Quillet_tester companion: build instrument bases, make demo data, run backtests"};
    app.require_subcommand(1);
    AddMakeBaseCommand(app, ctx);
    AddInfoCommand(app, ctx);
    AddDemoDataCommand(app, ctx);
    AddBacktestCommand(app, ctx);
    AddPortfolioCommand(app, ctx);
    AddSweepCommand(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = e.get_exit_code();
        if (code == 0) {
            out << app.help();
            return 0;
        }
        err << e.what() << '\n';
        return kUsageError;
    } catch (const Error& e) {
        err << NamedErrorText(e) << '\n';
        return kFailure;
    }
    return ctx.exitCode;
}

} // namespace quillet::cli
