#include "commands.h"

#include "tapeadapter.h"

QString CommandHelp() {
    return QStringLiteral(
        R"(Commands (one per line; blank lines and lines starting with # are skipped):
  tape FILE            put the tape FILE in the reader, rewound
  fault silence on|off the adapter sends nothing at all and ignores what
                       comes; the reader stands still meanwhile
  fault credit0 on|off no credit reports at all
  fault unplug [MS]    pull the adapter out: the workstation's port hangs up;
                       after MS ms (default 1000) a new pseudo-terminal is
                       opened and its path printed as "PTY ..."; 0 stays
                       unplugged until "plug"
  plug                 plug the adapter in again (a new pseudo-terminal)
  fault clear          end every fault (an unplugged adapter stays out)
  status               print STATUS open=0|1 speed=50|100|MAX
                       credit=<free places in the punch buffer>
                       queued=<codes waiting to be punched> reading=0|1
                       punched=<frames punched in all> read=<frames read in
                       all> tape=<frames left on the tape>
  echo TEXT            print TEXT
  sleep MS             pause the commands for MS milliseconds
  wait open [T]        until the workstation has the port open
  wait punched N [T]   until N frames in all have been punched
                       (T: time-out in ms, default 30000)
  help                 print this list
  quit, exit           end the program
A command that fails prints "ERROR <where>: <why>" and the next one runs.
)");
}

QString ProtocolHelp() {
    return QStringLiteral(
        R"(The adapter's bytes (the workstation's port runs at 9600 baud, 8N1):
  from the workstation
    0x61 'a'           tape speed 50 frames a second
    0x62 'b'           tape speed 100 frames a second
    0x63 'c'           tape speed MAX (400 frames a second)
    0x60 '`'           the same as 'c'
    0x51 'Q'           start reading the tape where it stands
    0x50 'P'           stop reading; the tape keeps its place
    0x00-0x1F          a five-bit code to punch
    anything else      ignored
  to the workstation
    0x00-0x1F          a frame read from the tape
    0x20               an unreadable frame (a byte of 32 or more in the file)
    0x21-0x3F          credit report: the low five bits are the characters the
                       workstation may send next (1-31)
    0x50 'P'           tape end: the reader came to the end of the tape and
                       stopped; the tape is rewound for the next 'Q'

Credit: the punch buffer holds 31 characters; the shift codes 0, 27 and 31
take no place. The adapter reports its free places when work starts (the
first speed byte after the port was opened) or the speed changes, as places
free up while the punch works (at most every 50 ms), and once a second when
nothing else was sent. A repeated speed byte of the same speed is not
answered: the workstation sends one after every batch of reports. A full
buffer is not reported, since 0x20 would read as a code. What comes beyond
the free places is punched all the same and prints OVERFLOW.

Pacing: the punch and the reader take a frame time for each frame: 20 ms at
50, 10 ms at 100, 2.5 ms at MAX. With --fast there is no pacing: a batch of
codes is punched at once and a report of 31 follows it, and the reader sends
the tape as fast as the port takes it.

Tape files hold one byte a frame: the code as it was punched, 0-31. The
punch appends to its file and flushes it after each batch. Blank tape is
code 0, the Russian shift, which is what the workstation's blank feed
punches. Codes are punched as they came, so a punched tape read back gives
the workstation the text it punched.
)");
}

TTapeCommands::TTapeCommands(TTapeAdapter& adapter) : TCommandRunner(adapter), adapter_(adapter) {}

bool TTapeCommands::Run(const TCommandWords& words, const Line& line) {
    const QString& verb = words.verb;
    const QStringList& args = words.args;
    const QString what = args.value(0).toLower();
    if (verb == QLatin1String("tape")) {
        const QString path = words.rest.trimmed();
        if (path.isEmpty())
            Fail(line, QStringLiteral("tape: a file is needed"));
        else if (!adapter_.LoadTape(path))
            Fail(line, QStringLiteral("cannot read the tape ") + path);
    } else if (verb == QLatin1String("fault")) {
        Fail(line, QStringLiteral("fault: silence, unplug, credit0 or clear"));
    } else if (verb == QLatin1String("wait") && what == QLatin1String("punched")) {
        int64_t count = 0;
        int ms = 0;
        if (args.size() < 2 || !ParseNumber(args[1], count) || !ParseTimeout(args, 2, ms)) {
            Fail(line, QStringLiteral("wait punched: a count and an optional time-out in ms"));
            return true;
        }
        return StartWait(
            line, [this, count] { return adapter_.FramesPunched() >= count; }, ms);
    } else if (verb == QLatin1String("wait")) {
        Fail(line, QStringLiteral("wait: open or punched"));
    } else {
        Fail(line, QStringLiteral("unknown command: ") + verb);
    }
    return true;
}

QString TTapeCommands::StatusText() const {
    return QStringLiteral(
               "STATUS open=%1 speed=%2 credit=%3 queued=%4 reading=%5 punched=%6 read=%7 tape=%8")
        .arg(adapter_.IsOpen() ? 1 : 0)
        .arg(TTapeAdapter::SpeedName(adapter_.Speed()))
        .arg(adapter_.FreePlaces())
        .arg(adapter_.Queued())
        .arg(adapter_.IsReading() ? 1 : 0)
        .arg(adapter_.FramesPunched())
        .arg(adapter_.FramesRead())
        .arg(adapter_.TapeLeft());
}
