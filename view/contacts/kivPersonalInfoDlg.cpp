#include "contacts/kivPersonalInfoDlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivAreaList.h"
#include "KivContactQueries.h"
#include "KivProfileUpdate.h"
#include "contacts/KivBirthday.h"
#include "contacts/KivIMChoiceHeadDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivHeadDownload.h"
#include "support/KivHeadPath.h"
#include "support/KivPlainText.h"
#include "support/KivSafeImage.h"
#include "support/KivSkinBackground.h"

namespace {

constexpr Uint32 kUpdated = 1;
const char* const kPhonePattern = "1[3-8][0-9]{9}";
const char* const kBandEdit =
    "QLineEdit{background-color: rgba(0,0,0,0);border-width:0;border-style:outset;}"
    "QLineEdit:focus{background-color: rgb(255,255,255);border-width:1;border-style:solid;"
    "border-color:#3A8EE6;}";

bool Whole(const QString& pattern, const QString& text) {
    return QRegularExpression(QStringLiteral("^(?:%1)$").arg(pattern)).match(text).hasMatch();
}

QValidator* Validator(const QString& pattern, QObject* parent) {
    return new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(?:%1)").arg(pattern)), parent);
}

QLabel* Caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QStringLiteral("labelCaption"));
    return label;
}

QLabel* Value() {
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("labelValue"));
    return label;
}

void Tip(QWidget* parent, const QString& text) {
    KivFriendMyMessageBoxView::Tip(parent, text,
                                   QCoreApplication::translate("kivPersonalInfoDlg", "确定"));
}

}  // namespace

kivPersonalInfoDlg::kivPersonalInfoDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    setObjectName(QStringLiteral("kivPersonalInfoDlg"));
    KivSkinBackground::Apply(
        this, QStringLiteral("Resources/skin/kivPersonalInfoDlg/backImage.png"), QSize(440, 520));
    BuildForm();
    m_pHeads = new KivHeadDownload(this);
    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/kivPersonalInfoDlg/PersonalInfoDlg2.qss"));
    // Down the form as it reads, then the buttons and the title buttons.
    QWidget* previous = m_pHead;
    for (QWidget* next : std::initializer_list<QWidget*>{
             m_pNick, m_pSign, m_pSex, m_pYear, m_pMonth, m_pDay, m_pCountry, m_pProvince, m_pCity,
             m_pPhone, m_pSave, findChild<QPushButton*>(QStringLiteral("pushButtonClose")),
             m_pMinimize, m_pClose}) {
        setTabOrder(previous, next);
        previous = next;
    }
    connect(m_pClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_pMinimize, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(m_pHeads, &KivHeadDownload::Stored, this, &kivPersonalInfoDlg::HeadStored);
    connect(&m_session.Net(), &CKivFriendNetModel::AccountSearchResult, this,
            &kivPersonalInfoDlg::InitShowInfo);
}

kivPersonalInfoDlg::~kivPersonalInfoDlg() {
    delete m_pHeadDlg;
}

