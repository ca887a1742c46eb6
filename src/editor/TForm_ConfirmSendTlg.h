#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

// The send confirmation ("Отправка телеграммы"): the composed telegram in a
// read-only memo without wrapping; "Выполнить" accepts, "Отменить" cancels.
class TForm_ConfirmSendTlg : public QDialog {
    Q_OBJECT
public:
    explicit TForm_ConfirmSendTlg(QWidget* parent = nullptr);

    // Shows the lines; an item may hold line breaks of its own.
    void SetLines(const QStringList& lines);

    QPlainTextEdit* TntMemo_ConfirmSendTlg;
    QPushButton* Button_Execute;
    QPushButton* Button_Cancel;
};
