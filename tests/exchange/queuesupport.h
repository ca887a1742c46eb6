#pragma once

#include "exchangesupport.h"

#include <QStringList>

#include <memory>

// An exchange with the channel working (РБ, automatic) and the outgoing
// queue's tools: files dropped into out/, the line taking what waits, ticks
// of the one-second timer with the clock moving on.
class QueueFixture : public ExchangeFixture {
protected:
    QueueFixture();

    // A telegram file in out/ (code page 1251, or bytes as they are).
    void Put(const QString& name, const QString& text) const;
    void PutBytes(const QString& name, const QByteArray& bytes) const;
    // The line writes everything waiting in one block; what it wrote.
    LineText Drain();
    // Ticks, one second of the clock each.
    void Tick(int count = 1);
    // Ticks until something waits on the line (at most limit); what waits.
    LineText TickUntilSent(int limit = 100);
    // A counter report of the centre.
    void Report(int yours, int ours, const QString& words = "СВЯЗЬ ОТКРЫТА");

    // Names in the out root and in today's out folder.
    QStringList OutRoot() const;
    QStringList OutDay() const;
    // A file below out/, or empty.
    QByteArray OutFile(const QString& name) const;
    // STATUS/NumberOutput as the settings file holds it, -1 when absent.
    int StoredNumberOutput() const;
    // The program started again: the settings file read back into a second
    // exchange, with the same protocol, clock and host and a line of its own;
    // neither its folders nor its day are started.
    struct NextRun {
        _tlg_config config;
        _tlg_status status;
        RecordingLine line;
        std::unique_ptr<TExchange> exchange;
    };
    std::unique_ptr<NextRun> StartNextRun();
    // The frame of a numbered telegram as it goes on the line.
    static LineText Frame(int number, const QString& text);
};
