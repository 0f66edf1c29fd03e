// demo-data: the seven demo instruments written into a directory, by default
// the program's own folder.

#include "cli/Commands.h"

#include "demo/DemoData.h"

#include <memory>
#include <string>

namespace quillet::cli {

void AddDemoDataCommand(CLI::App& app, Context& ctx)
{
    auto dir = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "demo-data", "Write the seven demo instruments into DIR: quote files, .base files and config");
    CLI::Option* given = cmd->add_option(
        "DIR", *dir, std::string("Target directory, created when missing (") + kDefaultFolderHelp + ")");
    cmd->callback([dir, given, &ctx] { demo::WriteDemoData(FolderOrDefault(given, *dir), ctx.out); });
}

} // namespace quillet::cli
