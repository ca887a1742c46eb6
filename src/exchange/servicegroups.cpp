// Service groups and the channel state.

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

namespace {

struct TStateWord {
    const char16_t* word;
    int state;
};

// The centre's words and the state each one stands for.
constexpr TStateWord kStateWords[] = {
    {u"РБ", TExchange::StateRB},       {u"ОТКРЫТА", TExchange::StateRB},
    {u"БА", TExchange::StateBA},       {u"ОТКРОЙТЕ", TExchange::StateBA},
    {u"ОТКРЫТИЯ", TExchange::StateBA}, {u"БД", TExchange::StateBD},
    {u"ЗАКРЫТА", TExchange::StateBD},  {u"БВ", TExchange::StateBV},
    {u"БР", TExchange::StateBR},
};

// Codes shown for the states, by value.
constexpr const char16_t* kStateCodes[] = {u"", u"РБ", u"БА", u"БД", u"БВ", u"БР"};

int stateOfWord(QByteArrayView word) {
    for (const TStateWord& entry : kStateWords)
        if (word == LineLiteral(entry.word))
            return entry.state;
    return TExchange::StateNone;
}

}  // namespace

void TExchange::SendServiceGroup(int group) {
    LineText text;
    switch (group) {
        case KG0:
            text = LineLiteral(u"|ЗЗ ");
            break;
        case KG1: {
            const LineText count = ThreeDigits(status_.NumberInput);
            text = LineLiteral(u"|ЗЦЗЦ КС ВАШ ") + count + '=' + count + LineLiteral(u" НННН  ");
            break;
        }
        case KG2:
            text = LineLiteral(u"|ЗЦЗЦ КС СТОП НННН  ");
            break;
        case KG5:
            text = LineLiteral(u"|ЗЦЗЦ КС ТЕКСТ НННН  ");
            break;
        default:
            return;
    }
    SendToLine(text);
    // КГ5 asks for nothing the centre answers with a report.
    if (group != KG5)
        requestAge_ = 1;
}

void TExchange::SetChannelState(QByteArrayView word) {
    const int state = stateOfWord(word);
    if (state == StateNone)
        return;
    if (host_) {
        switch (state) {
            case StateRB:
                host_->EnableServiceButtons(false, true, true);
                break;
            case StateBA:
                host_->EnableServiceButtons(true, false, std::nullopt);
                break;
            case StateBD:
            case StateBV:
                host_->EnableServiceButtons(false, false, false);
                break;
            case StateBR:
                host_->EnableServiceButtons(false, false, true);
                break;
        }
    }
    // Leaving РБ while the program waits to close: the centre will not answer
    // the stop group any more, so the wait is cut short; but not before a
    // telegram the line has taken has had its report.
    if (state == StateBA && channelState_ == StateRB && status_.CloseCountdown > 2) {
        if (queue_.AwaitsReport() || queue_.OnItsWay())
            exitCutDeferred_ = true;
        else
            status_.CloseCountdown = 2;
    }
    channelState_ = state;

    const QString code = QString::fromUtf16(kStateCodes[state]);
    if (code != channelCaption_) {
        channelCaption_ = code;
        if (host_)
            host_->ShowChannelState(code);
        protocol_.AddMessage(QStringLiteral("РЕЖИМ: ") + code, kProtocolEvent);
    }
}

void TExchange::PressServiceGroup(int group) {
    answerbackArmed_ = true;
    // An operator who steps in by hand takes over from the automatic.
    if (group != KG0)
        SetMode(false);
    if (group == KG4) {
        if (host_)
            host_->OpenConfirmation(LineText());
        return;
    }
    SendServiceGroup(group);
}

void TExchange::Kg0Timers() {
    if (zzCountdown_ != 0) {
        if (--zzCountdown_ == 0)
            SendServiceGroup(KG0);
        return;
    }
    const bool waiting = channelState_ == StateBA || channelState_ == StateNone;
    if (IsAutomatic()) {
        requestPhase_ = (requestPhase_ + 1) % 10;
        // A request unanswered for a minute is taken as lost and asked again.
        if (requestPhase_ == 0 && (requestAge_ == 0 || requestAge_ > 60) && waiting)
            SendServiceGroup(KG0);
    }
    if (!config_.OnIdleSendKG0 || !IsAutomatic())
        return;
    if (line_ && line_->IsSendPending()) {
        idleCount_ = 0;
        return;
    }
    ++idleCount_;
    if (config_.IdleSendKGTimeOut > 0 && idleCount_ > config_.IdleSendKGTimeOut * 300 &&
        (channelState_ == StateBA || channelState_ == StateRB)) {
        SendServiceGroup(KG0);
        idleCount_ = 0;
    }
}

int NextTrayImage(int current, bool connected, int channelState, bool automatic,
                  int& activityCount) {
    if (!connected)
        return 10;
    switch (channelState) {
        case TExchange::StateRB:
            if (activityCount != 0) {
                const int next = (((current + 1) % 5) + 5) % 5;
                if (next == 0)
                    activityCount = 0;
                return next;
            }
            return automatic ? 8 : 9;
        case TExchange::StateBA:
            return 5;
        case TExchange::StateBD:
            return 7;
        case TExchange::StateBV:
            return 6;
        default:
            return 0;
    }
}

int TExchange::TrayImageIndex(int current) {
    return NextTrayImage(current, IsLineConnected(), channelState_, IsAutomatic(), activityCount_);
}
