// What each received message sets off: a telegram is stored and counted, a
// centre message changes the channel, the counters or the queue.

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "exchange/matchpattern.h"
#include "exchange/receiveparser.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

namespace {

// Room of the C buffer the header and the centre's words are read from.
constexpr int kHeadCapacity = 128;

bool isWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool startsWithNumber(QByteArrayView h) {
    return h.size() >= 4 && LeadingDigitCount(LeftView(h, 3)) == 3 && isWhite(h[3]);
}

// The name of a received telegram: "q" or "u", three characters, the number.
QString telegramName(char prefix, QByteArrayView three, int number) {
    return QLatin1Char(prefix) + QString::fromLatin1(three.data(), int(three.size())) + u'.' +
           QString::fromLatin1(ThreeDigits(number));
}

QString unreadableName(int number) {
    return QStringLiteral("u.") + QString::fromLatin1(ThreeDigits(number));
}

// Categories starting with П or Б are filed under "u".
char prefixOf(QByteArrayView category) {
    static const LineText kP = LineLiteral(u"П");
    static const LineText kB = LineLiteral(u"Б");
    return !category.isEmpty() && (category[0] == kP[0] || category[0] == kB[0]) ? 'u' : 'q';
}

struct THeader {
    LineText category;
    QString name;
    bool counted = false;
    bool groupsDiffer = false;  // form 3 with different groups around "="
};

// Matches the header (after the number and its space) against the centre's
// header forms in order; the first that matches well enough names the file.
THeader readHeader(QByteArrayView rest, int number, const _tlg_config& config) {
    THeader header;
    const TCentreHeader h = MatchCentreHeader(rest);
    header.category = h.category;
    if (h.form != 0) {
        const char prefix = prefixOf(h.category);
        header.name = h.form == 2 ? telegramName(prefix, h.groupB, number)
                      : h.form == 1 || h.conversions == 6
                          ? telegramName(prefix, MidView(h.six, 3, 3), number)
                          : telegramName(prefix, "000", number);
        header.counted = true;
        header.groupsDiffer = h.form == 3 && h.groupA != h.groupB;
        return header;
    }
    // An unreadable header still has its category.
    int a = 0;
    int b = 0;
    int c = 0;
    if (config.Ccm == 1 && MatchPattern("%08d %06d/%06d", rest, &a, &b, &c) == 3) {
        header.name = unreadableName(number);
        header.counted = true;
        return header;
    }
    header.name = unreadableName(number);
    header.counted = config.ServicePlace;
    return header;
}

}  // namespace

QString TExchange::InpDayFolder(const QString& day) const {
    QString folder = config_.InpPath;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + day;
}

QString TExchange::InpDayPath(const QString& name) const {
    return InpDayFolder(status_.DayText) + u'/' + status_.DayText + name;
}

void TExchange::HandleTelegram(const LineText& body) {
    // A telegram that is not stored has nothing to complete.
    currentTelegramBase_.clear();
    const LineText h = StripRegisterMarks(body, kHeadCapacity);
    if (body.size() <= 5 || !startsWithNumber(h)) {
        SendServiceGroup(KG2);
        return;
    }
    const int number = h.left(3).toInt();
    const THeader header = readHeader(MidView(h, 4), number, config_);
    if (header.groupsDiffer)
        SendServiceGroup(KG2);

    currentTelegramBase_ = store_.WorkingBase(InpDayPath(header.name));
    const QString working = currentTelegramBase_ + QLatin1String(".rcv");
    if (!header.counted) {
        store_.SaveTelegram(working, body, false);
        SendServiceGroup(KG2);
        return;
    }

    static const LineText kK = LineLiteral(u"К");
    const bool correct = config_.CorrectInputTlg && !header.category.contains(kK);
    // The save is on disk before the number is counted.
    const bool saved = store_.SaveTelegram(working, body, correct);
    if (!saved || (status_.NumberInput + 1) % 1000 != number) {
        SendServiceGroup(KG2);
        return;
    }
    status_.NumberInput = (status_.NumberInput + 1) % 1000;
    SaveCounters();
    dialPolicy_.Reload();
    centreCountOurs_ = number;
    if (config_.ReSendEnable && host_)
        host_->ForwardTelegram(config_.ReSendHeader + QLatin1String("\r\n") + LineToWide(body));
    ArrivalSignal(header.category);
}

void TExchange::ArrivalSignal(const LineText& category) {
    bool alert = false;
    for (const LineText& entry : config_.SoundCategories)
        if (!entry.isEmpty() && category.contains(entry))
            alert = true;
    if (!host_)
        return;
    if (alert) {
        host_->ShowCategoryAlert();
        return;
    }
    if (config_.OType == 1)
        host_->Beep();
    else if (config_.OType == 2)
        host_->PlaySound(config_.OFile);
}

void TExchange::HandleCentreMessage(const LineText& body) {
    // Nothing a centre message sets off may stop the stream: whatever goes
    // wrong is shown and logged, and the next message is handled as usual.
    try {
        DispatchCentreMessage(body);
    } catch (...) {
        if (host_)
            host_->ShowErrorBox(QStringLiteral("Error"), LineToWide(body));
        protocol_.AddText(LineLiteral(u"ОШИБКА:") + body, kProtocolError);
    }
    // A verdict on the telegram sent may end a wait to close.
    SettleExitWait();
}