void kivPersonalInfoDlg::BuildForm() {
    KivSkinBackground::AddTitle(this, tr("好友资料"));
    m_pHead = new QPushButton(this);
    m_pHead->setObjectName(QStringLiteral("BHead"));
    m_pHead->setGeometry(22, 44, 64, 64);
    m_pHead->setIconSize(QSize(60, 60));
    m_pHead->setFlat(true);
    m_pHead->setAccessibleName(tr("头像"));
    m_pHead->setStyleSheet(
        QStringLiteral("QPushButton{border:2px solid rgba(255,255,255,160);"
                       "border-radius:4px;background:rgba(255,255,255,40);}"));
    m_pNick = new QLineEdit(this);
    m_pNick->setObjectName(QStringLiteral("lineEditNickName"));
    m_pNick->setGeometry(100, 46, 180, 30);
    m_pNick->setAccessibleName(tr("昵称"));
    m_pSign = new QLineEdit(this);
    m_pSign->setObjectName(QStringLiteral("lineEditSign"));
    m_pSign->setGeometry(100, 82, 310, 24);
    m_pSign->setPlaceholderText(tr("编辑个性签名"));
    m_pSign->setAccessibleName(tr("个性签名"));
    for (QLineEdit* edit : {m_pNick, m_pSign})
        edit->setStyleSheet(QString::fromLatin1(kBandEdit));

    auto* fields = new QWidget(this);
    fields->setGeometry(24, 136, 392, 320);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(12);
    grid->setColumnStretch(1, 1);

    m_pAccount = Value();
    grid->addWidget(Caption(tr("账号")), 0, 0);
    grid->addWidget(m_pAccount, 0, 1);

    m_pSex = new QComboBox;
    m_pSex->setObjectName(QStringLiteral("comboBoxSex"));
    m_pSex->addItems({tr("男"), tr("女")});
    m_pSex->setFixedWidth(80);
    m_pSex->setAccessibleName(tr("性别"));
    grid->addWidget(Caption(tr("性别")), 1, 0);
    m_pSexText = Value();
    auto* sex = new QHBoxLayout;
    sex->addWidget(m_pSex);
    sex->addWidget(m_pSexText);
    sex->addStretch();
    grid->addLayout(sex, 1, 1);

    m_pYear = new QLineEdit;
    m_pYear->setObjectName(QStringLiteral("lineEditYear"));
    m_pYear->setFixedWidth(64);
    m_pYear->setValidator(
        Validator(KivBirthday::YearPattern(QDate::currentDate().year()), m_pYear));
    m_pMonth = new QLineEdit;
    m_pMonth->setObjectName(QStringLiteral("lineEditMonth"));
    m_pMonth->setFixedWidth(44);
    m_pMonth->setValidator(Validator(KivBirthday::MonthPattern(), m_pMonth));
    m_pDay = new QLineEdit;
    m_pDay->setObjectName(QStringLiteral("lineEditDay"));
    m_pDay->setFixedWidth(44);
    m_pYear->setAccessibleName(tr("出生年份"));
    m_pMonth->setAccessibleName(tr("出生月份"));
    m_pDay->setAccessibleName(tr("出生日"));
    auto* birthday = new QHBoxLayout;
    birthday->setSpacing(4);
    birthday->addWidget(m_pYear);
    //: After the year field of the birthday.
    birthday->addWidget(new QLabel(tr("年")));
    birthday->addWidget(m_pMonth);
    //: After the month field of the birthday.
    birthday->addWidget(new QLabel(tr("月")));
    birthday->addWidget(m_pDay);
    //: After the day field of the birthday.
    birthday->addWidget(new QLabel(tr("日")));
    birthday->addStretch();
    grid->addWidget(Caption(tr("生日")), 2, 0);
    grid->addLayout(birthday, 2, 1);

    m_pAge = Value();
    m_pAge->setObjectName(QStringLiteral("labelAge"));
    m_pStar = Value();
    m_pStar->setObjectName(QStringLiteral("labelStar"));
    m_pZodiac = Value();
    m_pZodiac->setObjectName(QStringLiteral("labelZodiac"));
    auto* derived = new QHBoxLayout;
    derived->setSpacing(8);
    derived->addWidget(m_pAge);
    derived->addSpacing(12);
    derived->addWidget(Caption(tr("星座")));
    derived->addWidget(m_pStar);
    derived->addSpacing(12);
    derived->addWidget(Caption(tr("生肖")));
    derived->addWidget(m_pZodiac);
    derived->addStretch();
    grid->addWidget(Caption(tr("年龄")), 3, 0);
    grid->addLayout(derived, 3, 1);

    m_pCountry = new QComboBox;
    m_pCountry->setObjectName(QStringLiteral("comboBoxCountry"));
    m_pProvince = new QComboBox;
    m_pProvince->setObjectName(QStringLiteral("comboBoxProvince"));
    m_pCity = new QComboBox;
    m_pCity->setObjectName(QStringLiteral("comboBoxCity"));
    m_pCountry->setAccessibleName(tr("国家或地区"));
    m_pProvince->setAccessibleName(tr("省份"));
    m_pCity->setAccessibleName(tr("城市"));
    for (const KivAreaList::Entry& country : KivAreaList::Countries())
        m_pCountry->addItem(country.second, country.first);
    auto* area = new QHBoxLayout;
    area->setSpacing(6);
    area->addWidget(m_pCountry, 1);
    area->addWidget(m_pProvince, 1);
    area->addWidget(m_pCity, 1);
    m_pAreaText = Value();
    area->addWidget(m_pAreaText, 1);
    grid->addWidget(Caption(tr("所在地")), 4, 0);
    grid->addLayout(area, 4, 1);

    m_pPhone = new QLineEdit;
    m_pPhone->setObjectName(QStringLiteral("lineEditPhone"));
    m_pPhone->setValidator(Validator(QString::fromLatin1(kPhonePattern), m_pPhone));
    m_pPhone->setFixedWidth(160);
    m_pPhone->setAccessibleName(tr("手机"));
    grid->addWidget(Caption(tr("手机")), 5, 0);
    grid->addWidget(m_pPhone, 5, 1, Qt::AlignLeft);
    grid->setRowStretch(6, 1);

    m_pSave = new QPushButton(tr("保存"), this);
    m_pSave->setObjectName(QStringLiteral("pushButtonSave"));
    m_pSave->setGeometry(width() - 24 - 80 - 10 - 80, height() - 42, 80, 30);
    auto* close = new QPushButton(tr("关闭"), this);
    close->setObjectName(QStringLiteral("pushButtonClose"));
    close->setGeometry(width() - 24 - 80, height() - 42, 80, 30);

    connect(m_pSave, &QPushButton::clicked, this, &kivPersonalInfoDlg::SaveClicked);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_pHead, &QPushButton::clicked, this, &kivPersonalInfoDlg::HeadClicked);
    for (QLineEdit* edit : {m_pYear, m_pMonth, m_pDay}) {
        connect(edit, &QLineEdit::textChanged, this, [this] {
            UpdateDayRule();
            UpdateDerived();
        });
    }
    connect(m_pCountry, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { FillProvinces(QString()); });
    connect(m_pProvince, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { FillCities(QString()); });
    FillProvinces(QString());
}

