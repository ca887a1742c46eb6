#pragma once

#include "util/texttypes.h"

#include <QDialog>

class IPerforator;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TProtocol;
class TTapeStrip;

// "Вывод на перфоленту": punches a text to tape. It stays on top without
// blocking the main window, and holds the tape port open while it is up.
class TForm_PerforatorOut : public QDialog {
    Q_OBJECT
public:
    TForm_PerforatorOut(IPerforator& perforator, TProtocol& protocol, QWidget* parent = nullptr);

    // Opens the window for line code.
    void ShowForPunch(const LineText& text);
    // The same for display text: the memo shows it as it is, the tape gets
    // its line code.
    void ShowForPunchWide(const QString& text);

    // The perforator's events; nothing happens while the window is hidden.
    void PerforatorStatusChanged();
    void PerforatorSent();

    // Every way of closing the window lets the port go.
    void done(int result) override;

    const LineText& TapeText() const { return tapeText_; }
    bool Punching() const { return punching_; }

    QPlainTextEdit* Memo;
    TTapeStrip* TapeStrip;
    QProgressBar* ProgressBar;
    QPushButton* Button_Start;
    QPushButton* Button_Stop;
    QPushButton* Button_Skip;
    QPushButton* Button_Skip10;
    QPushButton* Button_Cancel;
    // Says that a punch broke off and how much of the text it left out.
    QLabel* Label_Stopped;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showFor(const LineText& tape, const QString& memoText);
    void enableSkips();
    void punchBrokeOff(int unpunched);
    void Button_StartClick();
    void Button_StopClick();
    void Button_SkipClick(int frames);
    void Button_CancelClick();

    IPerforator& perforator_;
    TProtocol& protocol_;
    LineText tapeText_;
    bool punching_ = false;
};
