#pragma once

#include "register/register.h"
#include "util/qtcompat.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

// The pieces the register's reading is made of, apart so that each can be
// looked at on its own: what a name says, what a text says, and the gaps.

// What the name of a file in a day folder (or the out root) stands for.
struct TRegisterName {
    enum class Kind { Skip, Received, Service, Sent };
    Kind kind = Kind::Skip;
    TRegisterFate fate = TRegisterFate::Received;
    int number = -1;
    int distortion = -1;
};

// A file of an inp day folder of the day dayText: a telegram (complete or
// still under its working name) or a service message; raw copies, archive
// files of other tools and names of other days are skipped.
TRegisterName ClassifyReceivedName(QStringView name, QStringView dayText);
// A file of the out day folder (root false) or of the out root (root true)
// that belongs to the day dayText, and its fate.
TRegisterName ClassifySentName(QStringView name, QStringView dayText, bool root);

// The category, index group, first address line and words of a telegram
// file's bytes (code page 1251, or UTF-16 after its byte-order mark). A
// received file opens with "ЗЦЗЦ " and the centre's number before the
// header; a file to send opens with its header.
TRegisterCache::Content ParseRegisterText(QByteArrayView bytes, bool received);

// A received telegram as the numbering sees it: its number and when it was
// filed.
struct TRegisterNumbered {
    int number = 0;  // 0..999
    QDateTime time;
};

// How the day before ended, for a numbering that runs on into this day.
struct TRegisterPreviousDay {
    bool exists = false;   // it has received telegrams
    int last = 0;          // the highest number of its last numbering
    bool changed = false;  // it saw a numbering change of its own
};

struct TRegisterGaps {
    QList<TRegisterGap> gaps;
    int numberings = 0;
    int last = 0;  // the highest number of the last numbering
};

// The numbers of the day that no telegram carries. The telegrams, in the
// order they were filed, fall into numberings: a number that falls back to
// the first of the running numbering or below, with no later telegram going
// on with the old numbers, starts a new one (the centre's numbering change);
// a number that falls back less is a telegram sent again or late, and one
// that passes 999 goes on from 000. Each numbering runs from 001 to its
// highest number; the day's first starts after the highest of the day before
// when a numbering crosses midnight (a change before or after it), else at
// 001, or at its own first number when nothing says where it began.
TRegisterGaps FindRegisterGaps(QList<TRegisterNumbered> telegrams,
                               const TRegisterPreviousDay& previous);