void TExchange::DispatchCentreMessage(const LineText& body) {
    static const LineText kReceiptRequest = LineLiteral(u"ЗАПРОСИТЕ КВИТАНЦИЮ");
    static const LineText kNumberingAhead = LineLiteral(u"ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В ");
    static const LineText kReport = LineLiteral(u"ВАШ ");
    static const LineText kReportForm = LineLiteral(u"%3d НАШ %3d ПОСЛЕДНИЕ %s %s");
    static const LineText kOpenPlease = LineLiteral(u"ОТКРОЙТЕ СВЯЗЬ");
    static const LineText kLink = LineLiteral(u"СВЯЗЬ ");
    static const LineText kWaiting = LineLiteral(u"ЖДУ ");
    static const LineText kOfLink = LineLiteral(u"СВЯЗИ");
    static const LineText kOpening = LineLiteral(u"ОТКРЫТИЯ");
    static const LineText kChange = LineLiteral(u"СМЕНА ");
    static const LineText kChangeForm = LineLiteral(u"НУМЕРАЦИИ ПРИН %04d ПЕР %04d %s %s");
    static const LineText kAskCentre = LineLiteral(u"ОБРАЩАЙТЕСЬ В КСС ЗА ");
    static const LineText kRepeatDone = LineLiteral(u"ПОВТОР ОКОНЧЕН");
    static const LineText kDistortion = LineLiteral(u"ИСКАЖЕНИ");
    static const LineText kCategory = LineLiteral(u"ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ");
    static const LineText kConfirmR = LineLiteral(u"ПОДТВЕРДИТЕ ПРИЕМ Р ");
    static const LineText kTelegram = LineLiteral(u"ТЕЛЕГРАММА ");
    static const LineText kService = LineLiteral(u"ССС ");
    static const LineText kAccepted = LineLiteral(u"ПРИНЯТО");

    const LineText t = StripRegisterMarks(body, kHeadCapacity);
    auto rest = [&t](const LineText& head) { return MidView(t, head.size()); };
    const bool closing = status_.CloseCountdown != 0;

    if (t.startsWith(kReceiptRequest)) {
        SendServiceGroup(KG0);
        if (t.startsWith(kNumberingAhead))
            status_.NumberingHold = true;
    } else if (t.startsWith(kReport)) {
        TCounterReport report;
        report.fields = MatchPattern(kReportForm, rest(kReport), &report.yours, &report.ours,
                                     &report.word1, &report.word2);
        HandleCounterReport(report);
    } else if (t.startsWith(kOpenPlease)) {
        if (IsAutomatic()) {
            if (!closing)
                SendServiceGroup(KG0);
        } else if (channelState_ == StateRB) {
            SetChannelState(LineLiteral(u"БА"));
        }
    } else if (t.startsWith(kLink)) {
        LineText word;
        if (MatchPattern("%s", rest(kLink), &word) == 1)
            SetChannelState(word);
        requestAge_ = 0;
        queue_.ShortenScanCountdown();
    } else if (t.startsWith(kWaiting)) {
        LineText first;
        LineText second;
        if (MatchPattern("%s %s", rest(kWaiting), &first, &second) == 2 && second == kOfLink) {
            SetChannelState(first);
            if (first == kOpening && !closing)
                SendServiceGroup(KG0);
        }
    } else if (t.startsWith(kChange)) {
        TNumberingChange change;
        change.fields = MatchPattern(kChangeForm, rest(kChange), &change.received, &change.sent,
                                     &change.word1, &change.word2);
        HandleNumberingChange(change);
    } else if (t.startsWith(kAskCentre)) {
        int expected = 0;
        int centre = 0;
        if (MatchPattern("%03d-%03d", rest(kAskCentre), &expected, &centre) == 2 &&
            expected == status_.NumberInput + 1) {
            protocol_.AddMessage(QStringLiteral("Корректировка счетчиков ") +
                                     QString::number(status_.NumberInput) + QStringLiteral("=>") +
                                     QString::number(centre),
                                 kProtocolEvent);
            status_.NumberInput = centre;
            SaveCounters();
        }
        if (host_)
            host_->ShowOperatorMessage(body);
    } else if (t.startsWith(kRepeatDone)) {
        // The centre has finished repeating: nothing to do.
    } else if (t.startsWith(kDistortion)) {
        if (channelState_ == StateRB) {
            SetMode(false);
            SetChannelState(LineLiteral(u"БА"));
            queue_.DistortedSent(t);
        }
    } else if (t.startsWith(kCategory)) {
        if (host_)
            host_->ShowCategoryAlert();
    } else if (t.startsWith(kConfirmR)) {
        SetChannelState(LineLiteral(u"БР"));
        if (host_) {
            host_->CloseCategoryAlert();
            host_->OpenConfirmation(t);
        }
    } else if (t.startsWith(kTelegram)) {
        SetMode(false);
        SetChannelState(LineLiteral(u"БА"));
    } else if (t.startsWith(kService)) {
        LineText digits;
        if (rest(kService).startsWith(kAccepted))
            queue_.ServiceAccepted();
        else if (MatchPattern("%06D", rest(kService), &digits) == 1)
            store_.SaveTelegram(
                InpDayPath(QLatin1Char('c') + QString::fromLatin1(MidView(digits, 3, 3).data(), 3) +
                           QLatin1String(".SSS")),
                body, false);
        else
            SendServiceGroup(KG2);
    }
}
