#include "shell/KivFriendMyMessageBoxView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

namespace {

const char* const kTipTitle = QT_TRANSLATE_NOOP("KivFriendMyMessageBoxView", "提示");
const QSize kDefaultSize(320, 180);

}  // namespace

KivFriendMyMessageBoxView::KivFriendMyMessageBoxView(QWidget* parent) : QWindowBase(parent) {
    setObjectName(QStringLiteral("KivFriendMyMessageBoxView"));
    setWindowFlags(windowFlags() | Qt::Dialog);
    setModal(true);

    const QPixmap background(QStringLiteral("Resources/skin/kivMessageBox/backImage.png"));
    resize(background.isNull() ? kDefaultSize : background.size());
    if (!background.isNull()) {
        QPalette pal = palette();
        pal.setBrush(QPalette::Window, QBrush(background));
        setPalette(pal);
        setAutoFillBackground(true);
    }

    SetBtnNumber(false);
    connect(m_pClose, &QPushButton::clicked, this, &KivFriendMyMessageBoxView::bClose_Clicked);
    m_pMinimize->hide();
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/kivMessageBox/kivMessagedlg.qss"));
    setWindowTitle(tr(kTipTitle));

    m_pTitle = new QLabel(this);
    m_pTitle->setObjectName(QStringLiteral("Title_label"));
    m_pTitle->setGeometry(12, 4, width() - 90, 26);

    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("Text_label"));
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setWordWrap(true);
    m_pText->setGeometry(16, 40, width() - 32, height() - 40 - 52);

    m_pButtonRow = new QWidget(this);
    m_pButtonRow->setObjectName(QStringLiteral("horizontalLayoutWidget"));
    m_pButtonRow->setGeometry(0, height() - 48, width(), 40);
    m_pButtonLayout = new QHBoxLayout(m_pButtonRow);
    m_pButtonLayout->setObjectName(QStringLiteral("horizontalLayout"));
    m_pButtonLayout->setContentsMargins(12, 0, 12, 0);
    m_pButtonLayout->setSpacing(16);
}

void KivFriendMyMessageBoxView::ClearButtons() {
    while (QLayoutItem* item = m_pButtonLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

QPushButton* KivFriendMyMessageBoxView::AddButton(const QString& objectName, const QString& text) {
    auto* button = new QPushButton(text, m_pButtonRow);
    button->setObjectName(objectName);
    button->setFixedSize(81, 31);
    button->setCursor(Qt::PointingHandCursor);
    m_pButtonLayout->addWidget(button);
    return button;
}

void KivFriendMyMessageBoxView::SetOneButton(const QString& title, const QString& text,
                                             const QString& button) {
    ClearButtons();
    m_pTitle->setText(title);
    m_pText->setText(text);
    m_pButtonLayout->addStretch();
    QPushButton* first = AddButton(QStringLiteral("bBtn1Name"), button);
    m_pButtonLayout->addStretch();
    connect(first, &QPushButton::clicked, this, &KivFriendMyMessageBoxView::bBtn1NameClicked);
    first->setDefault(true);
}

void KivFriendMyMessageBoxView::SetTwoButtons(const QString& title, const QString& text,
                                              const QString& first, const QString& second) {
    ClearButtons();
    m_pTitle->setText(title);
    m_pText->setText(text);
    m_pButtonLayout->addStretch();
    QPushButton* one = AddButton(QStringLiteral("bBtn1Name"), first);
    QPushButton* two = AddButton(QStringLiteral("bBtn2Name"), second);
    m_pButtonLayout->addStretch();
    connect(one, &QPushButton::clicked, this, &KivFriendMyMessageBoxView::bBtn1NameClicked);
    connect(two, &QPushButton::clicked, this, &KivFriendMyMessageBoxView::bBtn2NameClicked);
    one->setDefault(true);
}

// The box lives on the heap behind a guard: what arrives while it runs may
// delete its parent, and the box with it.
int KivFriendMyMessageBoxView::Show(QWidget* parent, const QString& title, const QString& text,
                                    const QString& button) {
    QPointer<KivFriendMyMessageBoxView> box = new KivFriendMyMessageBoxView(parent);
    box->SetOneButton(title, text, button);
    const int result = box->exec();
    delete box;
    return result;
}

int KivFriendMyMessageBoxView::Tip(QWidget* parent, const QString& text, const QString& button) {
    return Show(parent, tr(kTipTitle), text, button);
}

int KivFriendMyMessageBoxView::Ask(QWidget* parent, const QString& text, const QString& first,
                                   const QString& second) {
    QPointer<KivFriendMyMessageBoxView> box = new KivFriendMyMessageBoxView(parent);
    box->SetTwoButtons(tr(kTipTitle), text, first, second);
    const int result = box->exec();
    delete box;
    return result;
}

void KivFriendMyMessageBoxView::bBtn1NameClicked() {
    setResult(1);
    emit bBtn1NameClickedSignal();
    done(1);
}

void KivFriendMyMessageBoxView::bBtn2NameClicked() {
    done(0);
}

void KivFriendMyMessageBoxView::bClose_Clicked() {
    done(0);
}
