#pragma once

#include <QDate>
#include <QString>

// The request to the control service's automaton (АВТОКСС), as its form
// (Form_AutoKSS) collects it. The form puts the request into the editor,
// where the operator sends it as any telegram.
struct TAutoKssRequest {
    QString Journal;    // TntComboBox_JC: "ЖРН" or "КОП"
    QString Direction;  // TntComboBox_IO: "ИСХ" or "ВХ"
    QString Channel;    // TntEdit_Channel, up to 6 characters
    QString ChannelS;   // TntEdit_ChannelS, up to 2
    QString Number;     // TntEdit_N, up to 4
    QDate Date;         // the date picker ("dd.MM")
};

// The index and channel fields of the form for the editor's default index
// (EDITOR/Index): its first three characters followed by "997" and "000".
struct TAutoKssFields {
    QString Index;
    QString Channel;
};
TAutoKssFields AutoKssFields(const QString& defaultIndex);

// The editor text of a request: journal, direction, channel, channel S,
// number and the date as "dd.MM", separated by single spaces.
QString AutoKssText(const TAutoKssRequest& request);
