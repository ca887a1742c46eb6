#include "centre.h"

#include "exchange/matchpattern.h"
#include "util/linecode.h"
#include "util/textutil.h"

#include <QDir>
#include <QFile>

namespace {

LineText L(std::u16string_view text) {
    return LineLiteral(text);
}

LineText Digits(int value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}

int Mod1000(int value) {
    return ((value % 1000) + 1000) % 1000;
}

bool IsWhite(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// What the events show of a text: readable, with line ends visible, cut short.
QString Shown(const LineText& text, int limit = 120) {
    QString shown = LineToWide(text.left(limit));
    shown.replace(QLatin1String("\r\n"), QLatin1String("<>"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('<'));
    shown.replace(QLatin1Char('\n'), QLatin1Char('>'));
    if (text.size() > limit)
        shown += QStringLiteral("...");
    return shown;
}

LineText TrimmedLineEnds(LineText text) {
    while (text.endsWith('\r') || text.endsWith('\n'))
        text.chop(1);
    return text;
}

}  // namespace

TCentre::TCentre(IClock& clock, ICentreLine& line) : clock_(clock), line_(line) {
    day_ = clock_.LocalTime().date();
}

void TCentre::AddListener(Listener listener) {
    listeners_.push_back(std::move(listener));
}

void TCentre::Event(const QString& text) const {
    for (const Listener& listener : listeners_)
        listener(text);
}

void TCentre::SetCcm(int ccm) {
    ccm_ = qBound(0, ccm, 2);
}

bool TCentre::SetTextFolder(const QString& path, QString* error) {
    const QDir dir(path);
    const QStringList names = dir.entryList(QDir::Files | QDir::Readable, QDir::Name);
    if (!dir.exists() || names.isEmpty()) {
        if (error)
            *error = QStringLiteral("no telegram texts in ") + path;
        return false;
    }
    texts_.clear();
    for (const QString& name : names)
        texts_.append(dir.filePath(name));
    nextText_ = 0;
    return true;
}

void TCentre::SetCounters(int accepted, int sent) {
    accepted_ = Mod1000(accepted);
    sent_ = Mod1000(sent);
    Event(QStringLiteral("COUNTERS accepted %1 sent %2")
              .arg(QString::fromLatin1(ThreeDigits(accepted_)),
                   QString::fromLatin1(ThreeDigits(sent_))));
}

// ----------------------------------------------------------------- states

QString TCentre::StateCode(TChannelState state) {
    switch (state) {
        case TChannelState::Closed:
            return QStringLiteral("БД");
        case TChannelState::Open:
            return QStringLiteral("РБ");
        case TChannelState::Stopped:
            return QStringLiteral("БА");
        case TChannelState::Schedule:
            return QStringLiteral("БВ");
        case TChannelState::Confirm:
            return QStringLiteral("БР");
    }
    return QString();
}

QString TCentre::StateWord(TChannelState state) {
    switch (state) {
        case TChannelState::Closed:
            return QStringLiteral("ЗАКРЫТА");
        case TChannelState::Open:
            return QStringLiteral("ОТКРЫТА");
        default:
            return StateCode(state);
    }
}

bool TCentre::StateOfWord(const QString& word, TChannelState& state) {
    const QString w = word.toUpper();
    if (w == QStringLiteral("РБ") || w == QStringLiteral("ОТКРЫТА"))
        state = TChannelState::Open;
    else if (w == QStringLiteral("БА") || w == QStringLiteral("ОТКРОЙТЕ") ||
             w == QStringLiteral("ОТКРЫТИЯ"))
        state = TChannelState::Stopped;
    else if (w == QStringLiteral("БД") || w == QStringLiteral("ЗАКРЫТА"))
        state = TChannelState::Closed;
    else if (w == QStringLiteral("БВ"))
        state = TChannelState::Schedule;
    else if (w == QStringLiteral("БР"))
        state = TChannelState::Confirm;
    else
        return false;
    return true;
}

void TCentre::SetState(TChannelState state) {
    if (state == state_)
        return;
    state_ = state;
    Event(QStringLiteral("STATE ") + StateCode(state));
}

bool TCentre::Ready() const {
    return line_.IsConnected() && state_ == TChannelState::Open && !hold_;
}

// ---------------------------------------------------------------- framing

LineText TCentre::ClockStamp() const {
    if (!clockStamps_)
        return LineText();
    const QTime now = clock_.LocalTime().time();
    const QString format = ccm_ == 1 ? QStringLiteral("hh.mm") : QStringLiteral("hhmm");
    return '#' + now.toString(format).toLatin1();
}

LineText TCentre::MessageFrame(const LineText& text) const {
    return L(u"ЗЦЗЦ ") + text + L(u" НННН  ") + ClockStamp() + "\r\n";
}

LineText TCentre::Trailer(int number) const {
    const QDateTime now = clock_.LocalTime();
    return now.toString(QStringLiteral("MMdd hh.mm ")).toLatin1() + Digits(number, 4);
}

LineText TCentre::Receipt(int number) const {
    const QDateTime now = clock_.LocalTime();
    const LineText when =
        ThreeDigits(number) + ' ' + now.toString(QStringLiteral("MMdd hh.mm")).toLatin1();
    if (ccm_ == 0) {
        const LineText dashes(13, '-');
        return dashes + "\r\n" + L(u"Р А С П И С К А") + "\r\n" + when + "\r\n" + dashes;
    }
    return L(u"РАСПИСКА ") + when + (ccm_ == 1 ? L(u".....|МИН") : L(u".....МИН"));
}

LineText TCentre::TelegramFrame(int number, const LineText& text) const {
    LineText frame = L(u"ЗЦЗЦ ");
    if (ccm_ == 1)
        frame += '#';
    frame += ThreeDigits(number) + ' ' + TrimmedLineEnds(text) + "\r\n";
    frame += L(u"НННН  ") + Trailer(number);
    if (receipts_)
        frame += "\r\n" + Receipt(number);
    return frame + "\r\n";
}

LineText TCentre::GeneratedText(int number) const {
    const QDateTime now = clock_.LocalTime();
    const LineText body = L(u"УЧЕБНАЯ ТЕЛЕГРАММА ") + ThreeDigits(number) + "\r\n" +
                          L(u"ЦЕНТР КОММУТАЦИИ СООБЩЕНИЙ ПРОВЕРЯЕТ ОБМЕН") + "\r\n" +
                          L(u"ВРЕМЯ ЦЕНТРА ") +
                          now.toString(QStringLiteral("hh.mm dd.MM")).toLatin1();
    const LineText header = L(kGeneratedCategory) + QByteArray::number(number) + ' ' +
                            L(kGeneratedIndex) + ' ' + QByteArray::number(CountWords(body)) + ' ' +
                            now.toString(QStringLiteral("dd hhmm")).toLatin1();
    return header + "\r\n" + body;
}

// -------------------------------------------------------------- the line

void TCentre::Connected() {
    rx_.clear();
    state_ = TChannelState::Closed;
    if (autoOpen_)
        Open();
}

void TCentre::Disconnected() {
    rx_.clear();
    SetState(TChannelState::Closed);
}

void TCentre::Receive(const LineText& bytes) {
    rx_ += bytes;
    const LineText start = L(u"ЗЦЗЦ ");
    const LineText end = L(u"НННН  ");
    const LineText kg0 = L(u"ЗЗ ");
    while (!rx_.isEmpty()) {
        const qsizetype z = rx_.indexOf(start);
        // A КГ0 counts only outside a message.
        const qsizetype k = QByteArrayView(rx_).first(z < 0 ? rx_.size() : z).indexOf(kg0);
        if (k >= 0) {
            NoteUnframed(rx_.left(k));
            rx_.remove(0, k + kg0.size());
            Event(QStringLiteral("IN КГ0"));
            SendReport();
            continue;
        }
        if (z < 0) {
            // Keep only what could still become the start of a message.
            if (rx_.size() > 4096) {
                NoteUnframed(rx_.left(rx_.size() - 8));
                rx_.remove(0, rx_.size() - 8);
            }
            return;
        }
        const qsizetype n = rx_.indexOf(end, z + start.size());
        if (n < 0) {
            if (rx_.size() - z > kMaxMessage) {
                Event(QStringLiteral("IN DROPPED a message of more than %1 bytes without its end")
                          .arg(kMaxMessage));
                rx_.remove(0, z + start.size());
                continue;
            }
            return;
        }
        NoteUnframed(rx_.left(z));
        LineText body = rx_.mid(z + start.size(), n - z - start.size());
        rx_.remove(0, n + end.size());
        // A message interrupted by a new start: only the last one counts.
        qsizetype again;
        while ((again = body.indexOf(start)) >= 0)
            body.remove(0, again + start.size());
        HandleFramed(body);
    }
}

void TCentre::NoteUnframed(const LineText& bytes) {
    const LineText text = StripRegisterMarks(bytes).trimmed();
    if (!text.isEmpty())
        Event(QStringLiteral("IN TEXT ") + Shown(text));
}

void TCentre::HandleFramed(const LineText& body) {
    const LineText t = StripRegisterMarks(body);
    if (t.startsWith(L(u"КС "))) {
        const LineText rest = t.mid(3);
        int yours = 0;
        int again = 0;
        if (MatchPattern(L(u"ВАШ %03d=%03d"), rest, &yours, &again) >= 1)
            HandleKg1(yours);
        else if (rest.startsWith(L(u"СТОП")))
            HandleKg2();
        else if (rest.startsWith(L(u"ТЕКСТ")))
            Event(QStringLiteral("IN КГ5"));
        else
            Event(QStringLiteral("IN SERVICE GROUP ") + Shown(t));
        return;
    }
    if (t.startsWith(L(u"ССС"))) {
        HandleService(t);
        return;
    }
    if (t.size() >= 4 && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[2]) && IsWhite(t[3])) {
        HandleTelegram(t.left(3).toInt(), body);
        return;
    }
    Event(QStringLiteral("IN MESSAGE ") + Shown(t));
}

void TCentre::Remember(int number, bool counted, const LineText& body) {
    inbox_.append({number, counted, body});
    if (inbox_.size() > kMaxInbox)
        inbox_.removeFirst();
}

void TCentre::HandleTelegram(int number, const LineText& body) {
    const QString nnn = QString::fromLatin1(ThreeDigits(number));
    if (state_ != TChannelState::Open) {
        Remember(number, false, body);
        Event(QStringLiteral("IN TELEGRAM %1 refused: the channel is %2")
                  .arg(nnn, StateCode(state_)));
        return;
    }
    const int expected = Mod1000(accepted_ + 1);
    const bool next = number == expected;
    if (distortion_) {
        distortion_ = false;
        // "ИСКАЖЕНИЯ": taken and counted, but distorted in places.
        // "ИСКАЖЕНИЕ": not taken; the report says how many the centre has.
        const bool counted = distortionPlural_ && next;
        if (counted) {
            accepted_ = number;
            ++acceptedTotal_;
        }
        Remember(number, counted, body);
        Event(QStringLiteral("IN TELEGRAM %1 distorted%2")
                  .arg(nnn, counted ? QStringLiteral(", counted") : QString()));
        SetState(TChannelState::Stopped);
        if (distortionPlural_)
            SendMessage(L(u"ИСКАЖЕНИЯ ") + ThreeDigits(number));
        else
            SendMessage(L(u"ИСКАЖЕНИЕ ") + ThreeDigits(number) + L(u" ВАШ ") +
                        ThreeDigits(accepted_));
        return;
    }
    Remember(number, next, body);
    if (!next) {
        Event(QStringLiteral("IN TELEGRAM %1 not counted: %2 was due")
                  .arg(nnn, QString::fromLatin1(ThreeDigits(expected))));
        return;
    }
    accepted_ = number;
    ++acceptedTotal_;
    Event(QStringLiteral("IN TELEGRAM %1 accepted").arg(nnn));
}

void TCentre::HandleKg1(int number) {
    Event(QStringLiteral("IN КГ1 ") + QString::fromLatin1(ThreeDigits(number)));
    const bool closed = state_ == TChannelState::Closed || state_ == TChannelState::Schedule;
    if (answerPending_) {
        // The answer to a numbering change carries the old count: no gap.
        answerPending_ = false;
        UpdateHold(clock_.LocalTime());
    } else if (!closed) {
        const int behind = Mod1000(sent_ - number);
        if (behind > 0 && behind < 500 &&
            !SendMessage(L(u"ОБРАЩАЙТЕСЬ В КСС ЗА ") + ThreeDigits(Mod1000(number + 1)) + '-' +
                         ThreeDigits(sent_)))
            return;
    }
    if (!closed)
        SetState(TChannelState::Open);
    SendReport();
}

void TCentre::HandleKg2() {
    Event(QStringLiteral("IN КГ2"));
    if (state_ == TChannelState::Open || state_ == TChannelState::Confirm)
        SetState(TChannelState::Stopped);
    SendMessage(L(u"СВЯЗЬ ") + WideToLine(StateWord(state_)));
}

void TCentre::HandleService(const LineText& body) {
    const LineText text = TrimmedLineEnds(body);
    if (state_ != TChannelState::Open) {
        Event(QStringLiteral("IN SERVICE TELEGRAM refused: the channel is %1 ")
                  .arg(StateCode(state_)) +
              Shown(text, 60));
        return;
    }
    ++serviceTotal_;
    Event(QStringLiteral("IN SERVICE TELEGRAM ") + Shown(text, 60));
    SendMessage(L(u"ССС ПРИНЯТО"));
}

// --------------------------------------------------------------- commands

bool TCentre::SendMessage(const LineText& text) {
    if (!line_.IsConnected())
        return false;
    if (!line_.Send(MessageFrame(text)))
        return false;
    Event(QStringLiteral("OUT ") + Shown(text));
    return true;
}

bool TCentre::SendReport() {
    int yours = accepted_;
    int ours = sent_;
    if (mismatch_) {
        mismatch_ = false;
        yours = Mod1000(yours + mismatchYours_);
        ours = Mod1000(ours + mismatchOurs_);
        Event(QStringLiteral("FAULT the counter report is wrong"));
    }
    LineText words;
    switch (state_) {
        case TChannelState::Open:
            words = L(u"СВЯЗЬ ОТКРЫТА");
            break;
        case TChannelState::Stopped:
            words = L(u"ОТКРОЙТЕ СВЯЗЬ");
            break;
        case TChannelState::Closed:
            words = L(u"СВЯЗЬ ЗАКРЫТА");
            break;
        case TChannelState::Schedule:
            words = L(u"ЗАКРЫТО ПО РАСПИСАНИЮ");
            break;
        case TChannelState::Confirm:
            words = L(u"СВЯЗЬ БР");
            break;
    }
    return SendMessage(L(u"ВАШ ") + ThreeDigits(yours) + L(u" НАШ ") + ThreeDigits(ours) +
                       L(u" ПОСЛЕДНИЕ ") + words);
}

bool TCentre::Open() {
    SetState(TChannelState::Stopped);
    return SendMessage(L(u"ОТКРОЙТЕ СВЯЗЬ"));
}

bool TCentre::Close() {
    return Channel(StateWord(TChannelState::Closed));
}

bool TCentre::Stop() {
    return Channel(StateCode(TChannelState::Stopped));
}

bool TCentre::Channel(const QString& word) {
    TChannelState state;
    if (StateOfWord(word, state))
        SetState(state);
    return SendMessage(L(u"СВЯЗЬ ") + WideToLine(word));
}

bool TCentre::Await(const QString& word) {
    TChannelState state;
    if (StateOfWord(word, state))
        SetState(state);
    return SendMessage(L(u"ЖДУ ") + WideToLine(word) + L(u" СВЯЗИ"));
}

void TCentre::QueueTelegram(const LineText& text) {
    queue_.append({text, false});
}

void TCentre::QueueNextTelegram() {
    if (texts_.isEmpty()) {
        queue_.append({LineText(), true});
        return;
    }
    const QString path = texts_[nextText_];
    nextText_ = (nextText_ + 1) % int(texts_.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Event(QStringLiteral("TEXT cannot read ") + path + QStringLiteral(", generated instead"));
        queue_.append({LineText(), true});
        return;
    }
    const QByteArray bytes = file.readAll();
    // UTF-8 text; anything else is taken as line code.
    QString text = QString::fromUtf8(bytes);
    LineText line = bytes;
    if (text.toUtf8() == bytes) {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        line = WideToLine(text);
    }
    QueueTelegram(TrimmedLineEnds(line));
}

void TCentre::Generate(int count, int everySeconds) {
    generateLeft_ = qMax(0, count);
    generateEvery_ = qMax(0, everySeconds);
    nextGenerate_ = clock_.LocalTime();
    Event(generateLeft_ > 0
              ? QStringLiteral("GENERATE %1 every %2 s").arg(generateLeft_).arg(generateEvery_)
              : QStringLiteral("GENERATE off"));
}

bool TCentre::SendNextTelegram() {
    const Outbound entry = queue_.first();
    const int number = Mod1000(sent_ + 1 + (cut_ ? 0 : skip_));
    const LineText frame =
        TelegramFrame(number, entry.generated ? GeneratedText(number) : entry.text);
    if (cut_) {
        // The telegram is lost on the way: it stays first in the queue and
        // goes again, with the same number, once the channel is open again.
        cut_ = false;
        Event(QStringLiteral("FAULT telegram %1 cut off, the connection dropped")
                  .arg(QString::fromLatin1(ThreeDigits(number))));
        line_.Send(frame.left(frame.size() / 2));
        line_.Drop();
        return false;
    }
    if (!line_.Send(frame))
        return false;
    queue_.removeFirst();
    if (skip_ > 0) {
        Event(QStringLiteral("FAULT %1 number(s) skipped").arg(skip_));
        skip_ = 0;
    }
    sent_ = number;
    ++sentTotal_;
    Event(QStringLiteral("OUT TELEGRAM ") + QString::fromLatin1(ThreeDigits(number)));
    return true;
}

// ------------------------------------------------------------------- time

void TCentre::Tick() {
    const QDateTime now = clock_.LocalTime();
    if (now.date() != day_) {
        day_ = now.date();
        Midnight();
    }
    if (now.time() >= QTime(kWarningHour, kWarningMinute) && warnedDay_ != day_) {
        warnedDay_ = day_;
        hold_ = true;
        Event(QStringLiteral("NUMBERING change ahead: the centre holds its telegrams"));
        SendMessage(L(u"ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 00.00"));
    }
    UpdateHold(now);

    if (generateLeft_ > 0) {
        if (!Ready()) {
            // The schedule waits while nothing can be sent.
            if (nextGenerate_ < now)
                nextGenerate_ = now;
        } else {
            while (generateLeft_ > 0 && nextGenerate_ <= now) {
                QueueNextTelegram();
                --generateLeft_;
                nextGenerate_ = nextGenerate_.addSecs(generateEvery_);
            }
        }
    }
    if (Ready() && !queue_.isEmpty())
        SendNextTelegram();
}

void TCentre::UpdateHold(const QDateTime& now) {
    if (!hold_)
        return;
    if (answerPending_) {
        if (now < holdUntil_)
            return;
        answerPending_ = false;
    } else if (now.time() >= QTime(kWarningHour, kWarningMinute) && warnedDay_ == day_) {
        return;
    }
    hold_ = false;
    Event(QStringLiteral("NUMBERING hold ends"));
}

void TCentre::Midnight() {
    Event(QStringLiteral("MIDNIGHT ") + day_.toString(QStringLiteral("yyyy-MM-dd")));
    Renumber();
}

void TCentre::Renumber() {
    const QDateTime now = clock_.LocalTime();
    const LineText text = L(u"СМЕНА НУМЕРАЦИИ ПРИН ") + Digits(accepted_, 4) + L(u" ПЕР ") +
                          Digits(sent_, 4) + L(u" С ") +
                          now.toString(QStringLiteral("dd.MM")).toLatin1();
    accepted_ = 0;
    sent_ = 0;
    if (SendMessage(text)) {
        // Nothing new goes out until the workstation has answered with КГ1.
        hold_ = true;
        answerPending_ = true;
        holdUntil_ = now.addSecs(kRenumberAnswerSeconds);
    } else {
        Event(QStringLiteral("NUMBERING counters reset"));
    }
}

// ----------------------------------------------------------------- faults

void TCentre::ArmDistortion(bool plural) {
    distortion_ = true;
    distortionPlural_ = plural;
}

void TCentre::ArmMismatch(int yoursDelta, int oursDelta) {
    mismatch_ = true;
    mismatchYours_ = yoursDelta;
    mismatchOurs_ = oursDelta;
}

void TCentre::ArmSkip(int by) {
    skip_ = qMax(0, by);
}

void TCentre::ArmCut() {
    cut_ = true;
}

void TCentre::DropNow() {
    if (!line_.IsConnected())
        return;
    Event(QStringLiteral("FAULT the connection dropped"));
    line_.Drop();
}

void TCentre::ClearFaults() {
    distortion_ = false;
    mismatch_ = false;
    skip_ = 0;
    cut_ = false;
}

QString TCentre::StatusText() const {
    QStringList faults;
    if (distortion_)
        faults << (distortionPlural_ ? QStringLiteral("distortions")
                                     : QStringLiteral("distortion"));
    if (mismatch_)
        faults << QStringLiteral("mismatch %1 %2").arg(mismatchYours_).arg(mismatchOurs_);
    if (skip_ > 0)
        faults << QStringLiteral("skip %1").arg(skip_);
    if (cut_)
        faults << QStringLiteral("cut");
    auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    return QStringLiteral(
               "CENTRE channel=%1 accepted=%2 sent=%3 total-accepted=%4 total-sent=%5 "
               "service=%6 queue=%7 generate=%8/%9s hold=%10 clock=%11 ccm=%12 receipts=%13 "
               "stamps=%14 autoopen=%15 texts=%16 faults=%17")
        .arg(StateCode(state_), QString::fromLatin1(ThreeDigits(accepted_)),
             QString::fromLatin1(ThreeDigits(sent_)))
        .arg(acceptedTotal_)
        .arg(sentTotal_)
        .arg(serviceTotal_)
        .arg(queue_.size())
        .arg(generateLeft_)
        .arg(generateEvery_)
        .arg(onOff(hold_), clock_.LocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
        .arg(ccm_)
        .arg(onOff(receipts_), onOff(clockStamps_), onOff(autoOpen_))
        .arg(texts_.size())
        .arg(faults.isEmpty() ? QStringLiteral("none") : faults.join(QLatin1Char(',')));
}
