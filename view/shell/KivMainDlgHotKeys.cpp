#include "shell/KivMainDlgHotKeys.h"

#include <QCoreApplication>
#include <tuple>

#include "KivGlobalAtom.h"
#include "KivHotKey.h"
#include "support/KivHotKeyText.h"

KivMainDlgHotKeys::~KivMainDlgHotKeys() {
    Release(m_showId);
    Release(m_getMsgId);
}

void KivMainDlgHotKeys::Release(int& id) {
    if (id == 0)
        return;
    KivHotKey::Unregister(id);
    KivGlobalAtom::Delete(id);
    id = 0;
}

int KivMainDlgHotKeys::Register(const QMap<QString, QString>& texts) {
    int result = 0;
    m_failed.clear();
    // The descriptions are what a desktop that asks the user shows about the keys.
    const std::tuple<const char*, const char*, const char*, int*> keys[] = {
        {"ShowmDlgName", "ShowDlgHotKey", QT_TRANSLATE_NOOP("KivMainDlgHotKeys", "显示主窗口"),
         &m_showId},
        {"GetmsgName", "GetmsgKey", QT_TRANSLATE_NOOP("KivMainDlgHotKeys", "提取消息"),
         &m_getMsgId}};
    for (const auto& [textKey, atomName, description, held] : keys) {
        Release(*held);
        const KivHotKeyText parsed =
            KivHotKeyText::Parse(texts.value(QString::fromLatin1(textKey)));
        if (parsed.empty)
            continue;
        // A key that does not parse keeps an identifier but is not registered.
        *held = KivGlobalAtom::Add(QString::fromLatin1(atomName)) & 0xFFFF;
        if (!parsed.valid)
            continue;
        if (!KivHotKey::Register(*held, parsed.modifiers, parsed.virtualKey,
                                 QCoreApplication::translate("KivMainDlgHotKeys", description))) {
            result = -1;
            m_failed << QString::fromLatin1(textKey);
        }
    }
    return result;
}
