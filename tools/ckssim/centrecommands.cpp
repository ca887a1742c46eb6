#include "centrecommands.h"

#include "centre.h"
#include "centreclock.h"
#include "util/linecode.h"

namespace {

bool ParseOnOff(const QStringList& args, bool& on) {
    if (args.size() != 1)
        return false;
    const QString value = args[0].toLower();
    if (value == QLatin1String("on") || value == QLatin1String("1")) {
        on = true;
        return true;
    }
    if (value == QLatin1String("off") || value == QLatin1String("0")) {
        on = false;
        return true;
    }
    return false;
}

bool ParseInt(const QString& text, qint64& value) {
    bool ok = false;
    value = text.toLongLong(&ok, 10);
    return ok;
}

}  // namespace

TCentreParse ParseCentreCommand(const QString& verb, const QString& rest, const QStringList& args,
                                TCentreCommand& command, QString* error) {
    command = TCentreCommand();
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return TCentreParse::Error;
    };
    auto noArgs = [&](TCentreCommand::Kind kind) {
        command.kind = kind;
        return args.isEmpty() ? TCentreParse::Ok
                              : fail(verb + QStringLiteral(": takes no arguments"));
    };

    if (verb == QLatin1String("open"))
        return noArgs(TCentreCommand::Open);
    if (verb == QLatin1String("close"))
        return noArgs(TCentreCommand::Close);
    if (verb == QLatin1String("stop"))
        return noArgs(TCentreCommand::Stop);
    if (verb == QLatin1String("report"))
        return noArgs(TCentreCommand::Report);
    if (verb == QLatin1String("renumber"))
        return noArgs(TCentreCommand::Renumber);
    if (verb == QLatin1String("channel")) {
        command.kind = TCentreCommand::Channel;
        if (args.size() != 1)
            return fail(QStringLiteral("channel: one word is needed, e.g. channel ОТКРЫТА"));
        command.text = args[0].toUpper();
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("await")) {
        command.kind = TCentreCommand::Await;
        if (args.size() > 1)
            return fail(QStringLiteral("await: at most one word"));
        command.text = args.isEmpty() ? QStringLiteral("ОТКРЫТИЯ") : args[0].toUpper();
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("message")) {
        command.kind = TCentreCommand::Message;
        command.text = rest.trimmed();
        if (command.text.isEmpty())
            return fail(QStringLiteral("message: a text is needed"));
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("telegram")) {
        command.kind = TCentreCommand::Telegram;
        command.text = rest.trimmed();
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("generate")) {
        command.kind = TCentreCommand::Generate;
        if (args.size() == 1 && args[0].toLower() == QLatin1String("off"))
            return TCentreParse::Ok;
        command.second = 60;
        if (args.isEmpty() || args.size() > 2 || !ParseInt(args[0], command.first) ||
            command.first < 0 || command.first > INT_MAX ||
            (args.size() == 2 && (!ParseInt(args[1], command.second) || command.second < 0 ||
                                  command.second > INT_MAX)))
            return fail(
                QStringLiteral("generate: a count and seconds of the centre's clock, or off"));
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("counters")) {
        command.kind = TCentreCommand::Counters;
        if (args.size() != 2 || !ParseInt(args[0], command.first) ||
            !ParseInt(args[1], command.second) || command.first < 0 || command.first > 999 ||
            command.second < 0 || command.second > 999)
            return fail(QStringLiteral("counters: the accepted and the sent count, 0-999"));
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("ccm")) {
        command.kind = TCentreCommand::Ccm;
        if (args.size() != 1 || !ParseInt(args[0], command.first) || command.first < 0 ||
            command.first > 2)
            return fail(QStringLiteral("ccm: 0, 1 or 2"));
        return TCentreParse::Ok;
    }
    const struct {
        const char* name;
        TCentreCommand::Kind kind;
    } switches[] = {{"receipts", TCentreCommand::Receipts},
                    {"stamps", TCentreCommand::Stamps},
                    {"autoopen", TCentreCommand::AutoOpen}};
    for (const auto& s : switches) {
        if (verb == QLatin1String(s.name)) {
            command.kind = s.kind;
            if (!ParseOnOff(args, command.on))
                return fail(verb + QStringLiteral(": on or off"));
            return TCentreParse::Ok;
        }
    }
    if (verb == QLatin1String("texts")) {
        command.kind = TCentreCommand::Texts;
        command.text = rest.trimmed();
        if (command.text.isEmpty())
            return fail(QStringLiteral("texts: a folder is needed"));
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("speed")) {
        command.kind = TCentreCommand::Speed;
        bool ok = false;
        if (args.size() == 1)
            command.speed = args[0].toDouble(&ok);
        if (!ok || !(command.speed > 0.0) || command.speed > 1e6)
            return fail(QStringLiteral("speed: a factor above 0, e.g. 60"));
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("time")) {
        command.kind = TCentreCommand::Time;
        command.text = rest.trimmed();
        QDateTime probe;
        if (!ParseCentreTime(command.text, QDate(2000, 1, 1), probe))
            return fail(QStringLiteral("time: hh:mm[:ss] or yyyy-MM-dd hh:mm[:ss]"));
        return TCentreParse::Ok;
    }
    if (verb == QLatin1String("fault")) {
        const QString what = args.value(0).toLower();
        const QStringList more = args.mid(1);
        auto numbers = [&](int most) {
            if (more.size() > most)
                return false;
            return (more.size() < 1 || ParseInt(more[0], command.first)) &&
                   (more.size() < 2 || ParseInt(more[1], command.second));
        };
        if (what == QLatin1String("distortion") || what == QLatin1String("distortions")) {
            command.kind = what == QLatin1String("distortion") ? TCentreCommand::FaultDistortion
                                                               : TCentreCommand::FaultDistortions;
            return more.isEmpty() ? TCentreParse::Ok
                                  : fail(QStringLiteral("fault: too many words"));
        }
        if (what == QLatin1String("mismatch")) {
            command.kind = TCentreCommand::FaultMismatch;
            command.first = -1;
            command.second = 0;
            if (!numbers(2) || qAbs(command.first) > 999 || qAbs(command.second) > 999)
                return fail(QStringLiteral("fault mismatch: optional ВАШ and НАШ offsets"));
            return TCentreParse::Ok;
        }
        if (what == QLatin1String("skip")) {
            command.kind = TCentreCommand::FaultSkip;
            command.first = 1;
            if (!numbers(1) || command.first < 1 || command.first > 998)
                return fail(QStringLiteral("fault skip: an optional count 1-998"));
            return TCentreParse::Ok;
        }
        const struct {
            const char* name;
            TCentreCommand::Kind kind;
        } plain[] = {{"drop", TCentreCommand::FaultDrop},
                     {"cut", TCentreCommand::FaultCut},
                     {"clear", TCentreCommand::FaultClear}};
        for (const auto& p : plain) {
            if (what == QLatin1String(p.name)) {
                command.kind = p.kind;
                return more.isEmpty() ? TCentreParse::Ok
                                      : fail(QStringLiteral("fault: too many words"));
            }
        }
        return fail(
            QStringLiteral("fault: distortion, distortions, mismatch, drop, cut, skip or clear"));
    }
    return TCentreParse::NotCentre;
}

