#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include "KivLiteralScan.h"
#include "KivTestRegistry.h"

namespace {

// The folders whose texts a user sees.
const char* const kFolders[] = {"client", "callview", "common", "model", "platform", "view"};

// Calls that hand their text to the translation system, or mark it for it.
const QStringList kTranslating{QStringLiteral("tr"), QStringLiteral("translate"),
                               QStringLiteral("QT_TR_NOOP"), QStringLiteral("QT_TRANSLATE_NOOP"),
                               QStringLiteral("QT_TRANSLATE_NOOP3")};
// Calls that write the log, which users do not read.
const QRegularExpression kLogging(QStringLiteral("^(q|qC)(Debug|Info|Warning|Critical|Fatal)$"));
// Calls whose first argument a user sees, with the wrappers a literal may wear.
const QStringList kShowing{QStringLiteral("setText"),
                           QStringLiteral("setToolTip"),
                           QStringLiteral("setWindowTitle"),
                           QStringLiteral("setAccessibleName"),
                           QStringLiteral("setAccessibleDescription"),
                           QStringLiteral("setPlaceholderText"),
                           QStringLiteral("setStatusTip"),
                           QStringLiteral("setWhatsThis"),
                           QStringLiteral("addAction"),
                           QStringLiteral("setTitle")};
const QStringList kWrappers{QStringLiteral("QStringLiteral"), QStringLiteral("QLatin1String"),
                            QStringLiteral("fromUtf8"), QStringLiteral("fromLatin1"),
                            QStringLiteral("QString")};

bool HasChinese(const QString& text) {
    for (const QChar c : text) {
        const ushort u = c.unicode();
        // The ideographic space alone lays text out; it says nothing.
        if ((u >= 0x4e00 && u <= 0x9fff) || (u > 0x3000 && u <= 0x303f) ||
            (u >= 0xff00 && u <= 0xffef))
            return true;
    }
    return false;
}

bool Shown(const KivLiteralScan::Literal& literal) {
    QStringList calls = literal.calls;
    while (!calls.isEmpty() && kWrappers.contains(calls.last()))
        calls.removeLast();
    return !calls.isEmpty() && kShowing.contains(calls.last()) &&
           literal.text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
}

// "path: "text"  # why" lines: literals that are data, not interface.
QSet<QString> Untranslated() {
    QSet<QString> allowed;
    QFile file(QStringLiteral(KIV_SOURCE_DIR "/translations/untranslated.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return allowed;
    const QRegularExpression entry(QStringLiteral("^([^:#]+): \"(.*)\"\\s*(#.*)?$"));
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = entry.match(line.trimmed());
        if (match.hasMatch())
            allowed.insert(match.captured(1) + QLatin1Char('\n') + match.captured(2));
    }
    return allowed;
}

struct Entry {
    QString context;
    QString source;
    QString translation;
    QString type;
};

QList<Entry> ReadTs(const QString& path) {
    QList<Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context;
    Entry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            entry = Entry{context, xml.readElementText(), QString(), QString()};
        } else if (xml.name() == QLatin1String("translation")) {
            entry.type = xml.attributes().value(QLatin1String("type")).toString();
            // Plural forms are <numerusform> children.
            entry.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            entries.append(entry);
        }
    }
    return entries;
}

QList<Entry> Repository() {
    return ReadTs(QStringLiteral(KIV_SOURCE_DIR "/translations/kivim_en.ts"));
}

QSet<QString> Keys(const QList<Entry>& entries) {
    QSet<QString> keys;
    for (const Entry& entry : entries)
        keys.insert(entry.context + QLatin1String(" / ") + entry.source);
    return keys;
}

QStringList Placeholders(const QString& text) {
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("%L?\\d")).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured().remove(QLatin1Char('L'));
    found.sort();
    found.removeDuplicates();
    return found;
}

}  // namespace

