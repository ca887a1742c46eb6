#pragma once

#include "util/qtcompat.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QStringView>

// Lists kept in one ini value as comma-separated text: the category lists and
// the operator list.
//
// Written item by item joined with ","; an item holding a blank, a control
// character, a comma or a double quote is put in double quotes with its inner
// double quotes doubled; a list of one empty item is written as "".
//
// Read back by skipping blanks and control characters before each item; an
// item that starts with a double quote runs to the closing quote (a doubled
// quote standing for one), any other item up to the next blank, control
// character or comma, so blanks outside quotes separate items too; a comma at
// the very end adds an empty last item.

QString ListToCommaText(const QStringList& items);
QStringList CommaTextToList(QStringView text);

// The same for byte strings such as line code: every character the rules
// look at is ASCII, so the other bytes pass through unchanged.
QByteArray ListToCommaText(const QList<QByteArray>& items);
QList<QByteArray> CommaTextToList(QByteArrayView text);
