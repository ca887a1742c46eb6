#pragma once

#include "protocol/protocol.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The protocol's error window ("Ошибка"): each failure to write the
// protocol file adds a line and brings the window to the front without
// waiting for the operator; closing it empties it. The main window owns it
// and hands it to the store with AttachNotices.
class TForm_PrtWindowMessage : public QDialog, public IProtocolNotices {
    Q_OBJECT
public:
    explicit TForm_PrtWindowMessage(QWidget* parent = nullptr);

    void ReportWriteFailure(const QString& text) override;
    // A message box with the text. It does not wait for the answer: the
    // store calls this in the middle of changing its folder, and a nested
    // event loop there would let the one-second tick log into it meanwhile.
    void ShowFolderError(const QString& text) override;

    QPlainTextEdit* TntMemo_Message;
    QPushButton* Button_Close;

    void done(int result) override;
};