void kivPersonalInfoDlg::InitInfo(quint32 uid, int mode, const QString& account) {
    showType(int(uid), mode, account);
}

void kivPersonalInfoDlg::showType(const int& uid, const int& mode, const QString& account) {
    m_uid = quint32(uid);
    m_mode = mode == OwnMode ? OwnMode : FriendMode;
    m_account = account;
    const QString title = m_mode == OwnMode ? tr("我的资料") : tr("好友资料");
    setWindowTitle(title);
    if (auto* label = findChild<QLabel*>(QStringLiteral("labelTitle")))
        label->setText(title);
    SetEditable(m_mode == OwnMode);
    InitInfo(uid, false);
    if (account.isEmpty())
        return;
    m_session.SearchUser(account);
}

void kivPersonalInfoDlg::InitShowInfo(int uflg, bool, const QByteArray& account) {
    if (uflg == 1 && QString::fromUtf8(account.constData()) == m_account && !m_account.isEmpty())
        InitInfo(int(m_uid), false);
}

void kivPersonalInfoDlg::InitInfo(const int& uid, bool) {
    KivContactProfile profile = KivContactQueries::ByUid(quint32(uid));
    if (!profile.found) {
        profile.uid = quint32(uid);
        profile.account = m_account;
    }
    ShowProfile(profile);
}

void kivPersonalInfoDlg::ShowProfile(const KivContactProfile& profile) {
    m_shown = profile;
    m_pNick->setText(profile.nickName);
    m_pSign->setText(profile.sign);
    m_pSign->setToolTip(KivPlainText::ToolTip(profile.sign));
    KivPlainText::Show(m_pAccount, profile.account);
    m_pSex->setCurrentIndex(profile.sex == 0 ? 1 : 0);
    m_pSexText->setText(m_pSex->currentText());
    const QDate birthday = KivBirthday::Parse(profile.birthday);
    m_pYear->setText(birthday.isValid() ? QString::number(birthday.year()) : QString());
    m_pMonth->setText(birthday.isValid()
                          ? QStringLiteral("%1").arg(birthday.month(), 2, 10, QLatin1Char('0'))
                          : QString());
    m_pDay->setText(birthday.isValid()
                        ? QStringLiteral("%1").arg(birthday.day(), 2, 10, QLatin1Char('0'))
                        : QString());
    UpdateDerived();
    const QStringList area = KivAreaList::Split(profile.area);
    const int country = m_pCountry->findText(area.value(0));
    m_pCountry->setCurrentIndex(country < 0 ? 0 : country);
    FillProvinces(area.value(1));
    FillCities(area.value(2));
    KivPlainText::Show(m_pAreaText, KivAreaList::Join(QString(), area.value(1), area.value(2)));
    m_pPhone->setText(profile.phone);
    m_shownBirthday = Birthday();
    m_shownArea = ChosenArea();

    const QString own = QString::fromUtf8(m_session.Net().GetAccount());
    QString head;
    if (m_mode == OwnMode) {
        head = KivHeadPath::Own(own);
        if (!QFileInfo::exists(head) && profile.head < KivHeadPath::kFirstUploadedHead)
            head = KivHeadPath::Stock(profile.head);
    } else {
        head = KivHeadPath::Friend(own, profile.uid, profile.head);
    }
    if (!QFileInfo::exists(head) && profile.head >= KivHeadPath::kFirstUploadedHead &&
        !own.isEmpty())
        m_pHeads->Fetch(profile.uid, m_mode == OwnMode
                                         ? KivHeadPath::Own(own)
                                         : KivHeadPath::UploadedFriend(own, profile.uid));
    ShowHead(KivHeadPath::OrDefault(head));
}

