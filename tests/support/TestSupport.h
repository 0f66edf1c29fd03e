#pragma once
// Shared helpers of the tests: temporary directories, files, instrument builders.

#include "model/Instrument.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet::test {

/// A fresh directory under the system's temporary directory, removed with
/// everything in it when the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// The directory with a trailing separator, as ExeDir gives it.
    std::string dir() const { return path_.string() + "/"; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

/// While it lives, this thread's file accesses are checked as those of an
/// ordinary user, so permission bits hold also when the tests run as root
/// (root's file-system user is switched to "nobody"). Active() is false
/// when the switch was refused; the caller then skips.
class UnprivilegedFileAccess {
  public:
    UnprivilegedFileAccess();
    ~UnprivilegedFileAccess();
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;

    bool Active() const { return active_; }

  private:
    bool switched_ = false;
    bool active_ = true;
};

/// Writes bytes to a file, replacing it.
void WriteFile(const std::string& path, std::string_view bytes);

/// The whole contents of a file.
std::string ReadFile(const std::string& path);

/// Where the golden outputs lie (unpacked from tests/golden at build time).
std::string GoldenDir();

/// The folder of the seven demo instruments (their quotes, ".base" files and
/// "config"), written once per build by quillet-cli demo-data. Read only:
/// a test that writes copies it first (CopyDemoData).
std::string DemoDir();

/// Copies the demo ".base" files and "config" into `dir` (a trailing
/// separator or not).
void CopyDemoData(const std::string& dir);

/// The seven demo pairs in slots 1..7, in the order of their "config",
/// read once per process.
const InstrumentTable& DemoTable();

/// True in a build under AddressSanitizer.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

/// How many random cases a comparison with a plain reference draws: all of
/// them in the optimised build, an eighth under the sanitizers, where the
/// same comparison runs again on fewer cases.
constexpr int Scaled(int full)
{
    return kSanitized ? (full + 7) / 8 : full;
}

/// Compares an output with its golden file `name`: "" when they are byte for
/// byte the same, else where they first differ. When QUILLET_UPDATE_GOLDEN
/// names a directory, the output is written there instead and "" returned.
std::string CompareWithGolden(const std::string& name, const std::string& actual);

/// Sets a candle: date, time text and the four prices.
void SetCandle(Candle& c, double date, std::string_view time, double open, double high, double low,
               double close);

/// A name for a parameterised case that reads well in test logs: the text's
/// letters and digits, every other run of characters as one "_". An empty
/// result becomes "empty".
std::string ParamName(std::string_view text);

/// ParamName prefixed with the case's index, for tables whose texts may repeat.
std::string ParamName(std::size_t index, std::string_view text);

} // namespace quillet::test
