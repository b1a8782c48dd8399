#pragma once

#include <QProcess>
#include <QWidget>

class QLabel;
class QPushButton;

// One game of the game hall: its picture, name and description, and a button
// that either sends the user to the web site to download the game or starts
// the installed game program.
class QPlayItem : public QWidget {
    Q_OBJECT
public:
    enum { NotDownloaded = 0, Downloaded = 1 };

    QPlayItem(const QPixmap& picture, const QString& name, const QString& description, int gameId,
              QWidget* parent);

    // state NotDownloaded or Downloaded; the program is started in the latter.
    void SetState(int state, const QString& programPath);
    int State() const { return m_state; }
    QString ProgramPath() const { return m_programPath; }
    int GameId() const { return m_gameId; }

public slots:
    void m_pTooltip_Clicked();
    void processError(QProcess::ProcessError error);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OpenWebSite();
    void StartProgram();

    QPushButton* m_pTooltip = nullptr;
    QProcess* m_pProcess = nullptr;
    int m_state = NotDownloaded;
    int m_gameId = 0;
    QString m_programPath;
};
