// The settings dialog behind the access code: what the dialog is filled
// with, and what follows "Сохранить".

#include "shell/TForm_TARVO.h"

#include "alerts/soundplayer.h"
#include "config/settings.h"
#include "editor/TEditorPage.h"
#include "editor/TForm_Forward.h"
#include "line/tlgclient.h"
#include "line/vpncontrol.h"
#include "print/rawprint.h"
#include "protocol/TPrtWindow.h"
#include "protocol/TProtocolPage.h"
#include "protocol/protocol.h"
#include "shell/TForm_Access.h"
#include "shell/TForm_Options.h"
#include "shell/autorun.h"
#include "shell/headpanel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>

namespace {

// The raw printer devices there are, and the CUPS queues.
QStringList RawPrinterDevices() {
    QStringList devices;
    for (const char* folder : {"/dev/usb", "/dev"}) {
        const QDir dir(QString::fromLatin1(folder));
        for (const QString& name :
             dir.entryList({QStringLiteral("lp[0-9]*")}, QDir::System | QDir::Files, QDir::Name))
            devices << dir.filePath(name);
    }
    for (const QString& queue : QPrinterInfo::availablePrinterNames())
        devices << QStringLiteral("cups:") + queue;
    return devices;
}

// What sends the line on another way when it changes.
bool LinkChanged(const _tlg_config& old, const _tlg_config& now) {
    if (old.Tcp != now.Tcp || old.Host != now.Host || old.Port != now.Port ||
        old.Host2 != now.Host2 || old.Port2 != now.Port2)
        return true;
    if (!old.Tcp && old.Com != now.Com)
        return true;
    if (old.Baud != now.Baud || old.PerfEnable != now.PerfEnable || old.PerfBaud != now.PerfBaud)
        return true;
    if (now.PerfEnable && (old.PerfCom != now.PerfCom || old.PerfNoBlock != now.PerfNoBlock))
        return true;
    return old.VpnUse != now.VpnUse;
}

bool VpnChanged(const _tlg_config& old, const _tlg_config& now) {
    return old.VpnUse != now.VpnUse || old.VpnName != now.VpnName ||
           old.VpnLogin != now.VpnLogin || old.VpnPassword != now.VpnPassword ||
           old.VpnNoDisturb != now.VpnNoDisturb;
}

}  // namespace

void TForm_TARVO::buildOptions() {
    Form_Options = new TForm_Options(this);
    Form_Options->SetProgramFolder(programFolder_);
    Form_Options->SetSoundPlayer(sound_.get());
    Form_Access = new TForm_Access(this);
    portEnumerator_ = SystemPorts;
}

bool TForm_TARVO::AskAccessCode() {
    if (config_.AccessCode.isEmpty())
        return true;
    Form_Access->Edit_AccessCode->setText(QStringLiteral("0"));
    for (;;) {
        Form_Access->Edit_AccessCode->setFocus();
        if (Form_Access->exec() != QDialog::Accepted || finished_)
            return false;
        if (Form_Access->Edit_AccessCode->text() == config_.AccessCode)
            return true;
    }
}

void TForm_TARVO::MenuOptionsClick() {
    if (!AskAccessCode())
        return;
    protocol_.AddMessage(QStringLiteral("ОТКРЫТО ОКНО НАСТРОЕК"), kProtocolEvent);
    bool linkChanged = false;

    editorPage_->StoreControls(records_.controls);
    const _tlg_controls& controls = records_.controls;
    const QString operatorOnDuty =
        controls.OperatorIndex >= 0 && controls.OperatorIndex < controls.OperatorItems.size()
            ? controls.OperatorItems[controls.OperatorIndex]
            : QString();
    TForm_Options::Choices choices;
    choices.ports = ListPorts(portEnumerator_);
    choices.rawPrinters = RawPrinterDevices();
    choices.pagePrinters = QPrinterInfo::availablePrinterNames();
    CVPNControl().ListEntries(choices.vpnEntries);
    Form_Options->Fill(config_, controls, choices);

    if (Form_Options->exec() == QDialog::Accepted && !finished_)
        linkChanged = SaveOptions(operatorOnDuty);
    if (finished_)
        return;

    exchange_.CheckFolders();
    if (!status_.FoldersReady)
        exchange_.SendServiceGroup(TExchange::KG2);
    protocolPage_->PrtWindow->update();
    if (linkChanged)
        ConfigureLinks();
}

bool TForm_TARVO::SaveOptions(const QString& operatorOnDuty) {
    _tlg_config now = config_;
    _tlg_controls controls = records_.controls;
    Form_Options->Store(now, controls);
    const bool linkChanged = LinkChanged(config_, now);
    const bool vpnChanged = VpnChanged(config_, now);
    const bool autorunChanged = now.AutoRun != config_.AutoRun;
    config_ = now;

    // The dial-up connection: a change reaches the line thread, which starts
    // its cycle again, so only a real change is handed over.
    if (vpnChanged)
        line_->SetVpn(config_.VpnUse, config_.VpnName, config_.VpnLogin, config_.VpnPassword,
                      config_.VpnNoDisturb);
    head_->Button_Dial->setVisible(config_.VpnUse && config_.Tcp);
    if (config_.VpnUse && line_->IsDialEnabled() != !config_.VpnUseTimeTable)
        line_->SetDialEnabled(!config_.VpnUseTimeTable);

    if (exchange_.CheckFolders()) {
        protocol_.SetFolder(config_.PrtPath);
        exchange_.Folders().MakeDayFolders();
    }
    if (autorunChanged)
        SetAutorun(config_.AutoRun, options_, programFolder_,
                   QCoreApplication::applicationFilePath());

    records_.controls.ScreenFont = controls.ScreenFont;
    records_.controls.WindowsPrinterFont = controls.WindowsPrinterFont;
    ApplyScreenFont();
    if (config_.LoadFont)
        LoadPrinterFont(config_.LoadFontFileName, config_.PrinterFont);

    // The editor's and the forwarding dialog's categories, the first one
    // chosen; the operators, the one on duty chosen again while still there.
    _tlg_controls& editor = records_.controls;
    editorPage_->StoreControls(editor);
    editor.Categories = controls.Categories;
    editor.CategoryIndex = editor.Categories.isEmpty() ? -1 : 0;
    editor.OperatorItems = controls.OperatorItems;
    editor.OperatorIndex = int(editor.OperatorItems.indexOf(operatorOnDuty));
    editor.OperatorListVisible = config_.UseOperatorList;
    editorPage_->ApplyControls(editor);
    Form_Forward->SetCategories(editor.Categories);

    RememberGeometry();
    const QString error = SaveSettings(options_.IniPath, config_, status_, records_.controls);
    if (!error.isEmpty()) {
        protocol_.AddMessage(error, kProtocolError);
        ShowErrorBox(QStringLiteral("Error"), error);
        return linkChanged;
    }
    protocol_.AddMessage(QStringLiteral("НАСТРОЙКИ СОХРАНЕНЫ"), kProtocolEvent);
    return linkChanged;
}