// The interface's texts go through the translation system, and the English
// file translates every one of them.
class tst_KivTranslations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        const QString fresh = m_dir.filePath(QStringLiteral("fresh.ts"));
        QStringList arguments{QStringLiteral("-silent"), QStringLiteral("-locations"),
                              QStringLiteral("none")};
        for (const char* folder : {"view", "common", "model"})
            arguments << QStringLiteral("-I")
                      << QStringLiteral(KIV_SOURCE_DIR "/") + QLatin1String(folder);
        for (const char* folder : kFolders)
            arguments << QStringLiteral(KIV_SOURCE_DIR "/") + QLatin1String(folder);
        arguments << QStringLiteral("-ts") << fresh;
        QProcess lupdate;
        lupdate.start(QStringLiteral(KIV_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        m_code = Keys(ReadTs(fresh));
        QVERIFY(!m_code.isEmpty());
    }

    void scannerFindsLiteralsAndTheirCalls() {
        const QString code = QStringLiteral(
            "#include \"a.h\"\n"
            "// \"注释\"\n"
            "int n = 1'000; char c = '\"';\n"
            "void f() { label->setText(QStringLiteral(\"登录\")); qDebug() << \"执行\";\n"
            "  x(tr(\"好\"), QCoreApplication::translate(\"Ctx\", \"取消\")); /* \"块\" */\n"
            "  y(R\"(原 \"始\")\"); }\n");
        const QList<KivLiteralScan::Literal> found = KivLiteralScan::Literals(code);
        QCOMPARE(found.size(), 6);
        QCOMPARE(found[0].text, QStringLiteral("登录"));
        QCOMPARE(found[0].line, 4);
        QCOMPARE(found[0].calls,
                 QStringList({QStringLiteral("setText"), QStringLiteral("QStringLiteral")}));
        QCOMPARE(found[1].statement, QStringLiteral("qDebug"));
        QCOMPARE(found[1].earlierCalls, QStringList({QStringLiteral("qDebug")}));
        QCOMPARE(found[2].calls.last(), QStringLiteral("tr"));
        QCOMPARE(found[4].calls.last(), QStringLiteral("translate"));
        QCOMPARE(found[5].text, QStringLiteral("原 \"始\""));
        QCOMPARE(found[5].line, 6);
    }

    // A literal a user sees outside tr() shows Chinese in every language.
    void everyShownTextIsTranslatable() {
        const QSet<QString> allowed = Untranslated();
        QStringList bypassing;
        for (const char* folder : kFolders) {
            QDirIterator files(QStringLiteral(KIV_SOURCE_DIR "/") + QLatin1String(folder),
                               {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                               QDirIterator::Subdirectories);
            while (files.hasNext()) {
                QFile file(files.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QString path = file.fileName().mid(int(strlen(KIV_SOURCE_DIR)) + 1);
                for (const auto& literal :
                     KivLiteralScan::Literals(QString::fromUtf8(file.readAll()))) {
                    const bool translating = std::any_of(
                        literal.calls.begin(), literal.calls.end(),
                        [](const QString& call) { return kTranslating.contains(call); });
                    const bool logged = std::any_of(
                        literal.earlierCalls.begin(), literal.earlierCalls.end(),
                        [](const QString& call) { return kLogging.match(call).hasMatch(); });
                    if (translating || logged)
                        continue;
                    if (!HasChinese(literal.text) && !Shown(literal))
                        continue;
                    if (!allowed.contains(path + QLatin1Char('\n') + literal.text))
                        bypassing << QStringLiteral("%1:%2: \"%3\"")
                                         .arg(path)
                                         .arg(literal.line)
                                         .arg(literal.text);
                }
            }
        }
        QVERIFY2(bypassing.isEmpty(),
                 qPrintable(QStringLiteral("texts outside tr() (or list them in "
                                           "translations/untranslated.txt if they are data):\n") +
                            bypassing.join(QLatin1Char('\n'))));
    }

    // Finished, with the placeholders of the source, and nothing left over.
    void englishIsComplete() {
        const QList<Entry> entries = Repository();
        QVERIFY(!entries.isEmpty());
        QStringList faults;
        for (const Entry& entry : entries) {
            const QString where = entry.context + QLatin1String(" / ") + entry.source;
            if (!entry.type.isEmpty())
                faults << QStringLiteral("%1: %2").arg(entry.type, where);
            else if (entry.translation.trimmed().isEmpty())
                faults << QStringLiteral("empty: %1").arg(where);
            else if (Placeholders(entry.source) != Placeholders(entry.translation))
                faults << QStringLiteral("placeholders differ: %1").arg(where);
            else if (HasChinese(entry.translation))
                faults << QStringLiteral("Chinese left: %1").arg(where);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // What lupdate finds in the code today is what the English file holds.
    void englishFollowsTheCode() {
        const QSet<QString> english = Keys(Repository());
        QStringList missing = (m_code - english).values();
        QStringList stale = (english - m_code).values();
        missing.sort();
        stale.sort();
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in the English file:\n") +
                                               missing.join(QLatin1Char('\n'))));
        QVERIFY2(stale.isEmpty(), qPrintable(QStringLiteral("no longer in the code:\n") +
                                             stale.join(QLatin1Char('\n'))));
    }

    // The Chinese texts users, the manual and other programs' checks know,
    // byte for byte as the code gives them to tr(): with no translation file
    // that is what shows.
    void documentedTextsStay_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("text");
        const char* const rows[][2] = {
            {"KivFriendMyMessageBoxView", "提示"},
            {"KivIMLoginDlg", "连接失败，请检查您的网络连接!"},
            {"KivIMLoginDlg", "请检查您的网络连接!"},
            {"KivIMLoginDlg", "已有最新版本，是否进行安装？"},
            {"KivIMLoginDlg", "账号或密码错误"},
            {"KivIMLoginDlg", "用户不存在"},
            {"KivIMLoginDlg", "已经在其他地方登陆"},
            {"KivIMLoginDlg", "登  录"},
            {"KivFriendMenu", "您确定要删除该好友吗？"},
            {"KivFriendMenu", "您还不是vip，请加入VIP组。"},
            {"KivFriendMenu", "发送即时消息"},
            {"KivFriendMenu", "查看个人资料"},
            {"KivFriendMenu", "删除好友"},
            {"KivFriendMenu", "添加为好友"},
            {"KivIMMainDlg", "已经存在该好友"},
            {"KivIMMainDlg", "对方拒绝了你的好友添加"},
            {"CKivIMChatDlg", "消息过长"},
            {"KivGifts", "你的余额不够兑换礼物！"},
            {"KivAddCheckFriendDlg", "没有该用户"},
            {"KivAddCheckFriendDlg", "查找用户"},
            {"kivPersonalInfoDlg", "我的资料"},
            {"kivPersonalInfoDlg", "好友资料"},
            {"kivPersonalInfoDlg", "编辑个性签名"},
            {"CKivFriendSysSettingDlg", "警告"},
            {"CKivFriendSysSettingDlg", "修改成功"},
            {"CKivFriendSysSettingDlg", "\"显示主窗口\"、\"提取消息\"快捷键与系统快捷键冲突"},
            {"KivCheckCodeDlg", "注册"},
            {"KivCheckCodeDlg", "找回密码"},
            {"kivRegisterDlg", "账号为手机号"},
            {"KivCheckCodeDlg", "请输入手机验证码"},
            {"ImMeaidCueDlg", "视频通话请求"},
            {"CKivIMfaceDlg", "默认"},
            {"KivIMPlayDlg", "大厅"},
            {"CallViewWindow", "正在视频通话..."},
        };
        for (const auto& row : rows)
            QTest::newRow(row[1]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]);
    }
    void documentedTextsStay() {
        QFETCH(QString, context);
        QFETCH(QString, text);
        QVERIFY2(m_code.contains(context + QLatin1String(" / ") + text),
                 qPrintable(context + QLatin1String(" no longer says ") + text));
    }

private:
    // What lupdate finds in the code: "context / source" of every text.
    QSet<QString> m_code;
    QTemporaryDir m_dir;
};

KIV_TEST_CLASS(tst_KivTranslations)
#include "tst_KivTranslations.moc"