bool RunCentreCommand(TCentre& centre, TCentreClock& clock, const TCentreCommand& command,
                      QString* error) {
    auto sent = [&](bool ok) {
        if (!ok && error)
            *error = QStringLiteral("no workstation is connected");
        return ok;
    };
    switch (command.kind) {
        case TCentreCommand::Open:
            return sent(centre.Open());
        case TCentreCommand::Close:
            return sent(centre.Close());
        case TCentreCommand::Stop:
            return sent(centre.Stop());
        case TCentreCommand::Channel:
            return sent(centre.Channel(command.text));
        case TCentreCommand::Await:
            return sent(centre.Await(command.text));
        case TCentreCommand::Report:
            return sent(centre.SendReport());
        case TCentreCommand::Message:
            return sent(centre.SendMessage(WideToLine(command.text, true)));
        case TCentreCommand::Telegram:
            if (command.text.isEmpty())
                centre.QueueNextTelegram();
            else
                centre.QueueTelegram(WideToLine(command.text, true));
            return true;
        case TCentreCommand::Generate:
            centre.Generate(int(command.first), int(command.second));
            return true;
        case TCentreCommand::Renumber:
            centre.Renumber();
            return true;
        case TCentreCommand::Counters:
            centre.SetCounters(int(command.first), int(command.second));
            return true;
        case TCentreCommand::Ccm:
            centre.SetCcm(int(command.first));
            return true;
        case TCentreCommand::Receipts:
            centre.SetReceipts(command.on);
            return true;
        case TCentreCommand::Stamps:
            centre.SetClockStamps(command.on);
            return true;
        case TCentreCommand::AutoOpen:
            centre.SetAutoOpen(command.on);
            return true;
        case TCentreCommand::Texts:
            return centre.SetTextFolder(command.text, error);
        case TCentreCommand::Speed:
            clock.SetSpeed(command.speed);
            return true;
        case TCentreCommand::Time: {
            QDateTime time;
            ParseCentreTime(command.text, clock.LocalTime().date(), time);
            clock.SetLocalTime(time);
            return true;
        }
        case TCentreCommand::FaultDistortion:
        case TCentreCommand::FaultDistortions:
            centre.ArmDistortion(command.kind == TCentreCommand::FaultDistortions);
            return true;
        case TCentreCommand::FaultMismatch:
            centre.ArmMismatch(int(command.first), int(command.second));
            return true;
        case TCentreCommand::FaultDrop:
            centre.DropNow();
            return true;
        case TCentreCommand::FaultCut:
            centre.ArmCut();
            return true;
        case TCentreCommand::FaultSkip:
            centre.ArmSkip(int(command.first));
            return true;
        case TCentreCommand::FaultClear:
            centre.ClearFaults();
            return true;
    }
    return true;
}

