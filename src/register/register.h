#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <atomic>

// The day's register: every telegram of one working day, received and sent,
// with the gaps in the centre's numbers, the totals and the traffic by the
// hour. It is read from the day folders, the names and the files' first
// lines alone (never from the protocol), so it shows what is filed, and it
// needs no widget: the window, the printout and the command line all draw
// on the same reading.

// What a file's name says of its telegram.
enum class TRegisterFate {
    Received,           // a received telegram under its final name
    Receiving,          // a received telegram still under its working name (".rcv")
    ServiceMessage,     // a centre's service message ("c" + digits + ".SSS")
    Confirmed,          // sent, the centre's count agreed (".NNN")
    CountersDisagreed,  // sent, the centre's count did not agree (".bNNN" in the day folder)
    ServiceAccepted,    // a service telegram the centre accepted (".SSS")
    Distorted,          // the centre reported it distorted (".bNN", ".brk" in the out root)
    Unconfirmed,        // the line took it, the centre never said (".bNNN", ".bSSS" in the root)
    Unreadable,         // could not be read for sending (".brd")
    Waiting,            // still waiting in the out root (no extension)
};

// Whether a fate counts as traffic of the day: a telegram received, or one
// that went to the line (whatever the centre then said of it).
bool IsRegisterTraffic(TRegisterFate fate);

struct TRegisterEntry {
    bool sent = false;
    TRegisterFate fate = TRegisterFate::Received;
    int number = -1;      // the centre's number (received), the output number (sent); -1: none
    int distortion = -1;  // the centre's number in ".bNN"
    QDateTime time;       // last write, on the exchange clock
    QString category;     // the header's letters
    QString index;        // the header's index group (or scheme)
    QString firstLine;    // the first address line of the text
    int words = -1;       // the text's telegram words (received telegrams)
    bool read = false;    // the read mark: the archive mark is clear
    QString fileName;
    QString folder;  // absolute, ending in '/'
};

// A run of the centre's numbers that no stored telegram carries, within one
// numbering of the day (0 for the first, 1 after the first change, ...).
struct TRegisterGap {
    int first = 0;  // 0..999
    int last = 0;
    int numbering = 0;
};

struct TRegisterDay {
    QDate date;
    QString dayText;
    bool exists = false;             // its inp or out day folder is there
    QList<TRegisterEntry> received;  // telegrams, in the order they were filed
    QList<TRegisterEntry> service;   // the centre's service messages
    QList<TRegisterEntry> sent;      // the out day folder, then the day's files in the out root
    QList<TRegisterGap> gaps;
    int numberings = 0;  // numberings of the centre seen in the day
    std::array<int, 24> receivedPerHour{};
    std::array<int, 24> sentPerHour{};
};

// One day of the strip below the chart.
struct TRegisterDayTotal {
    QDate date;
    int received = 0;
    int sent = 0;
};

// Where and how the archive lies (the settings' PATH/inp, out, DayFormat;
// folders relative to the current one unless absolute), and the exchange
// clock's shift (OTHER/CorrectTimeTZ): file times show as working time.
struct TRegisterSources {
    QString inpPath = QStringLiteral("inp/");
    QString outPath = QStringLiteral("out/");
    QString dayFormat = QStringLiteral("mmdd");
    int clockShiftHours = 0;
};

// What a file's content gave, kept between readings of the same day while
// the file keeps its size and time: the window reads today again at every
// telegram.
class TRegisterCache {
public:
    struct Content {
        qint64 stamp = 0;  // last write, nanoseconds
        qint64 size = -1;
        QString category, index, firstLine;
        int words = -1;
    };
    // The received and the sent files are read side by side: each side
    // keeps its own files.
    bool contains(const QString& path, bool sent) const;
    const Content* find(const QString& path, bool sent, qint64 stamp, qint64 size) const;
    void store(const QString& path, bool sent, const Content& content);
    // The strip's counts of a day while its folders do not change.
    struct DayCount {
        qint64 inpStamp = 0, outStamp = 0;
        int received = 0, sent = 0;
    };
    QHash<QDate, DayCount> days;

private:
    QHash<QString, Content> files_[2];
};

// The day of the given date; its folders are those the day text of the date
// names. cache may be null; stop is checked between files.
TRegisterDay ReadRegisterDay(const TRegisterSources& sources, QDate date,
                             TRegisterCache* cache = nullptr,
                             const std::atomic<bool>* stop = nullptr);

// The daily totals of the days up to and including last, oldest first.
QList<TRegisterDayTotal> ReadRegisterStrip(const TRegisterSources& sources, QDate last,
                                           int days = 30, TRegisterCache* cache = nullptr);

// The days that have a day folder in inp or out, newest first, each the
// latest date up to today that its folder's name stands for.
QList<QDate> RegisterDays(const TRegisterSources& sources, QDate today);

// The latest date up to today whose day text is dayText; invalid when none
// within ten years is.
QDate RegisterDateOf(const QString& dayText, const QString& dayFormat, QDate today);

// Whether the day folder of date exists in inp or out.
bool RegisterDayExists(const TRegisterSources& sources, QDate date);
