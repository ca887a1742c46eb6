#include "exchangesupport.h"

#include <QDir>
#include <QDirIterator>

#include <stdexcept>

void RecordingHost::ShowErrorBox(const QString& caption, const QString& text) {
    boxes << text;
    calls << "ShowErrorBox " + caption + " " + text;
}

void RecordingHost::ModeChanged(bool automatic) {
    modes << automatic;
}

void RecordingHost::ShowCategoryAlert() {
    if (alertFails)
        throw std::runtime_error("no alert window");
    calls << "ShowCategoryAlert";
}

void RecordingHost::ShowChannelState(const QString& code) {
    calls << "ShowChannelState " + code;
}

void RecordingHost::EnableServiceButtons(std::optional<bool> kg1, std::optional<bool> kg2,
                                         std::optional<bool> kg4) {
    auto text = [](std::optional<bool> b) { return !b ? QString("-") : *b ? "1" : "0"; };
    calls << "EnableServiceButtons " + text(kg1) + text(kg2) + text(kg4);
}

void RecordingHost::OpenConfirmation(const LineText& message) {
    calls << "OpenConfirmation " + LineToWide(message);
}

void RecordingHost::ShowOperatorMessage(const LineText& text) {
    calls << "ShowOperatorMessage " + LineToWide(text);
}

void RecordingHost::PrintTelegram(const QStringList& lines) {
    printed << lines;
    calls << "PrintTelegram";
}

void RecordingHost::PrintCentreMessage(const LineText& text) {
    calls << "PrintCentreMessage " + LineToWide(text);
}

QStringList RecordingHost::Calls(const QString& prefix) const {
    QStringList out;
    for (const QString& call : calls)
        if (call.startsWith(prefix))
            out << call;
    return out;
}

BareExchangeFixture::BareExchangeFixture() {
    protocol.SetFileName("0130.prt");
    exchange.SetLine(&line);
    status.Automatic = true;
}

ExchangeFixture::ExchangeFixture() {
    status.FoldersReady = exchange.CheckFolders();
    exchange.StartWorkingDay();
    host.calls.clear();
}

void ExchangeFixture::Receive(const LineText& stream) {
    exchange.OnLineReceive(stream);
    CatchUp();
}

void ExchangeFixture::CatchUp() {
    for (int i = 0; i < 1000; ++i) {
        const LineText before = exchange.ReceiveBuffer();
        const int notes = exchange.NotesCountdown();
        exchange.OnLineReceive(LineText());
        if (exchange.ReceiveBuffer() == before && exchange.NotesCountdown() == notes)
            return;
    }
    ADD_FAILURE() << "the extraction never settles";
}

void ExchangeFixture::RunOutNotes() {
    for (int i = 0; i < 1000 && exchange.NotesCountdown() > 0; ++i)
        exchange.Tick();
}

QMap<QString, QByteArray> FilesBelow(const QString& folder) {
    QMap<QString, QByteArray> files;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(root.relativeFilePath(path), ReadFileBytes(path));
    }
    return files;
}

QMap<QString, QByteArray> ExchangeFixture::InpFiles() const {
    return FilesBelow(home.file("inp"));
}

QByteArray ExchangeFixture::DayFile(const QString& name) const {
    return ReadFileBytes(home.file("inp/0130/" + name));
}
