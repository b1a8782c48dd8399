#pragma once

#include <QDialog>
#include <QPixmap>

class QFileInfo;
class QTableWidget;

// The popup grid of faces (face mode) or priced gifts (gift mode). A picture
// is known only by its file: its base name travels in brackets in the chat
// text, and for gifts the same name read as a number is the price.
class CKivIMfaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 7;
    static constexpr int kColumns = 9;
    static constexpr int kCell = 45;
    static constexpr int kIconSide = 40;

    CKivIMfaceDlg(QWidget* parent, bool giftMode);

    QTableWidget* table() const { return m_pTable; }
    bool IsGiftMode() const { return m_bGift; }

    // The folder the pictures of a mode come from.
    static QString FolderFor(bool giftMode);
    static bool IsPictureSuffix(const QString& suffix);
    // "%1元" for a base name that reads as a non-zero number, else the name.
    static QString ToolTipFor(const QString& baseName);
    // The price of a gift picture's path (0 when its name is not a number).
    static double PriceOf(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillTable();
    // The picture of a file as a cell shows it; a null pixmap when it does not decode.
    static QPixmap IconFor(const QFileInfo& file);

    bool m_bGift = false;
    QTableWidget* m_pTable = nullptr;
};
