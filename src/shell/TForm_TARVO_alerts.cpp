// The main window's alerts: the category alert, the confirmation of
// category Р, the centre's messages, the lost-link alarm and the sounds.

#include "shell/TForm_TARVO.h"

#include "alerts/alertwindows.h"
#include "alerts/soundplayer.h"
#include "editor/TEditorPage.h"
#include "shell/headpanel.h"
#include "shell/trayimages.h"

#include <QComboBox>
#include <QPushButton>
#include <QSystemTrayIcon>

void TForm_TARVO::buildAlerts() {
    player_ = std::make_unique<TSoundPlayer>(programFolder_);
    sound_ = std::make_unique<TSoundProxy>();
    sound_->target = player_.get();
    alertContext_ = std::make_unique<TAlertContext>(TAlertContext{
        config_, protocol_, *sound_, [this](const LineText& text) { exchange_.SendToLine(text); },
        [this]() -> QString {
            const QComboBox* list = editorPage_->TntComboBox_OperatorList;
            return list->isHidden() ? QString() : list->currentText();
        },
        [this] { return status_.NumberInput; }, [this](const QString& text) { AlertRaised(text); },
        [this] { AlertDismissed(); }});
    Form_Info = new TForm_Info(*alertContext_, this);
    Form_RaketaConfirm = new TForm_RaketaConfirm(*alertContext_, this);
    Form_Message = new TForm_Message(*alertContext_, this);
    noConnectionAlarm_ = std::make_unique<TNoConnectionAlarm>(
        config_, *sound_, [this](bool shown) { head_->Button_StopSound->setVisible(shown); });
    connect(head_->Button_StopSound, &QPushButton::clicked, this,
            [this] { noConnectionAlarm_->StopSound(); });
}

void TForm_TARVO::SetSoundPlayer(ISoundPlayer* player) {
    sound_->target = player ? player : player_.get();
}

void TForm_TARVO::ShowCategoryAlert() {
    Form_Info->ShowAlert();
}

void TForm_TARVO::CloseCategoryAlert() {
    Form_Info->close();
}

void TForm_TARVO::OpenConfirmation(const LineText& message) {
    Form_RaketaConfirm->Open(message);
}

void TForm_TARVO::ShowOperatorMessage(const LineText& text) {
    Form_Message->ShowMessage(text);
}

void TForm_TARVO::Beep() {
    sound_->Beep();
}

void TForm_TARVO::PlaySound(const QString& file) {
    sound_->Play(file, false);
}

void TForm_TARVO::AlertRaised(const QString& text) {
    // An operator whose window is in the tray still has to learn of it.
    if (!isHidden() && !isMinimized())
        return;
    if (TrayIcon && QSystemTrayIcon::isSystemTrayAvailable()) {
        TrayIcon->showMessage(QStringLiteral("TARVO/COM"), text, QSystemTrayIcon::Warning);
        trayBlink_ = true;
    }
}

void TForm_TARVO::AlertDismissed() {
    if (!Form_Info->isVisible() && !Form_RaketaConfirm->isVisible() && !Form_Message->isVisible())
        trayBlink_ = false;
}

void TForm_TARVO::StopAlertSounds() {
    noConnectionAlarm_->StopSound();
    sound_->Stop();
}
