// The received stream: the exchange's buffer, cut into telegrams, their
// trailers and receipts, and centre messages.

#include "exchange/receiveparser.h"

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "exchange/matchpattern.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

#include <QScopedValueRollback>

#include <cstring>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

const LineText& MessageStartMark() {
    static const LineText mark = LineLiteral(u"ЗЦЗЦ ");
    return mark;
}

const LineText& MessageEndMark() {
    static const LineText mark = LineLiteral(u"НННН  ");
    return mark;
}

TTrailer ParseTrailer(QByteArrayView buffer) {
    const QByteArrayView end = MessageEndMark();
    const QByteArrayView b = LeftView(buffer, 32);
    if (b.size() < end.size())
        return {LineText(), !end.startsWith(b)};
    if (!b.startsWith(end))
        return {LineText(), true};
    // The end mark alone, as the wait runs out (the line dropped, the centre
    // paused right after it): it is the trailer's beginning all the same.
    if (b.size() <= end.size())
        return {LeftView(b, end.size()).toByteArray(), false};
    // A register mark (the figures shift) may stand before the first group.
    qsizetype pos = IsRegisterMark(b[6]) ? 7 : 6;
    // ' ' stands for any white-space character, 'd' for a digit.
    static const char* const kGroups[] = {"dddd", " dd.dd", " dddd"};
    for (const char* group : kGroups) {
        const qsizetype length = qsizetype(std::strlen(group));
        for (qsizetype i = 0; i < length; ++i) {
            if (pos + i >= b.size())
                return {LeftView(b, pos).toByteArray(), false};
            const char c = b[pos + i];
            const bool fits = group[i] == 'd'   ? isDigit(c)
                              : group[i] == ' ' ? isWhite(c)
                                                : c == group[i];
            if (!fits)
                return {LeftView(b, pos).toByteArray(), true};
        }
        pos += length;
    }
    return {LeftView(b, pos).toByteArray(), true};
}

TCentreHeader MatchCentreHeader(QByteArrayView rest) {
    TCentreHeader h;
    int a = 0;
    int b = 0;
    if (MatchPattern("%.3A%d %06D %d", rest, &h.category, &a, &h.six, &b) == 4) {
        h.form = 1;
        h.conversions = 4;
    } else if (MatchPattern("%.3A%03D %03D %d", rest, &h.category, &h.groupA, &h.groupB, &a) == 4) {
        h.form = 2;
        h.conversions = 4;
    } else {
        h.six.clear();
        h.conversions = MatchPattern("%.3A%03D=%03D %d %06D %d", rest, &h.category, &h.groupA,
                                     &h.groupB, &a, &h.six, &b);
        if (h.conversions >= 4)
            h.form = 3;
    }
    return h;
}

bool IsTelegramBody(QByteArrayView body) {
    const qsizetype i = !body.isEmpty() && body[0] == '#' ? 1 : 0;
    return body.size() >= i + 4 && isDigit(body[i]) && isDigit(body[i + 1]) &&
           isDigit(body[i + 2]) && isWhite(body[i + 3]);
}

void TExchange::OnLineReceive(const LineText& received) {
    receiveBuffer_ += received;
    LineText chunk = received;
    if (answerbackArmed_ && received.size() == 1 && received[0] == '\x05') {
        if (line_ && !config_.TextAA.isEmpty())
            line_->AppendSend(WideToLine(config_.TextAA));
        chunk = QByteArrayLiteral("$");
    }
    if (host_)
        host_->ManualExchangeFromLine(chunk);
    receivedBytes_ += quint32(chunk.size());
    if (host_)
        host_->LineActivity(true);
    protocol_.AddText(chunk, kProtocolReceived);
    if (host_)
        host_->ShowStatusText(LineToWide(RightView(receiveBuffer_, 100)));
    ++activityCount_;
    // Taken apart by the handling already under way (a nested event loop
    // brought this chunk in the middle of a message): it goes on from the
    // buffer, never from inside that message.
    if (receiving_)
        return;
    const QScopedValueRollback<bool> busy(receiving_, true);
    for (int pass = 0; pass < kPassesPerChunk; ++pass)
        if (!ExtractionPass())
            break;
}

bool TExchange::ExtractionPass() {
    const qsizetype z = FindFrom(receiveBuffer_, MessageStartMark(), 1);
    if (notesCountdown_ > 0) {
        const NotesStep step = AwaitNotes(z);
        if (step == NotesStep::Continue)
            return true;
        if (step == NotesStep::Stop)
            return false;
    }

    if (z == 0) {
        if (receiveBuffer_.size() <= kJunkLimit)
            return false;
        DropFront(receiveBuffer_.size() - kJunkLimit);
        return true;
    }
    DropFront(z - 1);
    const qsizetype n = FindMessageEnd();
    if (n == 0)
        return LimitOpenMessage();

    const qsizetype startSize = MessageStartMark().size();
    LineText body = receiveBuffer_.mid(startSize, n - 1 - startSize);
    DropFront(n - 1);
    // An interrupted message followed by a new start: only the last start counts.
    const qsizetype restart = body.lastIndexOf(MessageStartMark());
    if (restart >= 0)
        body.remove(0, restart + startSize);

    dialPolicy_.Reload();
    if (config_.CorrectTime)
        ReadClockStamp();
    if (IsTelegramBody(body)) {
        HandleTelegram(body);
        // A wait of 0 would leave the telegram open for good.
        notesCountdown_ = qMax(1, config_.TlgTimeOut);
    } else {
        HandleCentreMessage(body);
        if (config_.AutoPrintMsg && host_)
            host_->PrintCentreMessage(MessageStartMark() + body + ' ' + receiveBuffer_.left(11) +
                                      "\r\n");
    }
    return true;
}

