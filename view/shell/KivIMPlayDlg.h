#pragma once

#include <QWidget>
#include <vector>

class QLabel;
class QPlayItem;
class QScrollArea;
class QVBoxLayout;

// The game hall page: a banner that leads to the service's web site and the
// game tiles, split into games not yet downloaded and downloaded games.
class KivIMPlayDlg : public QWidget {
    Q_OBJECT
public:
    explicit KivIMPlayDlg(QWidget* parent);

    // Adds a tile; it goes under the downloaded games when the game program is found.
    void InsertNotDownloadGame(const QPixmap* picture, const QString& name,
                               const QString& description, int gameId);
    // Looks for the game program "PlayHost": first at the path the deployment
    // configures, then on PATH.
    bool CheckIsInstall();
    QString ProgramPath() const { return m_programPath; }
    const std::vector<QPlayItem*>& Items() const { return m_items; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVBoxLayout* AddSection(const QString& heading);

    QLabel* m_pLogo = nullptr;
    QScrollArea* m_pScrollArea = nullptr;
    QWidget* m_pContents = nullptr;
    QVBoxLayout* m_pNotDownloaded = nullptr;
    QVBoxLayout* m_pDownloaded = nullptr;
    std::vector<QPlayItem*> m_items;
    QString m_programPath;
};
