#pragma once

#include <QString>
#include <functional>

class QCoreApplication;

// The interface's language. The texts in the code are the Chinese ones, so
// Chinese needs no translation file; English comes from
// "Translations/kivim_en.qm" of the data tree.
class KivLanguage {
public:
    enum class Language { Chinese, English };
    // The user's choice in "Config/config.ini" ([ui] language).
    enum class Choice { System, Chinese, English };

    using Environment = std::function<QString(const char*)>;

    // The desktop's language: the first of LANGUAGE's entries that is
    // Chinese or English, else the first set of LC_ALL, LC_MESSAGES and LANG;
    // English only for "en...", so C and POSIX are Chinese.
    static Language FromEnvironment(const Environment& env);
    static Language Resolve(Choice choice, const Environment& env);

    static Choice ReadChoice(const QString& configFile);
    static bool WriteChoice(const QString& configFile, Choice choice);

    // Puts `language` in place for this process before any window is made:
    // the translation files, the locale of dates and times, and the
    // environment the call window program inherits. False when English was
    // asked for and its file is missing; the interface is Chinese then.
    static bool Install(QCoreApplication* app, Language language, const QString& translationsDir);
    // For the client: the choice in its configuration, or the desktop's.
    static bool InstallForClient(QCoreApplication* app);
    // For a program the client started: the client's language, else the
    // desktop's.
    static bool InstallForChild(QCoreApplication* app);

    static Language Current();
    static QString ProcessEnvironment(const char* name);

    static const char* const kConfigFile;
    static const char* const kTranslationsDir;
};
