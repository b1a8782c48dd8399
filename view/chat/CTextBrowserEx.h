#pragma once

#include <QTextBrowser>

class QUrl;

// A read-only rich-text view of chat texts: pictures only from the face and
// gift folders (decoded once per process), links opened only when they are
// web addresses, no context menu and no scroll bars.
class CTextBrowserEx : public QTextBrowser {
    Q_OBJECT
public:
    explicit CTextBrowserEx(QWidget* parent = nullptr);

    // Appends each HTML line as a paragraph of its own.
    void AppendLines(const QStringList& htmlLines);
    // Room kept clear around the text.
    void SetPadding(int left, int top, int right, int bottom) {
        setViewportMargins(left, top, right, bottom);
    }

    // Links of this scheme are the bubble's own buttons ("kivaction:receive").
    static constexpr const char* kActionScheme = "kivaction";

signals:
    void ActionClicked(const QString& action);

public slots:
    void anchorClickedSlot(const QUrl& link);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};
