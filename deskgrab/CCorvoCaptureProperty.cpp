#include "CCorvoCaptureProperty.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The rates the source knows; 0 stands for one frame every two seconds.
constexpr int kRates[] = {0, 1, 2, 5, 10, 15, 18, 20, 25, 30, 40};
constexpr int kDefaultRate = 5;
constexpr int kEditLimit = 99999;

QString RateText(int fps) {
    return fps == 0 ? QStringLiteral("0.5 Frame/Sec") : QStringLiteral("%1 Frame/Sec").arg(fps);
}

}  // namespace

CCorvoCaptureProperty::CCorvoCaptureProperty(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("[Corvo] Capture Prop Ex"));
    auto* layout = new QGridLayout(this);
    m_left = AddEdit(QStringLiteral("left"), tr("Left"), 0, 0);
    m_top = AddEdit(QStringLiteral("top"), tr("Top"), 0, 2);
    m_right = AddEdit(QStringLiteral("right"), tr("Right"), 1, 0);
    m_bottom = AddEdit(QStringLiteral("bottom"), tr("Bottom"), 1, 2);
    m_width = AddEdit(QStringLiteral("width"), tr("Width"), 2, 0);
    m_height = AddEdit(QStringLiteral("height"), tr("Height"), 2, 2);

    m_rate = new QComboBox(this);
    m_rate->setObjectName(QStringLiteral("rate"));
    for (const int fps : kRates) {
        m_rate->addItem(RateText(fps), fps);
    }
    layout->addWidget(new QLabel(tr("Frame rate"), this), 3, 0);
    layout->addWidget(m_rate, 3, 1, 1, 3);

    m_enable = new QCheckBox(tr("Capture the screen"), this);
    m_enable->setObjectName(QStringLiteral("enable"));
    layout->addWidget(m_enable, 4, 0, 1, 2);
    m_bitCount = new QLabel(this);
    m_bitCount->setObjectName(QStringLiteral("bitCount"));
    layout->addWidget(m_bitCount, 4, 2, 1, 2);

    auto* defaults = new QPushButton(tr("Default"), this);
    defaults->setObjectName(QStringLiteral("default"));
    m_apply = new QPushButton(tr("Apply"), this);
    m_apply->setObjectName(QStringLiteral("apply"));
    m_apply->setEnabled(false);
    layout->addWidget(defaults, 5, 2);
    layout->addWidget(m_apply, 5, 3);

    connect(m_rate, QOverload<int>::of(&QComboBox::activated), this, [this] { SetDirty(true); });
    connect(defaults, &QPushButton::clicked, this, &CCorvoCaptureProperty::FillDefaults);
    connect(m_apply, &QPushButton::clicked, this, &CCorvoCaptureProperty::Apply);
    setEnabled(false);
}

QLineEdit* CCorvoCaptureProperty::AddEdit(const QString& name, const QString& label, int row,
                                          int column) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setValidator(new QIntValidator(-kEditLimit, kEditLimit, edit));
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(new QLabel(label, this), row, column);
    grid->addWidget(edit, row, column + 1);
    // Only the user's typing counts as a change, not the page loading values.
    connect(edit, &QLineEdit::textEdited, this, [this] { SetDirty(true); });
    return edit;
}

void CCorvoCaptureProperty::SetObject(IScrCapParam* param) {
    m_param = param;
    setEnabled(m_param != nullptr);
    if (m_param != nullptr) {
        Load();
    }
    SetDirty(false);
}

void CCorvoCaptureProperty::FillDefaults() {
    m_left->setText(QStringLiteral("0"));
    m_top->setText(QStringLiteral("0"));
    m_right->setText(QStringLiteral("320"));
    m_bottom->setText(QStringLiteral("240"));
    m_width->setText(QStringLiteral("320"));
    m_height->setText(QStringLiteral("240"));
    m_rate->setCurrentIndex(m_rate->findData(kDefaultRate));
    SetDirty(true);
}

void CCorvoCaptureProperty::Apply() {
    if (m_param == nullptr) {
        return;
    }
    m_param->SetCaptureRect(m_left->text().toInt(), m_top->text().toInt(), m_right->text().toInt(),
                            m_bottom->text().toInt(), m_width->text().toInt(),
                            m_height->text().toInt());
    m_param->SetFrameRate(m_rate->currentData().toInt());
    m_param->SetCaptureEnable(m_enable->isChecked() ? 1 : 0);
    Load();
    SetDirty(false);
}

void CCorvoCaptureProperty::Load() {
    int left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0;
    int fps = 0, bits = 0, enable = 0;
    m_param->GetCaptureRect(&left, &top, &right, &bottom, &width, &height);
    m_param->GetFrameRate(&fps);
    m_param->GetBitCount(&bits);
    m_param->GetCaptureEnable(&enable);
    m_left->setText(QString::number(left));
    m_top->setText(QString::number(top));
    m_right->setText(QString::number(right));
    m_bottom->setText(QString::number(bottom));
    m_width->setText(QString::number(width));
    m_height->setText(QString::number(height));
    const int entry = m_rate->findData(fps);
    if (entry >= 0) {
        m_rate->setCurrentIndex(entry);
    }
    m_bitCount->setText(tr("%1 bits per pixel").arg(bits));
    m_enable->setChecked(enable != 0);
}

void CCorvoCaptureProperty::SetDirty(bool dirty) {
    m_apply->setEnabled(dirty && m_param != nullptr);
    if (dirty == m_dirty) {
        return;
    }
    m_dirty = dirty;
    emit DirtyChanged(m_dirty);
}
