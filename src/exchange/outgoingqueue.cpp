// The outgoing queue: scanning the output folder, framing and handing a
// telegram to the line, and filing it by the centre's verdict.

#include "exchange/outgoingqueue.h"

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "exchange/matchpattern.h"
#include "exchange/telegramstore.h"
#include "protocol/protocol.h"
#include "util/codepages.h"
#include "util/fileops.h"
#include "util/linecode.h"
#include "util/telegramtext.h"
#include "util/wildcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TOutgoingQueue::TOutgoingQueue(TExchange& exchange, const _tlg_config& config, _tlg_status& status,
                               TProtocol& protocol)
    : exchange_(exchange), config_(config), status_(status), protocol_(protocol) {}

QString TOutgoingQueue::OutFolder() const {
    QString folder = config_.OutPath;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString TOutgoingQueue::OutDayFolder() const {
    return OutFolder() + status_.DayText + u'/';
}

void TOutgoingQueue::Log(const QString& text, int level) const {
    protocol_.AddMessage(text, level);
}

void TOutgoingQueue::SetScanCountdown(int seconds) {
    scanCountdown_ = seconds;
}

void TOutgoingQueue::ShortenScanCountdown() {
    if (scanCountdown_ > kScanAfterLinkWord)
        scanCountdown_ = kScanAfterLinkWord;
}

void TOutgoingQueue::RefreshQueueList() {
    if (IExchangeHost* host = exchange_.Host())
        host->RefreshQueueList();
}

bool TOutgoingQueue::MayScan() const {
    // Around midnight the numbering is about to change, and a telegram must
    // not go out under a number the centre is dropping; an unanswered
    // request would leave the verdict on it unclear; and nothing new starts
    // while the program waits to close.
    return !status_.CounterResetPending && !status_.NumberingHold && exchange_.RequestAge() == 0 &&
           status_.CloseCountdown == 0;
}

void TOutgoingQueue::ScanOutput() {
    if (IExchangeHost* host = exchange_.Host())
        host->ShowScanCountdown(scanCountdown_);
    if (scanCountdown_ > 0) {
        --scanCountdown_;
        return;
    }
    // The countdown stays at 0: the scan is tried again every second.
    if (!MayScan())
        return;
    ScanNow();
}

bool TOutgoingQueue::HasWaitingFiles() const {
    const QString root = OutFolder();
    return IsSending() ||
           !ListMatching(root, config_.SearchDayFormat + QLatin1String("q???.")).isEmpty() ||
           !ListMatching(root, config_.SearchDayFormat + QLatin1String("u???.")).isEmpty();
}

bool TOutgoingQueue::ScanNow() {
    const int old = queueCount_;
    queueCount_ = 0;
    bool started = ScanMask(config_.SearchDayFormat + QLatin1String("q???."));
    started = ScanMask(config_.SearchDayFormat + QLatin1String("u???.")) || started;
    scanCountdown_ = config_.ScanTimeout;
    if (IExchangeHost* host = exchange_.Host())
        host->ShowQueueCount(queueCount_);
    if (queueCount_ != old)
        Log(QStringLiteral("ОЧЕРЕДЬ НА ОТПРАВКУ: ") + QString::number(queueCount_), kProtocolEvent);
    RefreshQueueList();
    return started;
}

bool TOutgoingQueue::ScanMask(const QString& mask) {
    const QString root = OutFolder();
    bool started = false;
    for (const QString& name : ListMatching(root, mask)) {
        if (IsSending() || onItsWay_ || !exchange_.IsAutomatic() ||
            exchange_.ChannelState() != TExchange::StateRB) {
            ++queueCount_;
            continue;
        }
        const QString path = root + name;
        LineText text;
        switch (ReadTelegram(path, text)) {
            case ReadResult::Vanished:
                // Taken away (sent by hand, moved by its writer) since the
                // listing: there is nothing to send and nothing to set aside.
                break;
            case ReadResult::Accepted:
                ++queueCount_;
                sendingText_ = text;
                sendingFile_ = name;
                StartSending();
                started = true;
                break;
            case ReadResult::Rejected:
                ++queueCount_;
                SetAside(path);
                break;
        }
    }
    return started;
}

TOutgoingQueue::ReadResult TOutgoingQueue::ReadTelegram(const QString& path, LineText& text) const {
    // An open failure of a file that is not there any more is the file
    // having gone, not a file that cannot be read.
    auto failed = [&path] {
        return QFileInfo::exists(path) ? ReadResult::Rejected : ReadResult::Vanished;
    };
    if (config_.SaveTlgAnsi) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed();
        const QByteArray bytes = file.read(kReadLimit);
        if (file.error() != QFile::NoError)
            return ReadResult::Rejected;
        const qsizetype size = bytes.size();
        // A byte-order mark of UTF-16 says the file is not code page 1251.
        if (size == 0 || size >= kSizeLimit || uchar(bytes[0]) == 0xFF ||
            (size > 1 && uchar(bytes[1]) == 0xFE))
            return ReadResult::Rejected;
        text = Cp1251ToCp866(bytes);
        return ReadResult::Accepted;
    }
    const std::optional<QString> loaded = LoadTelegramText(path);
    if (!loaded)
        return failed();
    text = WideToLine(StringListText(*loaded));
    return text.isEmpty() || text.size() >= kSizeLimit ? ReadResult::Rejected
                                                       : ReadResult::Accepted;
}

