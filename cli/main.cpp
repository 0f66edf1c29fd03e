#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv)
{
    return quillet::cli::RunCli(argc, argv, std::cout, std::cerr);
}