TExchange::NotesStep TExchange::AwaitNotes(qsizetype z) {
    const TTrailer trailer = ParseTrailer(receiveBuffer_);
    // What has come of the trailer completes the telegram should the wait run out.
    pendingTrailer_ = trailer.text;
    if (config_.CheckTlgNotes)
        return AwaitReceipt(z, trailer.text);
    // The trailer is appended only once it is whole or can grow no more, so
    // that where the line cut the stream does not change the stored text.
    if (!trailer.decided)
        return NotesStep::Stop;
    FinishTelegram(trailer.text);
    return NotesStep::Continue;
}

TExchange::NotesStep TExchange::AwaitReceipt(qsizetype z, const LineText& trailer) {
    const LineText& buffer = receiveBuffer_;
    qsizetype take = 0;
    if (config_.Ccm != 0) {
        static const LineText word = LineLiteral(u"РАСПИСКА");
        static const LineText close1 = LineLiteral(u".....|МИН");
        static const LineText close2 = LineLiteral(u".....МИН");
        const qsizetype r = FindFrom(buffer, word, 1);
        if (r > 0 && (z == 0 || r < z)) {
            qsizetype e = FindFrom(buffer, close1, r + 13);
            if (e == 0)
                e = FindFrom(buffer, close2, r + 13);
            if (e > 0) {
                if (z > 0 && z < e) {
                    FinishTelegram(trailer);
                    DropFront(z - 1);
                    return NotesStep::Continue;
                }
                take = e + 9;
            }
        }
    } else {
        static const LineText dashes = LineLiteral(u"-------------");
        static const LineText word = LineLiteral(u"Р А С П И С К А");
        const qsizetype d = FindFrom(buffer, dashes, 1);
        if (z > 0 && (d == 0 || z < d)) {
            FinishTelegram(trailer);
            return NotesStep::Continue;
        }
        const qsizetype w = FindFrom(buffer, word, 1);
        if (d > 0 && d < w && (z == 0 || d < z)) {
            const qsizetype d2 = FindFrom(buffer, dashes, d + 13);
            // A receipt still open when the next message starts will not
            // close: its second dash line, if any, belongs to a later one.
            if (z > 0 && (d2 == 0 || z < d2)) {
                protocol_.AddMessage(QStringLiteral("РАСПИСКА НЕ РАСПОЗНАНА"), kProtocolEvent);
                FinishTelegram(trailer);
                DropFront(z - 1);
                return NotesStep::Continue;
            }
            if (d2 > 0)
                take = d2 + 13;
        }
    }
    if (take > 0) {
        if (buffer.size() < take) {
            // The receipt is complete but for the character that ends it: wait
            // for it, and should the wait run out, keep the receipt as it is.
            pendingTrailer_ = buffer;
            return NotesStep::Stop;
        }
        const LineText receipt = buffer.left(take);
        DropFront(take);
        FinishTelegram(receipt);
        return NotesStep::Continue;
    }
    if (z > 0) {
        FinishTelegram(trailer);
        return NotesStep::Continue;
    }
    return NotesStep::FallThrough;
}

void TExchange::DropFront(qsizetype count) {
    if (count <= 0)
        return;
    receiveBuffer_.remove(0, count);
    endSearched_ = 0;
}

qsizetype TExchange::FindMessageEnd() {
    // While the same message waits for its end, only the newly received text
    // (and the few characters an end mark could straddle) is searched again.
    const qsizetype overlap = MessageEndMark().size() - 1;
    const qsizetype from = qMax<qsizetype>(0, endSearched_ - overlap);
    const qsizetype at = receiveBuffer_.indexOf(MessageEndMark(), from);
    if (at < 0) {
        endSearched_ = receiveBuffer_.size();
        return 0;
    }
    return at + 1;
}

bool TExchange::LimitOpenMessage() {
    if (receiveBuffer_.size() <= kOpenMessageLimit)
        return false;
    // A body keeps only what follows its last start, so the text before that
    // start can go now without changing any message.
    const qsizetype last = receiveBuffer_.lastIndexOf(MessageStartMark());
    if (last > 0) {
        DropFront(last);
        return true;
    }
    protocol_.AddMessage(QStringLiteral("ОТБРОШЕНО СООБЩЕНИЕ БЕЗ ОКОНЧАНИЯ, БАЙТ: ") +
                             QString::number(receiveBuffer_.size()),
                         kProtocolError);
    DropFront(MessageStartMark().size());
    return true;
}

void TExchange::ReadClockStamp() {
    static const LineText mark = LineLiteral(u"НННН  #");
    const qsizetype at = receiveBuffer_.indexOf(mark);
    if (at < 0)
        return;
    const QByteArrayView stamp = MidView(receiveBuffer_, at + mark.size());
    int hours = 0;
    int minutes = 0;
    const int matched = config_.Ccm == 1 ? MatchPattern("%2d.%2d", stamp, &hours, &minutes)
                                         : MatchPattern("%2d%2d", stamp, &hours, &minutes);
    if (matched == 2)
        clock_.CorrectClock(hours, minutes);
}

void TExchange::FinishTelegram(const LineText& text) {
    const bool ok =
        currentTelegramBase_.isEmpty() || store_.CompleteTelegram(currentTelegramBase_, text);
    notesCountdown_ = 0;
    pendingTrailer_.clear();
    if (!ok)
        SendServiceGroup(KG2);
}
