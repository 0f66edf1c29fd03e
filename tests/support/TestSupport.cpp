#include "support/TestSupport.h"

#include "store/Files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/fsuid.h>
#include <unistd.h>

namespace quillet::test {

TempDir::TempDir()
{
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("quillet-test-" + std::to_string(rd()) + std::to_string(rd()));
        if (std::filesystem::create_directory(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    // A test may leave a read-only directory behind; open it up first.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
    std::filesystem::remove_all(path_, ec);
}

namespace {
constexpr uid_t kNobody = 65534;
}

UnprivilegedFileAccess::UnprivilegedFileAccess()
{
    if (::geteuid() != 0)
        return; // an ordinary user already
    // setfsuid answers with the previous value, so asking twice confirms it.
    ::setfsgid(kNobody);
    ::setfsuid(kNobody);
    switched_ = true;
    active_ = ::setfsuid(kNobody) == static_cast<int>(kNobody);
}

UnprivilegedFileAccess::~UnprivilegedFileAccess()
{
    if (!switched_)
        return;
    ::setfsuid(0);
    ::setfsgid(0);
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string DemoDir()
{
#ifdef QUILLET_DEMO_DIR
    return QUILLET_DEMO_DIR "/";
#else
    return "demo/";
#endif
}

void CopyDemoData(const std::string& dir)
{
    namespace fs = std::filesystem;
    const fs::path from = DemoDir();
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(from))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), fs::path(dir) / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
}

const InstrumentTable& DemoTable()
{
    static const InstrumentTable* table = [] {
        auto* t = new InstrumentTable;
        const std::filesystem::path dir = DemoDir();
        const std::vector<std::string> names = ReadInstrumentList((dir / "config").string());
        for (std::size_t k = 0; k < names.size(); ++k)
            ReadBaseFile((dir / (names[k] + ".base")).string(), static_cast<int>(k) + 1, *t);
        return t;
    }();
    return *table;
}

std::string GoldenDir()
{
#ifdef QUILLET_GOLDEN_DIR
    return QUILLET_GOLDEN_DIR;
#else
    return "golden";
#endif
}

namespace {

// Line `n` (from 1) of a text, without its line end.
std::string_view LineAt(std::string_view text, std::size_t n)
{
    for (std::size_t i = 1; i < n; ++i) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return {};
        text.remove_prefix(end + 1);
    }
    return text.substr(0, text.find('\n'));
}

} // namespace

std::string CompareWithGolden(const std::string& name, const std::string& actual)
{
    if (const char* update = std::getenv("QUILLET_UPDATE_GOLDEN"); update && *update) {
        WriteFile((std::filesystem::path(update) / name).string(), actual);
        return {};
    }
    const std::string path = (std::filesystem::path(GoldenDir()) / name).string();
    if (!std::filesystem::exists(path))
        return "no golden file " + path;
    const std::string expected = ReadFile(path);
    if (expected == actual)
        return {};
    const auto e = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first;
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(expected.begin(), e, '\n'));
    return name + " differs from line " + std::to_string(line) + " on (" + std::to_string(expected.size()) +
           " bytes expected, " + std::to_string(actual.size()) +
           " written)\n  expected: " + std::string(LineAt(expected, line)) +
           "\n  written:  " + std::string(LineAt(actual, line));
}

void SetCandle(Candle& c, double date, std::string_view time, double open, double high, double low,
               double close)
{
    c.Date = date;
    SetShortString(c.Time, time);
    c.Open = open;
    c.High = high;
    c.Low = low;
    c.Close = close;
}

std::string ParamName(std::string_view text)
{
    std::string name;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            name += ch;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name.empty() ? "empty" : name;
}

std::string ParamName(std::size_t index, std::string_view text)
{
    return std::to_string(index) + "_" + ParamName(text);
}

} // namespace quillet::test
