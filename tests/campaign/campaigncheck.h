#pragma once

#include "util/texttypes.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// What the training centre did, read back from its transcript: the
// telegrams it sent (their bodies as they went on the line), the ranges it
// referred the operator to ("ОБРАЩАЙТЕСЬ В КСС ЗА a-b": telegrams the
// workstation said it had not had), and its verdict on every telegram that
// came from the workstation, with the body that came.
struct CentreRecord {
    struct Inbound {
        QString verdict;  // "accepted", "refused: ...", "distorted", ...
        int number = 0;
        LineText body;
    };
    // Number -> the body between "ЗЦЗЦ " and "НННН  ", as sent. A number
    // sent again (the centre never does within one day) is kept in repeats.
    QMap<int, LineText> sent;
    // Number -> what followed its "НННН  " up to the line end: the trailer.
    QMap<int, LineText> trailers;
    QList<int> repeats;
    // Numbers whose frame a broken connection cut off and that the centre
    // never sent whole afterwards (bodies as far as they went).
    QList<int> partial;
    QList<QPair<int, int>> referred;
    QList<Inbound> inbound;
    // What the pairing of frames and verdicts found amiss; empty when all fit.
    QString problem;

    static CentreRecord Read(const QString& transcriptPath);
    bool Referred(int number) const;
};

// The figures of a check, for the campaign's closing line.
struct CampaignFigures {
    int centreSent = 0;      // telegrams the centre sent
    int delivered = 0;       // under the final name, readable text and raw copy whole
    int cutAtKill = 0;       // cut under the working names, referred or cut by the centre
    int lostReported = 0;    // not on disk, and the centre referred the operator to them
    int dropped = 0;         // files dropped into out/
    int filedSent = 0;       // of them filed as sent
    int waiting = 0;         // still waiting (or set aside to go again)
    int centreAccepted = 0;  // accepted by the centre

    // The figures as the closing line of a run shows them.
    QString Summary() const;
};

// The program folder after the run checked against the centre's record and
// the files dropped (name -> bytes), as the operator sees it: a received
// telegram counts only under its final name with its readable text ("ЗЦЗЦ ",
// the text without register marks and the trailer, in code page 1251) and
// its raw copy whole; any other the centre must have referred the operator
// to. A file the centre accepted is filed as sent under the number it was
// accepted as. Every broken invariant is one line of failures, saying what
// should hold and what was found.
struct CampaignCheck {
    QStringList failures;
    CampaignFigures figures;
};
// fiveBitLine: the telegrams came over the serial line, whose five-bit code
// carries some characters as others (Ч as 4, for one): they are compared
// as the line carries them.
CampaignCheck CheckCampaign(const QString& home, const QString& day, const CentreRecord& centre,
                            const QMap<QString, QByteArray>& dropped, bool fiveBitLine = false);

// Adds a test failure for every broken invariant, then prints the headline
// and the figures.
void ReportCampaign(const QString& headline, const CampaignCheck& check);

// Empty when the settings file is whole (it reads, it has the sections and
// keys the program always writes, it ends with a line end), else what is
// wrong with it.
QString CheckSettingsWhole(const QString& path);
