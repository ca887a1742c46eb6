#include "tape/tapewindows.h"

#include "tape/TForm_PerforatorIn.h"
#include "tape/TForm_PerforatorOut.h"
#include "tape/TForm_PerforatorUseSelect.h"

TTapeWindows::TTapeWindows(IPerforator& perforator, TProtocol& protocol, QWidget* parent)
    : out_(new TForm_PerforatorOut(perforator, protocol, parent)),
      in_(new TForm_PerforatorIn(perforator, protocol, parent)),
      select_(new TForm_PerforatorUseSelect(parent)) {}

TTapeWindows::~TTapeWindows() {
    delete out_.data();
    delete in_.data();
    delete select_.data();
}

TForm_PerforatorOut* TTapeWindows::OutWindow() const {
    return out_;
}

TForm_PerforatorIn* TTapeWindows::InWindow() const {
    return in_;
}

TForm_PerforatorUseSelect* TTapeWindows::UseSelectDialog() const {
    return select_;
}

void TTapeWindows::ShowForPunch(const LineText& text) {
    if (out_)
        out_->ShowForPunch(text);
}

void TTapeWindows::ShowForPunchWide(const QString& text) {
    if (out_)
        out_->ShowForPunchWide(text);
}

TapeReadResult TTapeWindows::ReadTape() {
    if (!in_)
        return {};
    const bool accepted = in_->exec() == QDialog::Accepted;
    // The window may have gone with its parent while it ran.
    if (!in_)
        return {};
    return {accepted, in_->TapeText()};
}

TapeDirection TTapeWindows::ChooseTapeDirection() {
    if (!select_ || select_->exec() != QDialog::Accepted || !select_)
        return TapeDirection::Cancel;
    return select_->ReadChosen() ? TapeDirection::Read : TapeDirection::Write;
}

void TTapeWindows::StatusChanged() {
    if (out_)
        out_->PerforatorStatusChanged();
    if (in_)
        in_->PerforatorStatusChanged();
}

void TTapeWindows::Sent() {
    if (out_)
        out_->PerforatorSent();
}

void TTapeWindows::Received(const LineText& text) {
    if (in_)
        in_->PerforatorReceived(text);
}

void TTapeWindows::TapeEnd() {
    if (in_)
        in_->PerforatorTapeEnd();
}
