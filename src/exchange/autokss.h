#pragma once

#include <QDate>
#include <QString>

// The request of the automatic control service ("Запрос АВТО КСС"): a short
// telegram to the control service's index that asks for a journal or a copy
// of a telegram. The form collects the fields; the text is made here.

struct TAutoKssRequest {
    QString JC;        // "ЖРН" (journal) or "КОП" (copy)
    QString IO;        // "ИСХ" (outgoing) or "ВХ" (incoming)
    QString Channel;   // up to 6 characters
    QString ChannelS;  // up to 2
    QString N;         // up to 4
    QString Index;     // up to 6: the control service's index
    QDate Date;
};

// The control service sits at the workstation's own prefix (the first three
// characters of EDITOR/Index) + "997". Unless the form's index is that
// already, the index becomes it and the channel becomes the prefix + "000".
void PrepareAutoKssRequest(const QString& editorIndex, QString& index, QString& channel);

// The editor text of a request: JC, IO, channel, channel S, N and the date
// ("dd.MM"), separated by single blanks.
QString AutoKssText(const TAutoKssRequest& request);
