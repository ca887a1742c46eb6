#pragma once

#include "config/tlgconfig.h"
#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QString>
#include <QStringList>

class TProtocol;

// What the store needs from the exchange when a save or completion is done.
class ITelegramStoreHost {
public:
    virtual ~ITelegramStoreHost() = default;
    // A telegram could not be stored under path: manual mode, КГ2, the alarm
    // line and the message box.
    virtual void StoreFailed(const QString& path) = 0;
    // A received telegram file was written or completed.
    virtual void ReceivedFileChanged() = 0;
    // One printed copy of a completed telegram, line by line.
    virtual void PrintStoredTelegram(const QStringList& lines) = 0;
};

// Received telegrams on disk: the readable file (code page 1251 or UTF-16),
// its raw line-code companion, and the step from the working names
// (".rcv", ".rcvtlg") to the final ones.
//
// Guarantees the rest of the program relies on:
// - nothing stored is ever replaced: every rename refuses an existing
//   target, and a name already taken is made unique (".0", ".1", ...) or,
//   with PATH/OutputInAppendMode, appended to when it holds the same encoding;
// - a save returns true only when all of its text is written and flushed to
//   the disk; a write that fails part-way leaves the file as it was before.
class TTelegramStore {
public:
    // Texts of this length or more are not corrected in layout.
    static constexpr int kCorrectionLimit = 6000;

    TTelegramStore(const _tlg_config& config, TProtocol& protocol, ITelegramStoreHost& host);

    // Copies for automatic printing by scheme number; null: 2 of every scheme.
    void SetSchemaCopies(const SchemaCopyTable* table) { schemaCopies_ = table; }

    // The working base for a new telegram named base: base itself, or the
    // first of base.0, base.1, ... whose working files a telegram left open
    // by a failed completion does not hold (in append mode: holds only in
    // the encoding the new text is written in).
    QString WorkingBase(const QString& base) const;

    // Saves a received message: the raw body beside the readable file (path +
    // "tlg"), and "ЗЦЗЦ " + body as readable text, corrected in layout when
    // asked. savedPath receives the name actually written. On failure the
    // failure path of the host runs and false is returned.
    bool SaveTelegram(const QString& path, const LineText& body, bool correct,
                      QString* savedPath = nullptr);

    // Appends text (trailer or receipt) to the open telegram base + ".rcv" and
    // gives it its final name: base, or with append mode the end of an
    // existing base, or else a unique form of base. The raw copy follows as
    // final + ".tlg". Prints it when PRINT/AutoPrintTlg is on. finalPath
    // receives the final name.
    bool CompleteTelegram(const QString& base, const LineText& text, QString* finalPath = nullptr);

    // The readable files a stop of the program (a kill, a power cut) between
    // the raw copy and the readable file of a save left missing or empty in
    // folder: each is made again from its raw copy (".rcvtlg", ".SSStlg") as
    // the save makes it, only without the layout correction, and logged.
    // Returns the paths made.
    QStringList RecoverReadableFiles(const QString& folder);

    // The telegrams a stop left open in folder (a working ".rcv", with or
    // without its raw copy): each is completed without a trailer, as the end
    // of its wait would have done, and named in the protocol. One whose
    // completion had already written its final file before the stop only
    // loses its working names, so that no telegram is stored twice. One that
    // cannot be completed stays open and is named in the protocol. Returns
    // the final paths.
    QStringList CompleteOpenTelegrams(const QString& folder);

    // Appends bytes to a file, creating it when absent, and flushes them. A
    // failure is not reported (the raw copy is a convenience).
    static void AppendRaw(const QString& path, QByteArrayView bytes);

    // path, or path + ".0", ".1", ... : the first name no file has.
    static QString MakeUnique(const QString& path);

    // Copies of the scheme whose number is on a telegram's first line as
    // "123=123"; 1 without such a number.
    int PrintCopies(const QString& firstLine) const;

private:
    bool saveAnsi(const QString& path, const LineText& text, bool append);
    bool saveUnicode(const QString& path, const LineText& text, bool append);
    bool complete(const QString& base, const LineText& text, QString& final, QStringList& lines);
    void afterCompletion(const QString& base, const QString& final, const QStringList& lines);
    // The final file a completion of base wrote before a stop kept it from
    // removing the working file; empty when there is none.
    QString completedFinal(const QString& base) const;
    bool completeAnsi(const QString& base, const LineText& text, QString& final,
                      QStringList& lines);
    bool completeUnicode(const QString& base, const LineText& text, QString& final,
                         QStringList& lines);
    void completeRaw(const QString& base, const QString& final);
    void autoPrint(const QString& base, const QStringList& lines);

    const _tlg_config& config_;
    TProtocol& protocol_;
    ITelegramStoreHost& host_;
    const SchemaCopyTable* schemaCopies_ = nullptr;
};

// The layout correction of a received text (line code, beginning with
// "ЗЦЗЦ "): blank lines between the header block, the address, the text and
// the signature of a telegram written "address=text=...=signature-". A text
// that does not have that shape comes back unchanged.
LineText CorrectLayout(const LineText& text);
