#include <QApplication>
#include <QByteArray>
#include <QTest>
#include <functional>
#include <map>
#include <memory>

// Each test file registers its class here through a function that runs it.
int runHandshakeTest(int argc, char** argv);
int runMainFormTest(int argc, char** argv);
int runResultReportTest(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const std::map<QByteArray, std::function<int(int, char**)>> classes {
        {"HandshakeTest", runHandshakeTest},
        {"MainFormTest", runMainFormTest},
        {"ResultReportTest", runResultReportTest},
    };
    // "quelvane_app_tests <Class> [QtTest options]" runs one class; no class runs them all.
    if (argc > 1) {
        if (const auto found = classes.find(argv[1]); found != classes.end()) {
            argv[1] = argv[0];
            return found->second(argc - 1, argv + 1);
        }
    }
    int failures = 0;
    for (const auto& [name, run] : classes) {
        failures += run(argc, argv);
    }
    return failures;
}
