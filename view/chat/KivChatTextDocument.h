#pragma once

#include <QTextDocument>

class QUrl;

// A chat text laid out apart from any widget, so that a row can be measured
// once and later shown as it is. Pictures come only from the face and gift
// folders, as in the chat views.
class KivChatTextDocument : public QTextDocument {
    Q_OBJECT
public:
    explicit KivChatTextDocument(QObject* parent = nullptr);

    // Appends each HTML line as a paragraph of its own, laid out once.
    void AppendLines(const QStringList& htmlLines);

    // A face or gift picture for "image/face/<file>" or "image/gift/<file>",
    // decoded once per process; anything else loads nothing.
    static QVariant LoadPicture(int type, const QUrl& name);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};
