// demo-data: the seven demo instruments written into a directory.

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
    cmd->add_option("DIR", *dir, "Target directory (created when missing)")->required();
    cmd->callback([dir, &ctx] { demo::WriteDemoData(*dir, ctx.out); });
}

} // namespace quillet::cli
