#pragma once

#include "util/texttypes.h"

#include <QDialog>

class IPerforator;
class QPlainTextEdit;
class QPushButton;
class TProtocol;
class TTapeStrip;

// "Ввод с перфоленты": reads a tape into a text, shown modally. The tape
// port is held open while the window is up.
class TForm_PerforatorIn : public QDialog {
    Q_OBJECT
public:
    TForm_PerforatorIn(IPerforator& perforator, TProtocol& protocol, QWidget* parent = nullptr);

    // The perforator's events; nothing happens while the window is hidden
    // (text read meanwhile is dropped).
    void PerforatorStatusChanged();
    void PerforatorReceived(const LineText& text);
    void PerforatorTapeEnd();

    // Every way of closing the window stops a read under way and lets the
    // port go.
    void done(int result) override;

    // The text read so far.
    const LineText& TapeText() const { return tapeText_; }

    QPlainTextEdit* Memo;
    TTapeStrip* TapeStrip;
    QPushButton* Button_Start;
    QPushButton* Button_Stop;
    QPushButton* Button_Ok;
    QPushButton* Button_Cancel;
    QPushButton* Button_DeleteFirst;
    QPushButton* Button_DeleteEnd;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    void showText();
    void Button_StartClick();
    void Button_StopClick();
    void Button_DeleteFirstClick();
    void Button_DeleteEndClick();

    IPerforator& perforator_;
    TProtocol& protocol_;
    LineText tapeText_;
};