void TOutgoingQueue::SetAside(const QString& path) {
    sendingText_.clear();
    Log(QStringLiteral("ОШИБКА ЧТЕНИЯ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: ") + path, kProtocolError);
    // A ".brd" of an earlier failure keeps its name; this one gets the next
    // free form, so the file does not come back to every scan.
    const QString target = TTelegramStore::MakeUnique(path + QLatin1String(".brd"));
    Log(QStringLiteral("ПЕРЕИМЕНОВАНИЕ: ") + path + QStringLiteral(" -> ") + target,
        kProtocolEvent);
    if (!RenameNoReplace(path, target))
        Log(QStringLiteral("ОШИБКА ПЕРЕИМЕНОВАНИЯ: ") + path + QStringLiteral(" -> ") + target,
            kProtocolEvent);
}

void TOutgoingQueue::StartSending() {
    uncertain_ = false;
    announced_ = false;
    const int number = (status_.NumberOutput + 1) % 1000;
    // "[" carries the number the frame carries, so 999 is followed by 0.
    sendingText_.replace('[', QByteArray::number(number));
    sendingText_.replace('{', status_.CurrentDateText.toLatin1());
    sendingText_.replace('}', status_.CurrentTimeText.toLatin1());
    Log(QStringLiteral("ОТПРАВКА ТЛГ ") + OutFolder() + sendingFile_, kProtocolEvent);

    static const LineText kStart = LineLiteral(u"ЗЦЗЦ ");
    static const LineText kEnd = LineLiteral(u"НННН  ");
    static const LineText kService = LineLiteral(u"ССС");
    service_ = sendingText_.startsWith(kService);
    LineText frame;
    if (service_) {
        // A service telegram carries no number; it is settled by the
        // centre's "ССС ПРИНЯТО" alone.
        frame = "\r\n" + kStart + sendingText_ + "\r\n" + kEnd + "\r\n";
        sendingText_.clear();
    } else {
        frame = "\r\n" + kStart + ThreeDigits(number) + ' ' + sendingText_ + "\r\n" + kEnd + "\r\n";
    }
    // Recorded before the line has any of it: a stop after the line has
    // taken it all but before this run has heard so must still leave the
    // next run a telegram to ask the centre about (or, for a service
    // telegram, to show the operator), never one to send again. Not counted
    // yet: the number is one past NumberOutput.
    status_.HandedOverFile = sendingFile_;
    status_.HandedOverNumber = service_ ? kServiceHandOver : number;
    exchange_.SaveCounters();
    // Whether it goes out whole is the line's to say (CheckHandOver).
    spanTo_ = exchange_.AppendToLine(frame);
    spanFrom_ = spanTo_ - quint64(frame.size());
    onItsWay_ = true;
}

TOutgoingQueue::HandOver TOutgoingQueue::CheckHandOver() {
    if (!onItsWay_)
        return HandOver::None;
    const ILineSink* line = exchange_.Line();
    const SendFate fate = line ? line->FateOf(spanFrom_, spanTo_) : SendFate::Discarded;
    if (fate == SendFate::Waiting)
        return HandOver::None;
    onItsWay_ = false;
    if (fate == SendFate::Discarded) {
        // Not counted: the file waits under its own name and goes out again,
        // with the same number, once the line is back.
        if (IsSending())
            Log(QStringLiteral("ПЕРЕДАЧА ТЛГ ПРЕРВАНА: ") + OutFolder() + sendingFile_,
                kProtocolEvent);
        sendingFile_.clear();
        sendingText_.clear();
        service_ = false;
        ForgetHandOver();
        RefreshQueueList();
        return HandOver::Discarded;
    }
    if (service_)
        return HandOver::Written;
    status_.NumberOutput = (status_.NumberOutput + 1) % 1000;
    // A file the centre already rejected while its text was still on the
    // way is counted all the same: the centre has it now.
    if (IsSending()) {
        status_.HandedOverFile = sendingFile_;
        status_.HandedOverNumber = status_.NumberOutput;
    }
    sendingText_.clear();
    // The record first: what the protocol says has gone out is never missing
    // from the settings file, whenever the program is stopped.
    exchange_.SaveCounters();
    Log(QStringLiteral("ТЛГ ПЕРЕДАНА В ЛИНИЮ "), kProtocolEvent);
    announced_ = true;
    exchange_.DialPolicy().Reload();
    return HandOver::Counted;
}