void kivPersonalInfoDlg::ShowHead(const QString& path) {
    m_pHead->setIcon(QIcon(
        KivSafeImage::Pixmap(path).scaled(60, 60, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void kivPersonalInfoDlg::HeadStored(quint32 uid, const QString& path) {
    if (uid == m_shown.uid)
        ShowHead(path);
}

void kivPersonalInfoDlg::SetEditable(bool editable) {
    for (QLineEdit* edit : {m_pNick, m_pSign, m_pYear, m_pMonth, m_pDay, m_pPhone})
        edit->setReadOnly(!editable);
    // A friend's choices read as text.
    for (QComboBox* combo : {m_pSex, m_pCountry, m_pProvince, m_pCity}) {
        combo->setEnabled(editable);
        combo->setVisible(editable);
    }
    m_pSexText->setVisible(!editable);
    m_pAreaText->setVisible(!editable);
    m_pSave->setVisible(editable);
    m_pHead->setCursor(editable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    m_pHead->setToolTip(editable ? tr("更换头像") : QString());
    m_pHead->setAccessibleName(editable ? tr("更换头像") : tr("头像"));
}

void kivPersonalInfoDlg::UpdateDayRule() {
    const int year = m_pYear->text().toInt();
    const int month = m_pMonth->text().toInt();
    const QString pattern = month >= 1 && month <= 12
                                ? KivBirthday::DayPattern(year > 0 ? year : 2000, month)
                                : KivBirthday::DayPattern(2000, 1);
    auto* validator =
        qobject_cast<QRegularExpressionValidator*>(const_cast<QValidator*>(m_pDay->validator()));
    const QRegularExpression rule(QStringLiteral("(?:%1)").arg(pattern));
    if (!validator) {
        m_pDay->setValidator(new QRegularExpressionValidator(rule, m_pDay));
    } else if (validator->regularExpression() != rule) {
        validator->setRegularExpression(rule);
    }
}

void kivPersonalInfoDlg::UpdateDerived() {
    const QDate date = KivBirthday::Parse(Birthday());
    if (!date.isValid()) {
        m_pAge->clear();
        m_pStar->clear();
        m_pZodiac->clear();
        return;
    }
    const int age = KivBirthday::Age(date, QDate::currentDate());
    m_pAge->setText(age < 0 ? QString() : QString::number(age));
    m_pStar->setText(KivBirthday::StarSign(date.month(), date.day()));
    m_pZodiac->setText(KivBirthday::ZodiacAnimal(date.year()));
}

QString kivPersonalInfoDlg::Birthday() const {
    if (m_pYear->text().isEmpty() && m_pMonth->text().isEmpty() && m_pDay->text().isEmpty())
        return QString();
    return QStringLiteral("%1-%2-%3").arg(m_pYear->text(), m_pMonth->text(), m_pDay->text());
}

void kivPersonalInfoDlg::FillProvinces(const QString& select) {
    const QSignalBlocker block(m_pProvince);
    m_pProvince->clear();
    m_pProvince->addItem(QString(), 0);
    for (const KivAreaList::Entry& province :
         KivAreaList::Provinces(m_pCountry->currentData().toInt()))
        m_pProvince->addItem(province.second, province.first);
    if (!select.isEmpty() && m_pProvince->findText(select) < 0)
        m_pProvince->addItem(select, 0);
    m_pProvince->setCurrentIndex(qMax(0, m_pProvince->findText(select)));
    FillCities(QString());
}

void kivPersonalInfoDlg::FillCities(const QString& select) {
    m_pCity->clear();
    m_pCity->addItem(QString());
    m_pCity->addItems(KivAreaList::Cities(m_pProvince->currentData().toInt()));
    if (!select.isEmpty() && m_pCity->findText(select) < 0)
        m_pCity->addItem(select);
    m_pCity->setCurrentIndex(qMax(0, m_pCity->findText(select)));
}

KivContactProfile kivPersonalInfoDlg::EditedProfile() const {
    KivContactProfile profile = m_shown;
    profile.uid = m_uid;
    if (profile.account.isEmpty())
        profile.account = m_account;
    // What the user left as it was shown keeps its stored bytes.
    if (m_pNick->text() != m_shown.nickName)
        profile.nickName = m_pNick->text().trimmed();
    if (m_pSign->text() != m_shown.sign)
        profile.sign = m_pSign->text();
    const int sex = m_pSex->currentIndex() == 1 ? 0 : 1;
    if (sex != (m_shown.sex == 0 ? 0 : 1))
        profile.sex = sex;
    if (Birthday() != m_shownBirthday)
        profile.birthday = Birthday();
    if (ChosenArea() != m_shownArea)
        profile.area = ChosenArea();
    if (m_pPhone->text() != m_shown.phone)
        profile.phone = m_pPhone->text();
    return profile;
}

QString kivPersonalInfoDlg::ChosenArea() const {
    return KivAreaList::Join(m_pCountry->currentText(), m_pProvince->currentText(),
                             m_pCity->currentText());
}

void kivPersonalInfoDlg::SaveClicked() {
    if (m_mode != OwnMode)
        return;
    const KivContactProfile profile = EditedProfile();
    if (profile.nickName.trimmed().isEmpty()) {
        Tip(this, tr("昵称不能为空！"));
        return;
    }
    if (profile.birthday != m_shown.birthday && !profile.birthday.isEmpty()) {
        const int year = m_pYear->text().toInt();
        const int month = m_pMonth->text().toInt();
        if (!Whole(KivBirthday::YearPattern(QDate::currentDate().year()), m_pYear->text()) ||
            !Whole(KivBirthday::MonthPattern(), m_pMonth->text()) ||
            !Whole(KivBirthday::DayPattern(year, month), m_pDay->text()) ||
            KivBirthday::Parse(profile.birthday) > QDate::currentDate()) {
            Tip(this, tr("生日格式不正确"));
            return;
        }
    }
    if (profile.phone != m_shown.phone && !profile.phone.isEmpty() &&
        !Whole(QString::fromLatin1(kPhonePattern), profile.phone)) {
        Tip(this, tr("手机号码格式不正确"));
        return;
    }
    const QString tooLong = KivProfileUpdate::TooLong(profile);
    if (!tooLong.isEmpty()) {
        Tip(this, tr("%1过长，无法保存，请删减后再试").arg(tooLong));
        return;
    }
    if (!m_session.UpdateProfile(profile)) {
        Tip(this, tr("网络连接已断开，请稍后再试"));
        return;
    }
    m_saving = profile;
    m_bSaving = true;
    m_pSave->setEnabled(false);
    // The main window tells the user the result.
    if (KivIMMainDlg::mainDlg)
        KivIMMainDlg::mainDlg->AwaitAlterInfo(
            this, [this](Uint32 uid, Uint32 result, Uint32) { SaveResult(uid, result); });
}

void kivPersonalInfoDlg::SaveResult(Uint32 uid, Uint32 result) {
    if (!m_bSaving || uid != m_uid)
        return;
    m_bSaving = false;
    m_pSave->setEnabled(true);
    if (result != kUpdated)
        return;
    KivContactQueries::StoreProfile(m_saving);
    const bool signChanged = m_saving.sign != m_shown.sign;
    m_shown = m_saving;
    emit SndAlter({m_saving.nickName, m_saving.sign, QString()});
    if (signChanged)
        emit SndChangeSign(m_saving.sign);
}

void kivPersonalInfoDlg::HeadClicked() {
    if (m_mode != OwnMode)
        return;
    if (!m_pHeadDlg) {
        m_pHeadDlg = new KivIMChoiceHeadDlg(nullptr, m_session);
        connect(m_pHeadDlg, &KivIMChoiceHeadDlg::AllHeaderChange, this,
                &kivPersonalInfoDlg::HeadChanged);
    }
    m_pHeadDlg->show();
    m_pHeadDlg->raise();
    m_pHeadDlg->activateWindow();
}

void kivPersonalInfoDlg::HeadChanged(const QString& path) {
    ShowHead(path);
    m_shown.head = KivContactQueries::ByUid(m_uid).head;
    emit SndAlter({QString(), QString(), path});
}
