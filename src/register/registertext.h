#pragma once

#include "register/register.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The register as the operator reads it, the same in the window, on paper
// and in the export.

// "Журнал телеграмм".
QString RegisterTitle();
// "Журнал телеграмм за 30.01.2026 (0130)".
QString RegisterDayTitle(const TRegisterDay& day);
// A number as the centre writes it ("045"); empty for none.
QString RegisterNumberText(int number);
// The fate, or for a received telegram its state ("принята", "принимается").
QString RegisterFateText(const TRegisterEntry& entry);
// "да" or "нет" for a received file's read mark; empty for a sent one.
QString RegisterReadText(const TRegisterEntry& entry);
// What the operator has to know of a file at a glance: read or not, still
// being received, or the fate of a sent one.
QString RegisterStateText(const TRegisterEntry& entry);
// "14:30:05".
QString RegisterTimeText(const TRegisterEntry& entry);
// The gaps first, for the operator to ask the centre for: "Пропущены номера
// ЦКС: 005, 010–012", or that there are none.
QString RegisterGapsText(const TRegisterDay& day);
// The totals by fate and by category, a line each.
QStringList RegisterTotalsLines(const TRegisterDay& day);

// The sections' titles: 0 "Принятые", 1 "Служебные сообщения", 2 "Переданные".
QString RegisterSectionTitle(int section);
// The columns of each section, for the window and the printout.
QStringList RegisterReceivedColumns();
QStringList RegisterServiceColumns();
QStringList RegisterSentColumns();
QStringList RegisterReceivedRow(const TRegisterEntry& entry);
QStringList RegisterServiceRow(const TRegisterEntry& entry);
QStringList RegisterSentRow(const TRegisterEntry& entry);

// The export: UTF-8 with a byte-order mark, ";" between fields, CR LF after
// each row, a header row, then one row per telegram (received, service
// messages, sent) with its direction, so that office programs open the
// Cyrillic right.
QByteArray RegisterCsv(const TRegisterDay& day);
// That export as a file, written whole or not at all. Empty on success, else
// the operator's error.
QString WriteRegisterCsv(const QString& path, const TRegisterDay& day);
