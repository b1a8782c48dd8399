#pragma once

#include <QString>
#include <QVariantList>

// A client's own chat database as the client leaves it, read while it runs.
namespace KivChatRows {

// The number of rows of User/<account>/DB/CHAT_MESSAGE.db's messages that
// match the condition (with ? for the values), or -1 when it cannot be read.
int Count(const QString& tree, const QString& account, const QString& where,
          const QVariantList& values = {});

}  // namespace KivChatRows
