#include "KivLanguage.h"

#include "KivPrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

const char* const KivLanguage::kConfigFile = "Config/config.ini";
const char* const KivLanguage::kTranslationsDir = "Translations";

namespace {

// What the client hands to the programs it starts.
const char* const kChosenVariable = "KIV_LANGUAGE";
const char* const kFilesVariable = "KIV_TRANSLATIONS";

bool IsEnglish(const QString& locale) {
    return locale.startsWith(QLatin1String("en")) &&
           (locale.size() == 2 || !locale.at(2).isLetter());
}

bool IsChinese(const QString& locale) {
    return locale.startsWith(QLatin1String("zh")) &&
           (locale.size() == 2 || !locale.at(2).isLetter());
}

QString Code(KivLanguage::Language language) {
    return language == KivLanguage::Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

}  // namespace

QString KivLanguage::ProcessEnvironment(const char* name) {
    return qEnvironmentVariable(name);
}

KivLanguage::Language KivLanguage::FromEnvironment(const Environment& env) {
    // LANGUAGE names the user's languages in order; the first of ours wins.
    for (const QString& entry : env("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (IsEnglish(entry))
            return Language::English;
        if (IsChinese(entry))
            return Language::Chinese;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString locale = env(name);
        if (!locale.isEmpty())
            return IsEnglish(locale) ? Language::English : Language::Chinese;
    }
    return Language::Chinese;
}

KivLanguage::Language KivLanguage::Resolve(Choice choice, const Environment& env) {
    switch (choice) {
        case Choice::Chinese:
            return Language::Chinese;
        case Choice::English:
            return Language::English;
        case Choice::System:
            break;
    }
    return FromEnvironment(env);
}

KivLanguage::Choice KivLanguage::ReadChoice(const QString& configFile) {
    const QString value =
        KivPrivateProfile(configFile).Read(QStringLiteral("ui"), QStringLiteral("language"));
    if (value == QLatin1String("zh"))
        return Choice::Chinese;
    if (value == QLatin1String("en"))
        return Choice::English;
    return Choice::System;
}

bool KivLanguage::WriteChoice(const QString& configFile, Choice choice) {
    const char* value = choice == Choice::Chinese   ? "zh"
                        : choice == Choice::English ? "en"
                                                    : "system";
    // One line changes; the deployment's comments and values stay as they are.
    return KivPrivateProfile(configFile)
        .Write(QStringLiteral("ui"), QStringLiteral("language"), QLatin1String(value));
}

bool KivLanguage::Install(QCoreApplication* app, Language language,
                          const QString& translationsDir) {
    bool complete = true;
    if (language == Language::English) {
        auto* ours = new QTranslator(app);
        if (ours->load(QStringLiteral("kivim_en"), translationsDir)) {
            QCoreApplication::installTranslator(ours);
        } else {
            delete ours;
            qWarning("KivLanguage: no English texts in %s", qPrintable(translationsDir));
            language = Language::Chinese;
            complete = false;
        }
    }
    // Qt's own texts (the buttons of its stock dialogs) are English at source.
    if (language == Language::Chinese) {
        auto* qtTexts = new QTranslator(app);
        if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qtTexts);
        else
            delete qtTexts;
    }
    QLocale::setDefault(language == Language::English
                            ? QLocale(QLocale::English, QLocale::UnitedStates)
                            : QLocale(QLocale::Chinese, QLocale::China));
    qputenv(kChosenVariable, Code(language).toLatin1());
    qputenv(kFilesVariable, QDir(translationsDir).absolutePath().toLocal8Bit());
    return complete;
}

bool KivLanguage::InstallForClient(QCoreApplication* app) {
    const Language language =
        Resolve(ReadChoice(QLatin1String(kConfigFile)), &KivLanguage::ProcessEnvironment);
    return Install(app, language, QLatin1String(kTranslationsDir));
}

bool KivLanguage::InstallForChild(QCoreApplication* app) {
    const QString chosen = ProcessEnvironment(kChosenVariable);
    const Language language = chosen == QLatin1String("en") ? Language::English
                              : chosen == QLatin1String("zh")
                                  ? Language::Chinese
                                  : FromEnvironment(&ProcessEnvironment);
    QString files = ProcessEnvironment(kFilesVariable);
    if (files.isEmpty())
        files = QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                QLatin1String(kTranslationsDir);
    return Install(app, language, files);
}

KivLanguage::Language KivLanguage::Current() {
    return QLocale().language() == QLocale::English ? Language::English : Language::Chinese;
}
