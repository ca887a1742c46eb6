#pragma once

#include "util/texttypes.h"

#include <QDialog>

#include <functional>

class ISoundPlayer;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TProtocol;
struct _tlg_config;

// What the alert windows use of the main window.
struct TAlertContext {
    const _tlg_config& config;
    TProtocol& protocol;
    ISoundPlayer& player;
    // The line's send path (the service groups' SendToLine).
    std::function<void(const LineText&)> sendToLine;
    // The operator on duty when the operator list is in use; empty otherwise.
    std::function<QString()> operatorName;
    std::function<int()> numberInput;
    // An alert came up or went (for the tray while the window is hidden).
    std::function<void(const QString& text)> alerted;
    std::function<void()> dismissed;
};

// "Прием категорийной телеграммы, обеспечьте прием": on top, with its
// sound, until closed.
class TForm_Info : public QDialog {
    Q_OBJECT
public:
    TForm_Info(const TAlertContext& context, QWidget* parent);
    // Shows it with its sound; a shown alert stays as it is.
    void ShowAlert();
    // The timer's second: a beep for the kind "Динамик".
    void Tick();

    QLabel* Label_Info;
    QPushButton* Button_Close;
    QTimer* Timer;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    const TAlertContext& context_;
    bool shown_ = false;
};

// The centre asks to confirm a telegram of category Р: the number, the
// operator, and "ЗЦЗЦ КС Р<n> ПРИН <name> НННН  " to the line, by the
// operator or, with an operator on duty and OPERATOR/RAutoConfirm, by
// itself after that many seconds.
class TForm_RaketaConfirm : public QDialog {
    Q_OBJECT
public:
    TForm_RaketaConfirm(const TAlertContext& context, QWidget* parent);
    void Open(const LineText& message);
    void Tick();
    void Confirm();
    int Countdown() const { return countdown_; }

    QLabel* Label_Title;
    QLabel* Label_Msg;
    QLineEdit* Edit_N;
    QLineEdit* Edit_Name;
    QPushButton* Button_Confirm;
    QPushButton* Button_Refuse;
    QTimer* Timer;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showCountdown();

    const TAlertContext& context_;
    int countdown_ = 0;
};

// The centre's words for the operator ("TARVO/COM [Message]").
class TForm_Message : public QDialog {
    Q_OBJECT
public:
    TForm_Message(const TAlertContext& context, QWidget* parent);
    // Shows the text (a new one replaces the shown one) and brings it forward.
    void ShowMessage(const LineText& text);
    void Dismiss();

    QLabel* Label_Message;
    QPushButton* Button_Close;

private:
    const TAlertContext& context_;
};

// The lost-link alarm of the one-second tick, and "Убрать звук".
class TNoConnectionAlarm {
public:
    TNoConnectionAlarm(const _tlg_config& config, ISoundPlayer& player,
                       std::function<void(bool)> showStopButton);
    void Tick(bool connected);
    void StopSound();
    int Counter() const { return counter_; }

private:
    const _tlg_config& config_;
    ISoundPlayer& player_;
    std::function<void(bool)> showStopButton_;
    int counter_ = 0;
};
