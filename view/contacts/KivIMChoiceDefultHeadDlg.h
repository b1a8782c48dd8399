#pragma once

#include <vector>

#include <QWidget>

class CHeadItem;

// "经典头像": every built-in head as a tile, seven a row.
class KivIMChoiceDefultHeadDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPerRow = 7;

    explicit KivIMChoiceDefultHeadDlg(QWidget* parent = nullptr);

    const std::vector<CHeadItem*>& Items() const { return m_items; }
    CHeadItem* SelectedItem() const { return m_pSelected; }
    void Select(int headNumber);
    void ClearSelection();

public slots:
    void ItemSelectedSlot(CHeadItem* item);

private:
    std::vector<CHeadItem*> m_items;
    CHeadItem* m_pSelected = nullptr;
};
