#include <QApplication>
#include <QLocale>
#include <QTranslator>
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

// Runs every registered class. "tst_x A,B [QtTest options]" runs the classes
// named, "tst_x all-but:A,B" every class but those: one executable can stand as
// several CTest entries that run side by side.
int main(int argc, char** argv) {
    // Tests that want the X11 platform run offscreen (and skip) without a display.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The English entries run the same classes with the English texts.
    const QString english = qEnvironmentVariable("KIV_TEST_TRANSLATIONS");
    if (!english.isEmpty()) {
        auto* texts = new QTranslator(&app);
        if (!texts->load(QStringLiteral("kivim_en"), english)) {
            qCritical("no English texts in %s", qPrintable(english));
            return 1;
        }
        QCoreApplication::installTranslator(texts);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    QStringList named;
    bool excluding = false;
    if (argc > 1 && argv[1][0] != '-') {
        QString list = QString::fromLocal8Bit(argv[1]);
        const QLatin1String allBut("all-but:");
        excluding = list.startsWith(allBut);
        named = list.mid(excluding ? allBut.size() : 0).split(QLatin1Char(','), Qt::SkipEmptyParts);
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    int failures = 0;
    QStringList unknown = named;
    for (const auto& factory : KivTestRegistry::factories()) {
        std::unique_ptr<QObject> test = factory();
        const QString name = QLatin1String(test->metaObject()->className());
        const bool listed = unknown.removeAll(name) > 0;
        if (!named.isEmpty() && listed == excluding) {
            continue;
        }
        failures += QTest::qExec(test.get(), argc, argv);
    }
    // A misspelt name would otherwise pass by running nothing.
    if (!unknown.isEmpty()) {
        qCritical("no test class named %s", qPrintable(unknown.join(QLatin1Char(','))));
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
