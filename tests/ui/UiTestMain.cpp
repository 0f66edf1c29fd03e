// The one program of the window tests: runs the test class named by its
// first argument (one class a process, as each leaves the application in a
// state of its own); without one it lists the classes.

#include "UiTestSupport.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>
#include <map>

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

    const auto& registry = quillet::test::Registry();
    const auto it = argc > 1 ? registry.find(argv[1]) : registry.end();
    if (it == registry.end()) {
        std::fprintf(stderr, "usage: %s CLASS [QtTest options]\nclasses:", argv[0]);
        for (const auto& entry : registry)
            std::fprintf(stderr, " %s", entry.first.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    // QtTest sees the program's name and the options after the class.
    argv[1] = argv[0];
    const std::unique_ptr<QObject> test = it->second();
    return QTest::qExec(test.get(), argc - 1, argv + 1);
}
