#pragma once

#include "util/clock.h"
#include "util/texttypes.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What the centre needs of the line to the workstation.
class ICentreLine {
public:
    virtual ~ICentreLine() = default;
    virtual bool IsConnected() const = 0;
    // False when nothing is connected or the send failed (a failed send drops
    // the connection, and Disconnected follows before this returns).
    virtual bool Send(const LineText& bytes) = 0;
    virtual void Drop() = 0;
};

// The centre's side of a channel: closed by the centre (БД), working (РБ),
// stopped and waiting to be asked to open (БА), closed by schedule (БВ), and
// waiting for the confirmation of a category Р telegram (БР).
enum class TChannelState { Closed, Open, Stopped, Schedule, Confirm };

// The switching centre as the training centre plays it, apart from the
// transport: it is fed the bytes the workstation sends (Receive), the line's
// coming and going (Connected, Disconnected) and the passing of its own time
// (Tick), and it answers through ICentreLine.
//
// It keeps its own daily counters (telegrams accepted from the workstation,
// telegrams sent to it), numbers the telegrams it sends, answers the service
// groups and framed telegrams of the workstation, changes the numbering at
// its midnight, and injects faults when told to. What it does is described in
// CentreBehaviourHelp(), which --help prints.
class TCentre {
public:
    using Listener = std::function<void(const QString& event)>;

    // A telegram that came from the workstation.
    struct Inbound {
        int number = 0;
        bool counted = false;
        LineText body;  // between "ЗЦЗЦ " and "НННН  ", as received
    };

    // The category and index of generated telegrams.
    static constexpr const char16_t* kGeneratedCategory = u"ОБ";
    static constexpr const char16_t* kGeneratedIndex = u"141911";
    // The warning of the numbering change, and how long the centre then waits
    // at most for the workstation's answer before it sends again.
    static constexpr int kWarningHour = 23;
    static constexpr int kWarningMinute = 55;
    static constexpr int kRenumberAnswerSeconds = 7 * 60;
    // A message that never ends is dropped when it grows past this.
    static constexpr qsizetype kMaxMessage = 1 << 20;
    static constexpr int kMaxInbox = 2000;

    TCentre(IClock& clock, ICentreLine& line);

    // Everything the centre does is told to the listeners as one line.
    void AddListener(Listener listener);

    // Settings.
    void SetCcm(int ccm);
    int Ccm() const { return ccm_; }
    void SetReceipts(bool on) { receipts_ = on; }
    bool Receipts() const { return receipts_; }
    void SetClockStamps(bool on) { clockStamps_ = on; }
    bool ClockStamps() const { return clockStamps_; }
    void SetAutoOpen(bool on) { autoOpen_ = on; }
    bool AutoOpen() const { return autoOpen_; }
    // Telegram texts: the files of the folder in name order, taken in turn.
    // False when the folder cannot be read or holds no file.
    bool SetTextFolder(const QString& path, QString* error);
    // Sets the daily counters (0-999).
    void SetCounters(int accepted, int sent);

    // The line.
    void Connected();
    void Disconnected();
    void Receive(const LineText& bytes);
    // Runs the centre's timed work; call it often (the program does every
    // 50 ms). It sends at most one queued telegram per call.
    void Tick();

    // Channel commands. False when nothing is connected to tell it to.
    bool Open();                             // "ОТКРОЙТЕ СВЯЗЬ", state БА
    bool Close();                            // "СВЯЗЬ ЗАКРЫТА", state БД
    bool Stop();                             // "СВЯЗЬ БА", state БА
    bool Channel(const QString& word);       // "СВЯЗЬ " + word, state by the word
    bool Await(const QString& word);         // "ЖДУ " + word + " СВЯЗИ", state by the word
    bool SendReport();                       // the counter report, as for KG0
    bool SendMessage(const LineText& text);  // "ЗЦЗЦ " + text + " НННН  "
    // The numbering change now, as at midnight.
    void Renumber();

    // Telegrams, sent in turn while the channel is open.
    void QueueTelegram(const LineText& text);  // header line(s) and text
    // The next text of the folder, or a generated one.
    void QueueNextTelegram();
    // count telegrams, one every everySeconds of the centre's clock (0: all
    // at once), the first at once; a count of 0 stops.
    void Generate(int count, int everySeconds);

    // Faults.
    void ArmDistortion(bool plural);
    void ArmMismatch(int yoursDelta, int oursDelta);
    void ArmSkip(int by);
    void ArmCut();
    void DropNow();
    void ClearFaults();

    // What it is doing.
    TChannelState State() const { return state_; }
    static QString StateCode(TChannelState state);  // "РБ", "БА", ...
    // The word the centre uses for a state after "СВЯЗЬ ".
    static QString StateWord(TChannelState state);
    // The state a word of "СВЯЗЬ word" or "ЖДУ word СВЯЗИ" means, as the
    // workstation reads it; false for a word that changes nothing.
    static bool StateOfWord(const QString& word, TChannelState& state);
    int AcceptedToday() const { return accepted_; }
    int SentToday() const { return sent_; }
    qint64 AcceptedTotal() const { return acceptedTotal_; }
    qint64 SentTotal() const { return sentTotal_; }
    qint64 ServiceTotal() const { return serviceTotal_; }
    int Queued() const { return int(queue_.size()); }
    int GenerateLeft() const { return generateLeft_; }
    bool Holding() const { return hold_; }
    const QList<Inbound>& Inbox() const { return inbox_; }
    QString StatusText() const;

    // Framing, as the centre puts things on the line.
    LineText MessageFrame(const LineText& text) const;
    LineText TelegramFrame(int number, const LineText& text) const;
    LineText Trailer(int number) const;
    LineText Receipt(int number) const;
    LineText ClockStamp() const;
    LineText GeneratedText(int number) const;

private:
    struct Outbound {
        LineText text;
        bool generated = false;  // the text is made when it is sent
    };

    void Event(const QString& text) const;
    void SetState(TChannelState state);
    bool Ready() const;
    bool SendNextTelegram();
    void HandleFramed(const LineText& body);
    void HandleTelegram(int number, const LineText& body);
    void HandleKg1(int number);
    void HandleKg2();
    void HandleService(const LineText& text);
    void NoteUnframed(const LineText& bytes);
    void Remember(int number, bool counted, const LineText& body);
    void Midnight();
    void UpdateHold(const QDateTime& now);

    IClock& clock_;
    ICentreLine& line_;
    std::vector<Listener> listeners_;

    int ccm_ = 1;
    bool receipts_ = false;
    bool clockStamps_ = false;
    bool autoOpen_ = false;
    QStringList texts_;
    int nextText_ = 0;

    TChannelState state_ = TChannelState::Closed;
    LineText rx_;
    int accepted_ = 0;
    int sent_ = 0;
    qint64 acceptedTotal_ = 0;
    qint64 sentTotal_ = 0;
    qint64 serviceTotal_ = 0;
    QList<Inbound> inbox_;
    QList<Outbound> queue_;

    int generateLeft_ = 0;
    int generateEvery_ = 0;
    QDateTime nextGenerate_;

    QDate day_;
    QDate warnedDay_;
    bool hold_ = false;
    bool answerPending_ = false;
    QDateTime holdUntil_;

    bool distortion_ = false;
    bool distortionPlural_ = false;
    bool mismatch_ = false;
    int mismatchYours_ = 0;
    int mismatchOurs_ = 0;
    int skip_ = 0;
    bool cut_ = false;
};
