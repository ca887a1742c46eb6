#include "exchange/exchange.h"

#include "config/settings.h"
#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

#include <QFileInfo>
#include <QScopedValueRollback>

TExchange::TExchange(const _tlg_config& config, _tlg_status& status, TProtocol& protocol,
                     IClock& clock, QString iniPath, IExchangeHost* host)
    : config_(config),
      status_(status),
      protocol_(protocol),
      iniPath_(std::move(iniPath)),
      host_(host),
      clock_(clock, config, status, protocol, this),
      folders_(config, status, protocol, clock, this),
      store_(config, protocol, *this),
      queue_(*this, config, status, protocol),
      dialPolicy_(config) {}

bool TExchange::CheckFolders() {
    status_.FoldersReady = folders_.CheckFolders();
    return status_.FoldersReady;
}

void TExchange::StartWorkingDay() {
    const QString day = clock_.WorkingDayText();
    const bool sameDay = day == status_.DayText;
    // The last run may have stopped in the middle of a save, on its own day
    // or on today's.
    QStringList days{day};
    if (!sameDay && !status_.DayText.isEmpty())
        days.prepend(status_.DayText);
    if (!sameDay) {
        status_.NumberInput = status_.NumberOutput = 0;
        status_.EditNumber = status_.PrfNumber = status_.LineInputNumber = 0;
    }
    folders_.StartDay(day, clock_.WorkingTime().date());
    // A telegram it stopped while waiting for the trailer is completed now,
    // as the wait's end would have: counted, it must not stay where the
    // operator cannot see it.
    for (const QString& d : days) {
        store_.RecoverReadableFiles(InpDayFolder(d));
        store_.CompleteOpenTelegrams(InpDayFolder(d));
    }
    if (!sameDay)
        SaveCounters();
    clock_.UpdateExchangeClock();
    // The first connected tick asks the centre what became of it.
    if (queue_.RestoreHandOver(sameDay) && config_.ZZTimeOut >= 0)
        zzCountdown_ = 1;
}

bool TExchange::IsAutomatic() const {
    return status_.Automatic;
}

void TExchange::ShowStartMode() {
    if (host_)
        host_->ModeChanged(status_.Automatic);
}

void TExchange::SetMode(bool automatic) {
    if (status_.Automatic == automatic)
        return;
    status_.Automatic = automatic;
    if (host_)
        host_->ModeChanged(automatic);
    protocol_.AddMessage(QStringLiteral("РЕЖИМ:") +
                             (automatic ? QStringLiteral("АВТОМАТ") : QStringLiteral("РУЧНОЙ")),
                         kProtocolEvent);
    if (!automatic) {
        if (host_)
            host_->ShowToday();
        protocol_.SetFileName(status_.DayText + QStringLiteral(".prt"));
        if (host_)
            host_->DayStarted();
    }
}

void TExchange::Tick() {
    TickClock();
    TickDialPolicy();
    TickWork();
}

void TExchange::TickClock() {
    // A day started in the middle of a received telegram would file its
    // trailer under the new day.
    if (!receiving_)
        clock_.UpdateExchangeClock();
}

void TExchange::TickDialPolicy() {
    if (!config_.VpnUse)
        return;
    dialPolicy_.Tick(clock_.WorkingTime().toString(QStringLiteral("hh:mm")),
                     [this] { return queue_.HasWaitingFiles(); });
}

void TExchange::TickWork() {
    if (receiving_)
        return;
    CheckHandOver();
    {
        const QScopedValueRollback<bool> busy(receiving_, true);
        // Messages the pass limit left in the buffer go on here: a centre
        // that has sent its last block must not leave a telegram waiting
        // unsaved.
        for (int pass = 0; pass < kPassesPerChunk && !receiveBuffer_.isEmpty(); ++pass)
            if (!ExtractionPass())
                break;
        // Without the folders a telegram cannot be completed: its wait
        // stands still.
        if (status_.FoldersReady && notesCountdown_ > 0 && --notesCountdown_ == 0)
            FinishTelegram(pendingTrailer_);
    }
    // The exit countdown runs even while the folders are missing: an operator
    // must always be able to close the workstation.
    if (status_.CloseCountdown > 0 && --status_.CloseCountdown == 0) {
        if (host_)
            host_->CloseMainWindow();
        return;
    }
    if (!status_.FoldersReady)
        return;
    if (requestAge_ != 0)
        ++requestAge_;
    if (IsLineConnected()) {
        Kg0Timers();
        if (config_.ScanTimeout != 0)
            queue_.ScanOutput();
        return;
    }
    // The label keeps the last word of a lost channel; the state itself
    // starts again from none.
    if (channelState_ == StateRB)
        SetChannelState(LineLiteral(u"БА"));
    channelState_ = StateNone;
}

