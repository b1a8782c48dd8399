#include "contacts/KivImChoiceCustomHeadDlg.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include "contacts/CHeaderView.h"
#include "contacts/CImageEditWid.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivSafeImage.h"

namespace {

const char* const kFolder = "Resources/skin/kivChoiceHeaddlg/";

QLabel* PreviewCaption(const QString& text, QWidget* parent, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color:#928F8F"));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

KivImChoiceCustomHeadDlg::KivImChoiceCustomHeadDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KivImChoiceCustomHeadDlg"));
    resize(463, 243);
    auto* editorBack = new QLabel(this);
    editorBack->setStyleSheet(QStringLiteral("QLabel{background:#e3e3e3;}"));
    editorBack->setGeometry(0, 0, 300, 243);
    m_pEditor = new CImageEditWid(this);
    m_pEditor->setGeometry(0, 0, 300, 243);
    m_pAdd = new QPushButton(tr("上传图片"), this);
    m_pAdd->setObjectName(QStringLiteral("AddImageBt"));
    m_pAdd->setGeometry(70, 61, 160, 120);
    m_pAdd->setCursor(Qt::PointingHandCursor);

    const QString folder = QString::fromLatin1(kFolder);
    m_pLarge = new CHeaderView(124, folder + QStringLiteral("HeaderViewLarge.png"), this);
    m_pLarge->move(322, 6);
    PreviewCaption(tr("124×124像素"), this, QRect(312, 132, 144, 18));
    m_pSmall = new CHeaderView(53, folder + QStringLiteral("HeaderViewSmall.png"), this);
    m_pSmall->move(357, 160);
    PreviewCaption(tr("53×53像素"), this, QRect(312, 216, 144, 18));

    connect(m_pAdd, &QPushButton::clicked, this, &KivImChoiceCustomHeadDlg::AddImageBtClicked);
    connect(m_pEditor, &CImageEditWid::mouseRelease, m_pLarge, &CHeaderView::refreshImage);
    connect(m_pEditor, &CImageEditWid::mouseRelease, m_pSmall, &CHeaderView::refreshImage);
}

void KivImChoiceCustomHeadDlg::AddImageBtClicked() {
    QFileDialog dialog(this, tr("选择图片"), QDir::homePath(),
                       tr("图片文件(*.png *.jpg *.bmp *.jpeg *.gif)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setViewMode(QFileDialog::Detail);
    // Wide enough for the file names and their details.
    dialog.resize(560, 380);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    LoadImage(dialog.selectedFiles().first());
}

bool KivImChoiceCustomHeadDlg::LoadImage(const QString& path) {
    QString error;
    const QImage image = KivSafeImage::Load(path, &error, KivSafeImage::Kinds::UserPictures);
    if (image.isNull()) {
        KivFriendMyMessageBoxView::Tip(this, error, tr("确定"));
        return false;
    }
    m_pEditor->SetImage(image);
    m_pAdd->hide();
    emit ImageChosen();
    return true;
}

QImage KivImChoiceCustomHeadDlg::CustomImage() const {
    return m_pEditor->HasImage() ? m_pEditor->CutImage() : QImage();
}

void KivImChoiceCustomHeadDlg::Clear() {
    m_pEditor->Clear();
    m_pLarge->Clear();
    m_pSmall->Clear();
    m_pAdd->show();
}
