#pragma once

#include "exchange/autokss.h"

#include <QDialog>

class QComboBox;
class QDate;
class QDateEdit;
class QLineEdit;
class QPushButton;

// The request form of the automatic control service ("Запрос АВТО КСС"),
// opened by the editor's "АВТОКСС" button. The main window keeps one for the
// whole run, so the fields keep what the operator last entered.
class TForm_AutoKSS : public QDialog {
    Q_OBJECT
public:
    explicit TForm_AutoKSS(QWidget* parent = nullptr);

    // Before showing: the index and channel after the prefix of EDITOR/Index
    // (PrepareAutoKssRequest), the date picker on the working day.
    void Prepare(const QString& editorIndex, const QDate& today);
    // The fields as they stand.
    TAutoKssRequest Request() const;

    QComboBox* TntComboBox_JC;
    QComboBox* TntComboBox_IO;
    QLineEdit* TntEdit_Channel;
    QLineEdit* TntEdit_ChannelS;
    QLineEdit* TntEdit_N;
    QLineEdit* TntEdit_Index;
    QDateEdit* DateTimePicker_AutoKSS;
    QPushButton* TntButton_Request;
    QPushButton* TntButton_Cancel;
};
