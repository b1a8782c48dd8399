#include "contacts/KivIMChoiceDefultHeadDlg.h"

#include <QDir>
#include <QGridLayout>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "contacts/CHeadItem.h"

KivIMChoiceDefultHeadDlg::KivIMChoiceDefultHeadDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KivIMChoiceDefultHeadDlg"));
    auto* area = new QScrollArea(this);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    // Tab goes to the tiles, which scroll into view themselves.
    area->setFocusPolicy(Qt::NoFocus);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setStyleSheet(QStringLiteral("border:none;background-color:rgb(255,255,255);"));
    auto* tiles = new QWidget;
    area->setWidget(tiles);
    auto* grid = new QGridLayout(tiles);
    // Seven tiles and the scroll bar fit the page's width.
    grid->setContentsMargins(4, 4, 0, 4);
    grid->setSpacing(2);
    grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);

    // Only "head_<n>.png" names a built-in head; "head_-1.png" is none.
    QStringList files =
        QDir(QStringLiteral("image/head")).entryList({QStringLiteral("head_*.png")}, QDir::Files);
    files.erase(
        std::remove_if(files.begin(), files.end(),
                       [](const QString& file) { return CHeadItem::HeadNumberOf(file) < 0; }),
        files.end());
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return CHeadItem::HeadNumberOf(a) < CHeadItem::HeadNumberOf(b);
    });
    for (const QString& file : files) {
        auto* item = new CHeadItem(QStringLiteral("image/head/") + file, tiles);
        const int index = int(m_items.size());
        grid->addWidget(item, index / kPerRow, index % kPerRow);
        connect(item, &CHeadItem::ItemSelected, this, &KivIMChoiceDefultHeadDlg::ItemSelectedSlot);
        m_items.push_back(item);
    }
}

void KivIMChoiceDefultHeadDlg::ItemSelectedSlot(CHeadItem* item) {
    if (m_pSelected)
        m_pSelected->SetSelected(false);
    m_pSelected = item;
    if (item)
        item->SetSelected(true);
}

void KivIMChoiceDefultHeadDlg::Select(int headNumber) {
    for (CHeadItem* item : m_items) {
        if (CHeadItem::HeadNumberOf(item->ImagePath()) == headNumber)
            ItemSelectedSlot(item);
    }
}

void KivIMChoiceDefultHeadDlg::ClearSelection() {
    ItemSelectedSlot(nullptr);
}
