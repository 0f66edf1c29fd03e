// Any "config" bytes: the names read are written back and read again unchanged.

#include "store/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/quillet-fuzz-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    const std::string in = dir + "/config";
    const std::string out = dir + "/config2";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    const auto names = ReadInstrumentList(in);
    WriteInstrumentList(out, names);
    if (ReadInstrumentList(out) != names)
        std::abort();
    return 0;
}
