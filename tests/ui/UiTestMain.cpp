// The one program of the window tests: runs the test class named by its
// first argument, or every class in turn when none is named.

#include "UiTestSupport.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>
#include <map>
#include <vector>

namespace quillet::test {

namespace {
std::map<std::string, WindowTestFactory>& Registry()
{
    static std::map<std::string, WindowTestFactory> registry;
    return registry;
}
} // namespace

bool RegisterWindowTest(const char* name, WindowTestFactory make)
{
    Registry().emplace(name, std::move(make));
    return true;
}

} // namespace quillet::test

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);

    std::vector<std::string> names;
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-' && names.empty() && args.size() == 1)
            names.emplace_back(argv[i]);
        else
            args.push_back(argv[i]);
    }
    auto& registry = quillet::test::Registry();
    if (names.empty())
        for (const auto& [name, make] : registry)
            names.push_back(name);

    int failed = 0;
    for (const std::string& name : names) {
        const auto it = registry.find(name);
        if (it == registry.end()) {
            std::fprintf(stderr, "no window test class %s\n", name.c_str());
            return 2;
        }
        const std::unique_ptr<QObject> test = it->second();
        failed += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return failed == 0 ? 0 : 1;
}
