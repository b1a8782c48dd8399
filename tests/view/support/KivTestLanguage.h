#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "KivLanguage.h"

// The interface's language for the span of a test, as the client installs
// it: Chinese is the texts of the code with the Chinese locale, English the
// translation file of the build's data tree with the American locale. The
// locale before comes back afterwards.
class KivTestLanguage {
public:
    explicit KivTestLanguage(KivLanguage::Language language) : m_before(QLocale()) {
        const bool english = language == KivLanguage::Language::English;
        if (english &&
            m_texts.load(QStringLiteral("kivim_en"), QStringLiteral(KIV_DATA_DIR "/Translations")))
            m_installed = QCoreApplication::installTranslator(&m_texts);
        m_ready = !english || m_installed;
        QLocale::setDefault(english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                    : QLocale(QLocale::Chinese, QLocale::China));
    }
    ~KivTestLanguage() {
        if (m_installed)
            QCoreApplication::removeTranslator(&m_texts);
        QLocale::setDefault(m_before);
    }
    KivTestLanguage(const KivTestLanguage&) = delete;
    KivTestLanguage& operator=(const KivTestLanguage&) = delete;

    // False when English was asked for and its file is missing.
    bool Ready() const { return m_ready; }

private:
    QLocale m_before;
    QTranslator m_texts;
    bool m_installed = false;
    bool m_ready = false;
};