bool TOutgoingQueue::RestoreHandOver(bool sameDay) {
    const QString name = status_.HandedOverFile;
    if (name.isEmpty())
        return false;
    const int number = status_.HandedOverNumber;
    const QString path = OutFolder() + name;
    if (!QFileInfo::exists(path)) {
        // Filed or taken away by hand since: nothing is left to settle.
        ForgetHandOver();
        return false;
    }
    if (number == kServiceHandOver) {
        SetAsideUnconfirmed(path, QStringLiteral("СЛУЖЕБНАЯ ТЛГ "), QStringLiteral(".bSSS"));
        return false;
    }
    if (sameDay) {
        sendingFile_ = name;
        sendingText_.clear();
        service_ = false;
        onItsWay_ = false;
        announced_ = false;
        // Counted before the stop or not, the stop took the link down before
        // the centre's verdict: its next count tells whether it arrived.
        if (number == status_.NumberOutput)
            Doubt();
        uncertain_ = true;
        return true;
    }
    // The centre's counts of that day are gone: only the operator can tell
    // whether it arrived.
    SetAsideUnconfirmed(path, QStringLiteral("ТЛГ "),
                        QStringLiteral(".b") + QString::fromLatin1(ThreeDigits(number)));
    return false;
}

bool TOutgoingQueue::LinkLost() {
    if (!IsSending() || onItsWay_)
        return false;
    if (service_) {
        // Whether the centre took it, only its "ССС ПРИНЯТО" could say, and
        // that may have gone with the link; the queue must not wait for it
        // for ever.
        const QString path = OutFolder() + sendingFile_;
        sendingFile_.clear();
        service_ = false;
        SetAsideUnconfirmed(path, QStringLiteral("СЛУЖЕБНАЯ ТЛГ "), QStringLiteral(".bSSS"));
        return false;
    }
    // The report may still settle one whose count a counter reset has
    // moved since; only a telegram counted with the current count is taken
    // back.
    if (!uncertain_ && status_.HandedOverFile == sendingFile_ &&
        status_.HandedOverNumber == status_.NumberOutput)
        Doubt();
    return uncertain_;
}

void TOutgoingQueue::Doubt() {
    // The line took it, but the centre may not have: counted again only when
    // the centre's count says it arrived.
    status_.NumberOutput = (status_.HandedOverNumber + 999) % 1000;
    uncertain_ = true;
    exchange_.SaveCounters();
}

void TOutgoingQueue::SetAsideUnconfirmed(const QString& path, const QString& what,
                                         const QString& suffix) {
    Log(what + path + QStringLiteral(" ПЕРЕДАНА В ЛИНИЮ, НО НЕ ПОДТВЕРЖДЕНА ЦКС"), kProtocolError);
    const QString target = TTelegramStore::MakeUnique(path + suffix);
    Log(QStringLiteral("ПЕРЕИМЕНОВАНИЕ: ") + path + QStringLiteral(" -> ") + target,
        kProtocolEvent);
    if (!RenameNoReplace(path, target))
        Log(QStringLiteral("ОШИБКА ПЕРЕИМЕНОВАНИЯ: ") + path + QStringLiteral(" -> ") + target,
            kProtocolEvent);
    ForgetHandOver();
    RefreshQueueList();
}

void TOutgoingQueue::SettleUncertainHandOver(int centreCount) {
    if (!uncertain_ || !IsSending() || onItsWay_)
        return;
    uncertain_ = false;
    if (centreCount == status_.HandedOverNumber) {
        // The centre has it: counted now, filed by the report as usual.
        status_.NumberOutput = status_.HandedOverNumber;
        exchange_.SaveCounters();
        if (!announced_)
            Log(QStringLiteral("ТЛГ ПЕРЕДАНА В ЛИНИЮ "), kProtocolEvent);
        announced_ = true;
    } else if (centreCount == status_.NumberOutput) {
        // It never reached the centre: it waits and goes out again with the
        // same number.
        Log(QStringLiteral("ПЕРЕДАЧА ТЛГ ПРЕРВАНА: ") + OutFolder() + sendingFile_, kProtocolEvent);
        sendingFile_.clear();
        ForgetHandOver();
        RefreshQueueList();
    }
    // Any other count is a disagreement, settled as one.
}