bool TExchange::StopForExit() {
    if (!IsLineConnected() || channelState_ != StateRB)
        return false;
    // A telegram still on its way to the line is taken back; a block of it
    // already in the socket's hands decides by itself whether it went whole.
    if (queue_.OnItsWay()) {
        line_->ClearSend();
        CheckHandOver();
    }
    // One the line has taken whole waits for the centre's verdict: the
    // centre is asked for it before it is stopped.
    if (queue_.AwaitsReport()) {
        zzCountdown_ = 0;
        SendServiceGroup(KG0);
    }
    SendServiceGroup(KG2);
    return true;
}

void TExchange::CompleteBeforeStop() {
    // A telegram still being taken apart, or one whose folder is away, is
    // left to the next start.
    if (receiving_ || notesCountdown_ <= 0 || !status_.FoldersReady)
        return;
    const QScopedValueRollback<bool> busy(receiving_, true);
    FinishTelegram(pendingTrailer_);
}

void TExchange::SettleExitWait() {
    if (!exitCutDeferred_ || queue_.AwaitsReport() || queue_.OnItsWay())
        return;
    exitCutDeferred_ = false;
    if (status_.CloseCountdown > 2)
        status_.CloseCountdown = 2;
}

void TExchange::SaveCounters() {
    // A first save makes the whole file, in the order a full save gives it.
    const QString error = settingsSaver_ && !QFileInfo::exists(iniPath_)
                              ? settingsSaver_()
                              : ::SaveCounters(iniPath_, status_);
    if (!error.isEmpty())
        protocol_.AddMessage(error, kProtocolError);
}

void TExchange::StartDay(const QString& dayText) {
    folders_.StartDay(dayText, clock_.WorkingTime().date());
}

void TExchange::CountersReset() {
    queue_.CountersRestarted();
    SaveCounters();
}

void TExchange::ShowFolderError(const QString& text) {
    if (host_)
        host_->ShowErrorBox(QStringLiteral("Error"), text);
}

void TExchange::FoldersUnavailable() {
    SetMode(false);
    if (IsLineConnected())
        SendServiceGroup(KG2);
}

void TExchange::DayPickersToToday() {
    if (host_)
        host_->ShowToday();
}

void TExchange::DayStarted() {
    if (host_)
        host_->DayStarted();
}

void TExchange::OnLineSent(const LineText& lastSent) {
    protocol_.SetPendingText(line_ ? line_->PeekSend() : LineText());
    protocol_.AddText(lastSent, kProtocolTransmitted);
    sentBytes_ += quint32(lastSent.size());
    if (host_)
        host_->LineActivity(false);
    CheckHandOver();
    ++activityCount_;
}

void TExchange::CheckHandOver() {
    const TOutgoingQueue::HandOver result = queue_.CheckHandOver();
    if (result == TOutgoingQueue::HandOver::Counted) {
        // The exit wait is shorter than any ZZ countdown: the centre is
        // asked at once, so that its report files the telegram before the
        // program goes.
        if (config_.ZZTimeOut == 0 || status_.CloseCountdown > 0) {
            zzCountdown_ = 0;
            SendServiceGroup(KG0);
        } else if (config_.ZZTimeOut > 0) {
            zzCountdown_ = config_.ZZTimeOut;
        }
    } else if (result == TOutgoingQueue::HandOver::Discarded) {
        SettleExitWait();
    }
}

void TExchange::LineStatusChanged(bool connected, const QString& statusLine) {
    if (!statusLine.isEmpty())
        protocol_.AddMessage(statusLine, kProtocolEvent);
    // A new connection has thrown away what was left of the old one's text.
    CheckHandOver();
    // A telegram the line took whole whose report the link took with it: the
    // first connected tick asks the centre what became of it.
    if (!connected && queue_.LinkLost() && config_.ZZTimeOut >= 0)
        zzCountdown_ = 1;
    // The partial text of the parser goes with the link; not while a chunk
    // is being taken apart, which may still be reading it.
    if (!connected && !receiving_)
        DropFront(receiveBuffer_.size());
}

void TExchange::SendToLine(const LineText& text) {
    AppendToLine(text);
}

SendPosition TExchange::AppendToLine(const LineText& text) {
    if (!line_)
        return 0;
    const SendPosition end = line_->AppendSend(text);
    idleCount_ = 0;
    protocol_.SetPendingText(line_->PeekSend());
    if (IProtocolView* view = protocol_.View())
        view->LastLineChanged();
    return end;
}

void TExchange::StoreFailed(const QString& path) {
    const QString text = QStringLiteral(" ОШИБКА СОХРАНЕНИЯ ТЛГ В ФАЙЛЕ ") + path;
    SetMode(false);
    SendServiceGroup(KG2);
    protocol_.AddMessage(text, kProtocolError);
    if (host_)
        host_->ShowErrorBox(QStringLiteral("Error"), text);
}

void TExchange::ReceivedFileChanged() {
    if (host_)
        host_->RefreshInListIfToday();
}

void TExchange::PrintStoredTelegram(const QStringList& lines) {
    if (host_)
        host_->PrintTelegram(lines);
}