QString CentreCommandHelp() {
    return QStringLiteral(
        R"(Centre commands (the centre's logic; texts as for send, '<' CR and '>' LF):
  open                 ask the workstation to open: send "ОТКРОЙТЕ СВЯЗЬ", state БА
  close                close the channel: send "СВЯЗЬ ЗАКРЫТА", state БД
  stop                 stop the channel: send "СВЯЗЬ БА", state БА
  channel WORD         send "СВЯЗЬ WORD" and take the state the word means
                       (РБ/ОТКРЫТА, БА/ОТКРОЙТЕ/ОТКРЫТИЯ, БД/ЗАКРЫТА, БВ, БР;
                       another word leaves the state as it is)
  await [WORD]         send "ЖДУ WORD СВЯЗИ" (default ОТКРЫТИЯ), state by the word
  report               send the counter report now, as the answer to КГ0
  message TEXT         send the centre message "ЗЦЗЦ TEXT НННН  ", for instance
                         message ЗАПРОСИТЕ КВИТАНЦИЮ
                         message ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 00.00
                         message ВАШ 005 НАШ 007 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА
                         message ОТКРОЙТЕ СВЯЗЬ
                         message СВЯЗЬ РБ
                         message ЖДУ ОТКРЫТИЯ СВЯЗИ
                         message СМЕНА НУМЕРАЦИИ ПРИН 0005 ПЕР 0007 С 31.01
                         message ОБРАЩАЙТЕСЬ В КСС ЗА 008-010
                         message ПОВТОР ОКОНЧЕН
                         message ИСКАЖЕНИЕ 006 ВАШ 005
                         message ИСКАЖЕНИЯ 006
                         message ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ
                         message ПОДТВЕРДИТЕ ПРИЕМ Р 012
                         message ТЕЛЕГРАММА 006 НЕ ПРИНЯТА
                         message ССС ПРИНЯТО
                         message ССС 141911 КОНТРОЛЬНАЯ СЛУЖБА
                       (a message changes none of the centre's own counters or state)
  telegram [TEXT]      queue one numbered telegram: TEXT is its header and text; without
                       TEXT the next file of the texts folder, or a generated telegram
  generate N [S]       queue N telegrams, one every S seconds of the centre's clock
                       (default 60, 0 = all at once), the first at once
  generate off         stop generating
  renumber             change the numbering now, as at midnight
  counters A S         set the centre's daily counters: A accepted, S sent (0-999)
  ccm 0|1|2            the centre type
  receipts on|off      a receipt after each telegram
  stamps on|off        a clock stamp after each centre message
  autoopen on|off      send "ОТКРОЙТЕ СВЯЗЬ" as soon as a workstation connects
  texts FOLDER         take telegram texts from the files of FOLDER
  speed F              run the centre's clock F times as fast as real time
  time T               set the centre's clock: hh:mm[:ss] today, or yyyy-MM-dd hh:mm[:ss]
  fault distortion     answer the next telegram from the workstation with
                       "ИСКАЖЕНИЕ NNN ВАШ XXX" and do not count it
  fault distortions    answer the next telegram with "ИСКАЖЕНИЯ NNN" (it is counted)
  fault mismatch [DX [DY]]  the next counter report is off by DX in ВАШ and DY in НАШ
                       (default -1 0)
  fault drop           drop the connection now
  fault cut            cut the next telegram halfway and drop the connection
  fault skip [N]       the next telegram skips N sequence numbers (default 1)
  fault clear          forget the faults that have not struck yet
Centre waits (T: time-out in real ms, default 30000):
  wait state WORD [T]  until the centre's channel state is WORD (РБ, БА, БД, БВ, БР)
  wait accepted N [T]  until N telegrams in all were accepted from the workstation
  wait sent N [T]      until N telegrams in all were sent to the workstation
  wait time T [T]      until the centre's clock reaches hh:mm[:ss] (the next such time)
                       or yyyy-MM-ddThh:mm[:ss])");
}

QString CentreBehaviourHelp() {
    return QStringLiteral(R"(
The centre's own behaviour:

Channel. At start and after every disconnection the channel is closed (БД).
With --auto-open (or "autoopen on") the centre sends "ОТКРОЙТЕ СВЯЗЬ" as soon as
a workstation connects and waits in state БА; otherwise it waits for the
command "open". The channel opens (РБ) when the workstation sends КГ1 in state
БА or БР. It stops (БА) on the workstation's КГ2 "СТОП", on a distortion, and
on "stop"; it stays closed after "close" until "open".

Answers. Every message goes out as "ЗЦЗЦ " text " НННН  ", with a clock stamp
after it when stamps are on, then CR LF.
  КГ0 "|ЗЗ "      "ВАШ x НАШ y ПОСЛЕДНИЕ w1 w2": x is the centre's count of
                  telegrams accepted from the workstation, y of telegrams sent to
                  it (three digits each); w1 w2 is "СВЯЗЬ ОТКРЫТА" (РБ),
                  "ОТКРОЙТЕ СВЯЗЬ" (БА), "СВЯЗЬ ЗАКРЫТА" (БД),
                  "ЗАКРЫТО ПО РАСПИСАНИЮ" (БВ) or "СВЯЗЬ БР" (БР).
  КГ1 "ВАШ n=n"   unless closed (БД, БВ), the channel opens. When n lags the
                  centre's sent count, "ОБРАЩАЙТЕСЬ В КСС ЗА n+1-y" comes first
                  (the missing telegrams are not sent again). Then the counter
                  report as for КГ0.
  КГ2 "СТОП"      state БА (unless closed), answered "СВЯЗЬ БА" (or the state
                  word it is in); the channel stays stopped until КГ1.
  КГ5 "ТЕКСТ"     noted, not answered.
  A telegram "ЗЦЗЦ NNN ..." is accepted only while the channel is open; it is
                  counted when NNN is the next number (accepted + 1, modulo 1000),
                  otherwise it is noted and not counted. Nothing is answered: the
                  workstation learns the count from the next report.
  "ЗЦЗЦ ССС ..."  a service telegram: answered "ССС ПРИНЯТО" while open; not
                  counted.
  Anything else is noted as an event and not answered.

Telegrams. Queued telegrams go out one per tick (every 50 ms) while a
workstation is connected, the channel is open and no numbering change is under
way; the generator's schedule waits meanwhile. Each is numbered with the next
sent count (three digits, modulo 1000) and framed:
  "ЗЦЗЦ " [CCM 1: "#"] NNN " " header and text CR LF "НННН  " trailer
    [CR LF receipt] CR LF
The trailer is "MMDD hh.mm NNNN" of the centre's clock (the month and day, the
time, the number in four digits), for every centre type; the figures-shift mark
before the number is used by CCM 1 only. Receipts (--receipts):
  CCM 1  "РАСПИСКА NNN MMDD hh.mm.....|МИН"
  CCM 2  "РАСПИСКА NNN MMDD hh.mm.....МИН"
  CCM 0  13 dashes, "Р А С П И С К А", "NNN MMDD hh.mm", 13 dashes (lines)
Clock stamps (--clock-stamps) follow centre messages only, where a telegram has
its trailer: "#hh.mm" with CCM 1, "#hhmm" with CCM 0 and 2. A generated
telegram reads
  "ОБn 141911 W dd hhmm" CR LF "УЧЕБНАЯ ТЕЛЕГРАММА NNN" CR LF
  "ЦЕНТР КОММУТАЦИИ СООБЩЕНИЙ ПРОВЕРЯЕТ ОБМЕН" CR LF "ВРЕМЯ ЦЕНТРА hh.mm dd.MM"
(n the number, W the word count of the text). Files of a texts folder are taken
in name order, round and round: UTF-8 text (line ends become CR LF) or, when a
file is not UTF-8, line code as it is; the first line is the header.

Midnight of the centre's clock. At 23:55 the centre sends
"ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 00.00" and holds its telegrams. When its
date changes (also when "time" moves it to another day) it sends
"СМЕНА НУМЕРАЦИИ ПРИН aaaa ПЕР ssss С dd.MM" with its counts of the day ending
(accepted, sent) and resets both to 0. It holds its telegrams until the
workstation answers with КГ1 (which then opens the channel without a gap
check), or for 7 minutes of its clock at most. "renumber" does the same at once.
Without a workstation the counters are reset silently.

Faults strike once. "distortion": the next telegram is not counted, the answer
is "ИСКАЖЕНИЕ NNN ВАШ x" (x the unchanged count), the channel stops (БА).
"distortions": the next telegram is counted when it is next, the answer is
"ИСКАЖЕНИЯ NNN", the channel stops. "mismatch": the next counter report carries
wrong numbers; the centre's counts stay right. "drop": the connection is closed
at once. "cut": half of the next telegram is sent and the connection closed;
that telegram is not counted and goes again, with the same number, when the
channel is open again. "skip": the next telegram's number is N higher than due,
and the sent count follows it.

Events. Unless --quiet, the centre's doings are printed as lines starting
"CENTRE " (IN ..., OUT ..., STATE ..., FAULT ..., NUMBERING ..., MIDNIGHT ...)
and written to the transcript with the kind CENTRE.
)");
}
