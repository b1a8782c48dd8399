#include <QtTest>

#include "CKivFriendCommTool.h"
#include "KivTestRegistry.h"

class tst_CKivFriendCommTool : public QObject {
    Q_OBJECT

private slots:
    void currentPath_data() {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("separator");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("separator only") << QString() << true << QStringLiteral("/");
        QTest::newRow("nothing") << QString() << false << QString();
        QTest::newRow("relative") << QStringLiteral("/Config") << true
                                  << QStringLiteral("/Config/");
    }
    void currentPath() {
        QFETCH(QString, relative);
        QFETCH(bool, separator);
        QFETCH(QString, suffix);
        const std::wstring rel = relative.toStdWString();
        wchar_t out[CKivFriendCommTool::PathCapacity];
        CKivFriendCommTool::GetInstance()->Get_Current_Path(
            out, relative.isNull() ? nullptr : rel.c_str(), separator);
        QCOMPARE(QString::fromWCharArray(out), QDir::currentPath() + suffix);
    }

    void overlongPathIsCutAndTerminated() {
        const std::wstring longPart(600, L'y');
        wchar_t out[CKivFriendCommTool::PathCapacity + 1];
        out[CKivFriendCommTool::PathCapacity] = L'#';
        CKivFriendCommTool::GetInstance()->Get_Current_Path(out, longPart.c_str(), true);
        QCOMPARE(QString::fromWCharArray(out).size(), CKivFriendCommTool::PathCapacity - 1);
        QCOMPARE(out[CKivFriendCommTool::PathCapacity], L'#');
    }

    void fileExists() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.ini"));
        CKivFriendCommTool* tool = CKivFriendCommTool::GetInstance();
        QVERIFY(!tool->File_Exists(path.toStdWString().c_str()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(tool->File_Exists(path.toStdWString().c_str()));
        QVERIFY(!tool->File_Exists(nullptr));
        QVERIFY(!tool->File_Exists(L""));
        CKivFriendCommTool::ReleaseInstance();
        CKivFriendCommTool::ReleaseInstance();
    }
};

KIV_TEST_CLASS(tst_CKivFriendCommTool)
#include "tst_CKivFriendCommTool.moc"
