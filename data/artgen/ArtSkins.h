#pragma once

class ArtCatalog;

// One function per picture folder of the data tree; each adds the pictures
// of its folder to the catalog.
void addRootSkin(ArtCatalog& catalog);           // Resources/skin and Resources/skin/common
void addMainDlgSkin(ArtCatalog& catalog);        // kivimmaindlg
void addLoginDlgSkin(ArtCatalog& catalog);       // kivLoginDlg
void addMessageBoxSkin(ArtCatalog& catalog);     // kivMessageBox
void addChatMsgBoxSkin(ArtCatalog& catalog);     // kivchatmsgbox
void addMediaCueSkin(ArtCatalog& catalog);       // ImMediaCueDlg
void addChatDlgSkin(ArtCatalog& catalog);        // kivIMChatDlg
void addFaceDlgSkin(ArtCatalog& catalog);        // CKivIMfaceDlg
void addChatRecordSkin(ArtCatalog& catalog);     // CKivImChatRecordDlg
void addAddFriendSkin(ArtCatalog& catalog);      // CKivIMAddFriendDlg
void addAddFriendTipSkin(ArtCatalog& catalog);   // KivIMAddFriendTipDlg
void addHistorySearchSkin(ArtCatalog& catalog);  // kivHistorySearch
void addCheckFriendSkin(ArtCatalog& catalog);    // kivCheckFriendDlg
void addChoiceHeadSkin(ArtCatalog& catalog);     // kivChoiceHeaddlg
void addPersonalInfoSkin(ArtCatalog& catalog);   // kivPersonalInfoDlg
void addSysSettingSkin(ArtCatalog& catalog);     // CKivFriendSysSettingDlg
void addRegisterSkin(ArtCatalog& catalog);       // kivRegisterDlg
void addRecoverSkin(ArtCatalog& catalog);        // kivRecoverPassWdDlg
void addPlayDlgSkin(ArtCatalog& catalog);        // kivimplaydlg
void addHeadPictures(ArtCatalog& catalog);       // image/head
void addFacePictures(ArtCatalog& catalog);       // image/face
void addGiftPictures(ArtCatalog& catalog);       // image/gift
