#pragma once

#include <QString>
#include <QStringList>

class TCentre;
class TCentreClock;

// One command that speaks to the centre's logic (see CentreCommandHelp).
struct TCentreCommand {
    enum Kind {
        Open,
        Close,
        Stop,
        Channel,
        Await,
        Report,
        Message,
        Telegram,
        Generate,
        Renumber,
        Counters,
        Ccm,
        Receipts,
        Stamps,
        AutoOpen,
        Texts,
        Speed,
        Time,
        FaultDistortion,
        FaultDistortions,
        FaultMismatch,
        FaultDrop,
        FaultCut,
        FaultSkip,
        FaultClear,
    };
    Kind kind = Open;
    QString text;       // channel, await: the word; message, telegram: the text; texts: the folder
    qint64 first = 0;   // generate: count; counters: accepted; ccm; mismatch: ВАШ delta; skip
    qint64 second = 0;  // generate: seconds; counters: sent; mismatch: НАШ delta
    double speed = 1.0;
    bool on = false;  // receipts, stamps, autoopen
};

enum class TCentreParse { NotCentre, Ok, Error };

// Parses the centre's verbs; NotCentre for any other verb. rest is the line
// after the verb as written, args its words.
TCentreParse ParseCentreCommand(const QString& verb, const QString& rest, const QStringList& args,
                                TCentreCommand& command, QString* error);

// Runs a centre command. False, with a message, when it could not be done
// (a message to send while no workstation is connected, an unreadable folder).
bool RunCentreCommand(TCentre& centre, TCentreClock& clock, const TCentreCommand& command,
                      QString* error);

// The help of the centre's commands, and of what the centre does by itself.
QString CentreCommandHelp();
QString CentreBehaviourHelp();
