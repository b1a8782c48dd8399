#include <QApplication>
#include <QtTest>

#include "KivTestRegistry.h"

std::vector<KivTestRegistry::Factory>& KivTestRegistry::factories() {
    static std::vector<Factory> all;
    return all;
}

int KivTestRegistry::add(Factory factory) {
    factories().push_back(std::move(factory));
    return static_cast<int>(factories().size());
}

// Runs every registered class; "tst_x ClassName [QtTest options]" runs one.
int main(int argc, char** argv) {
    // Tests that want the X11 platform run offscreen (and skip) without a display.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QString only;
    if (argc > 1 && argv[1][0] != '-') {
        only = QString::fromLocal8Bit(argv[1]);
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    int failures = 0;
    for (const auto& factory : KivTestRegistry::factories()) {
        std::unique_ptr<QObject> test = factory();
        if (!only.isEmpty() && only != QLatin1String(test->metaObject()->className())) {
            continue;
        }
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