void TOutgoingQueue::CountersRestarted() {
    if (!uncertain_ || !IsSending() || onItsWay_)
        return;
    const QString path = OutFolder() + sendingFile_;
    sendingFile_.clear();
    uncertain_ = false;
    SetAsideUnconfirmed(
        path, QStringLiteral("ТЛГ "),
        QStringLiteral(".b") + QString::fromLatin1(ThreeDigits(status_.HandedOverNumber)));
}

void TOutgoingQueue::ForgetHandOver() {
    if (status_.HandedOverFile.isEmpty())
        return;
    status_.HandedOverFile.clear();
    status_.HandedOverNumber = 0;
    exchange_.SaveCounters();
}

int TOutgoingQueue::FiledNumber() const {
    return status_.HandedOverFile.isEmpty() || status_.HandedOverNumber == kServiceHandOver
               ? status_.NumberOutput
               : status_.HandedOverNumber;
}

void TOutgoingQueue::FileSent(const QString& target, bool manualOnFailure) {
    const QString from = OutFolder() + sendingFile_;
    Log(QStringLiteral("ПЕРЕИМЕНОВАНИЕ: ") + from + QStringLiteral(" -> ") + target,
        kProtocolEvent);
    bool moved = RenameNoReplace(from, target);
    if (!moved) {
        // The day folder may have gone (cleanup, an operator): once more
        // with it made again.
        QDir().mkpath(OutDayFolder());
        moved = RenameNoReplace(from, target);
    }
    if (!moved) {
        Log(QStringLiteral("ОШИБКА ПЕРЕИМЕНОВАНИЯ: ") + from + QStringLiteral(" -> ") + target,
            kProtocolEvent);
        if (manualOnFailure)
            exchange_.SetMode(false);
        // Left without an extension the file would go out again by itself:
        // it takes its outcome name in the out root, where the queue page
        // shows it to the operator.
        const QString aside =
            TTelegramStore::MakeUnique(OutFolder() + QFileInfo(target).fileName());
        if (aside != target) {
            Log(QStringLiteral("ПЕРЕИМЕНОВАНИЕ: ") + from + QStringLiteral(" -> ") + aside,
                kProtocolEvent);
            if (!RenameNoReplace(from, aside))
                Log(QStringLiteral("ОШИБКА ПЕРЕИМЕНОВАНИЯ: ") + from + QStringLiteral(" -> ") +
                        aside,
                    kProtocolEvent);
        }
    }
    sendingFile_.clear();
    service_ = false;
    uncertain_ = false;
    announced_ = false;
    ForgetHandOver();
    if (IExchangeHost* host = exchange_.Host())
        host->RefreshOutListIfToday();
    RefreshQueueList();
}

void TOutgoingQueue::ConfirmSent() {
    if (!IsSending())
        return;
    FileSent(OutDayFolder() + sendingFile_ + u'.' + QString::fromLatin1(ThreeDigits(FiledNumber())),
             true);
    // Without a wait for КГ0 the next telegram follows at once.
    if (config_.ZZTimeOut == 0 && config_.ScanTimeout != 0 && exchange_.IsLineConnected() &&
        MayScan())
        ScanNow();
}

void TOutgoingQueue::RejectSent() {
    if (!IsSending())
        return;
    FileSent(OutDayFolder() + sendingFile_ + QStringLiteral(".b") +
                 QString::fromLatin1(ThreeDigits(FiledNumber())),
             false);
}

void TOutgoingQueue::ServiceAccepted() {
    if (!IsSending())
        return;
    FileSent(OutDayFolder() + sendingFile_ + QStringLiteral(".SSS"), true);
}

void TOutgoingQueue::DistortedSent(const LineText& message) {
    if (!IsSending())
        return;
    int distorted = 0;
    int yours = 0;
    int found = MatchPattern(LineLiteral(u"ИСКАЖЕНИЕ %d ВАШ %d"), message, &distorted, &yours);
    if (found == 2) {
        // The centre's count of our telegrams is the one that holds.
        status_.NumberOutput = ((yours % 1000) + 1000) % 1000;
        exchange_.SaveCounters();
    }
    if (found == 0)
        found = MatchPattern(LineLiteral(u"ИСКАЖЕНИЯ %d"), message, &distorted);
    QString suffix = QStringLiteral(".brk");
    if (found > 0)
        suffix = QStringLiteral(".b%1").arg(distorted, 2, 10, QLatin1Char('0'));
    FileSent(TTelegramStore::MakeUnique(OutFolder() + sendingFile_ + suffix), false);
}
