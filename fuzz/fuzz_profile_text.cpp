// Feeds arbitrary profile records (the UserProfile layout the server sends
// in search answers and the client stores) through the widgets that show
// their texts: the friend list row, the friend request card, the search row
// and its request dialog, the call cue and the signature tool tips. Every
// text is read from its field as the model reads it and must be shown as
// those characters, never as markup: no label guesses rich text, and a tool
// tip's markup gives back exactly the text.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <QVariant>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KivMediaRecord.h"
#include "KivProtocol.h"
#include "contacts/CFriendInfoWnd.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/KivAddFriendItem.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/MyCustomListViewItem.h"
#include "support/KivPlainText.h"

namespace {

void Fail(const char* what, const QString& expected, const QString& shown) {
    std::fprintf(stderr, "%s:\n  text:  %s\n  shown: %s\n", what, expected.toUtf8().constData(),
                 shown.toUtf8().constData());
    std::abort();
}

// As the model reads a fixed field (CKivFriendDBModel's textAt).
template <std::size_t N>
QString FieldText(const char (&field)[N]) {
    const QString text = QString::fromUtf8(KivReadText(field));
    return text.isNull() ? QStringLiteral("") : text;
}

// What a label shows: its text, or the text of the markup it took it for.
QString Displayed(const QLabel* label) {
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!rich)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

// A rich text document hands some characters back as others: line and
// paragraph separators as line feeds, the no-break space as a space. Line
// breaks of any kind are one line feed, as plain text shows them.
QString AsDocumentGivesBack(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::Nbsp), QLatin1Char(' '));
    return text;
}

void CheckLabel(const char* where, const QLabel* label, const QString& text) {
    if (label == nullptr)
        Fail(where, text, QStringLiteral("(no label)"));
    if (label->textFormat() != Qt::PlainText)
        Fail(where, text, QStringLiteral("(a label that guesses markup)"));
    if (Displayed(label) != text)
        Fail(where, text, Displayed(label));
}

void CheckToolTip(const char* where, const QString& tip, const QString& text) {
    if (text.isEmpty()) {
        if (!tip.isEmpty())
            Fail(where, text, tip);
        return;
    }
    // Tool tips guess markup; ours always is, with the text escaped inside.
    if (!Qt::mightBeRichText(tip))
        Fail(where, text, tip);
    QTextDocument document;
    document.setHtml(tip);
    const QString shown = document.toPlainText();
    if (shown != AsDocumentGivesBack(text))
        Fail(where, text, shown);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat() || format.isAnchor())
                Fail(where, text, QStringLiteral("(a picture or link)"));
        }
    }
}

struct Widgets {
    MyCustomListViewItem row;
    CFriendInfoWnd card{nullptr, nullptr};
    KivAddFriendItem searchRow;
    CKivIMaddfriendDlg request;
    ImMeaidCueDlg cue{[] {
                          ptl_sys_send_per_media media;
                          KivInitRecord(media, Media);
                          return media;
                      }(),
                      nullptr};
};

Widgets& Shown() {
    // Kept for the whole run and never destroyed: the platform plug-in may be
    // gone by the time static objects are.
    static Widgets* widgets = new Widgets;
    return *widgets;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(*argc, *argv);
    static QTemporaryDir* tree = new QTemporaryDir;
    Q_UNUSED(app);
    QDir::setCurrent(tree->path());
    Shown();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UserProfile profile{};
    std::memcpy(&profile, data, std::min(size, sizeof(profile)));
    const QString account = FieldText(profile.account);
    const QString nick = FieldText(profile.nickName);
    const QString sign = FieldText(profile.sign);
    const QString area = FieldText(profile.area);
    Widgets& widgets = Shown();

    widgets.row.SetName(nick);
    CheckLabel("list row name", widgets.row.findChild<QLabel*>(QStringLiteral("labelHead")), nick);

    widgets.card.SetRequest(20001, QString(), nick, sign, QStringLiteral("2026-01-01 10:00:00"));
    const auto* name = widgets.card.findChild<QLabel*>(QStringLiteral("labelName"));
    if (name == nullptr || name->textFormat() != Qt::PlainText)
        Fail("request card name", nick, QStringLiteral("(a label that guesses markup)"));
    CheckToolTip("request card name tip", name->toolTip(), nick);
    const auto* text = widgets.card.findChild<QLabel*>(QStringLiteral("labelText"));
    // A request without a text says the usual words.
    CheckLabel("request card text", text,
               sign.isEmpty() ? QStringLiteral("请求添加你为好友") : sign);
    CheckToolTip("request card text tip", text->toolTip(), sign);

    widgets.searchRow.AcceptFriendInfo(
        {10001, 10005, 1, 1, account, QString(), nick, sign, area, QString(), QString()});
    const QString shownNick = nick.isEmpty() ? account : nick;
    CheckLabel("search row name",
               widgets.searchRow.findChild<QLabel*>(QStringLiteral("labelNickName")), shownNick);
    CheckLabel("search row account",
               widgets.searchRow.findChild<QLabel*>(QStringLiteral("labelAccount")), account);
    CheckToolTip("search row signature", widgets.searchRow.toolTip(), sign);

    widgets.request.InitFriendInfo(widgets.searchRow.Info());
    CheckLabel("request dialog name",
               widgets.request.findChild<QLabel*>(QStringLiteral("labelNickName")), shownNick);
    CheckLabel("request dialog account",
               widgets.request.findChild<QLabel*>(QStringLiteral("labelAcount")), account);
    CheckLabel("request dialog area",
               widgets.request.findChild<QLabel*>(QStringLiteral("labellocal")), area);

    widgets.cue.SetCallerName(nick);
    const auto* caller = widgets.cue.findChild<QLabel*>(QStringLiteral("labelCueText"));
    if (caller == nullptr || caller->textFormat() != Qt::PlainText ||
        !Displayed(caller).startsWith(nick + QLatin1Char('\n')))
        Fail("call cue", nick, caller ? Displayed(caller) : QString());

    CheckToolTip("signature tip", KivPlainText::ToolTip(sign), sign);
    return 0;
}
