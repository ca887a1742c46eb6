#pragma once

#include "util/texttypes.h"

#include <QDate>
#include <QString>
#include <QWidget>

#include <functional>

class IClock;
class IProtocolTyping;
class QAction;
class QBoxLayout;
class QCheckBox;
class QDateEdit;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QPushButton;
class TProtocol;
class TPrtWindow;

// The protocol page ("Протокол") of the main window: the protocol view, the
// date picker that shows another day, the search field, the "Разделить" and
// "Регистры" switches and the view's popup menu. Characters typed while the
// view has the focus go to the line in manual mode (SetTyping).
//
// Later panels (service groups, the exchange between line, file and tape)
// go into SidePanels() beside the view or BottomPanels() below it.
class TProtocolPage : public QWidget {
    Q_OBJECT
public:
    TProtocolPage(TProtocol& protocol, const IClock& clock, QWidget* parent = nullptr);
    ~TProtocolPage() override;

    // Who receives the typing; none means automatic mode (typing ignored).
    void SetTyping(IProtocolTyping* typing) { typing_ = typing; }
    // Whether the tape items of the popup menu may be offered.
    void SetPerforatorEnabled(std::function<bool()> enabled) {
        perforatorEnabled_ = std::move(enabled);
    }
    // What "today" is for the picker: the working day, which the clock
    // correction may shift away from the computer's date. Without one, the
    // computer's date.
    void SetTodaySource(std::function<QDate()> today) { today_ = std::move(today); }
    QDate Today() const;
    // PATH/DayFormat, for the names of the days the picker shows.
    void SetDayFormat(const QString& format) { dayFormat_ = format; }
    const QString& DayFormat() const { return dayFormat_; }

    // What Escape does: the picker goes to today and shows it, and the view
    // goes to the end.
    void ReturnToToday();
    // The picker alone goes to today, for a caller that shows the live
    // protocol right after (a day start, the switch to manual mode): the
    // day's file is not loaded twice.
    void PickToday();

    QBoxLayout* SidePanels() const { return sidePanels_; }
    QBoxLayout* BottomPanels() const { return bottomPanels_; }

    TPrtWindow* PrtWindow;
    QDateEdit* DateTimePicker_Prt;
    QLineEdit* Edit_ProtocolSearch;
    QPushButton* Button__ProtocolSearch;
    QCheckBox* TntCheckBox_Split;
    QCheckBox* TntCheckBox_ShowRegisters;

    // The popup menu of the paint area. Its groups are separated by
    // Separator_Copy, Separator_Perforator and Separator_Paste (hidden while
    // nothing follows them); the perforator items follow
    // Separator_Perforator, the paste item Separator_Paste.
    QMenu* TntPopupMenu_Protocol;
    QAction* Menu_CopyProtocol;
    QAction* Menu_CopyProtocolReceive;
    QAction* Menu_CopyProtocolSend;
    QAction* Separator_Copy;
    QAction* Menu_PrfProtocolReceive;
    QAction* Menu_PrfProtocolSend;
    QAction* Separator_Perforator;
    QAction* Separator_Paste;
    // Вставить на "Передачу": shown only in manual mode with text on the
    // clipboard.
    QAction* Menu_PasteProtocolSend;

    void DateTimePicker_PrtChange();
    void Button__ProtocolSearchClick();
    void TntCheckBox_SplitClick();
    void TntCheckBox_ShowRegistersClick();
    void Menu_CopyProtocolClick();
    void Menu_CopyProtocolReceiveClick();
    void Menu_CopyProtocolSendClick();
    void Menu_PasteProtocolSendClick();
    // Before the popup menu opens: which items it shows.
    void TntPopupMenu_ProtocolPopup();

signals:
    // The operator wants the clipboard's text (code page 1251) on the line;
    // the main window asks for the confirmation and sends it.
    void pasteToLineRequested(const AnsiText& text);
    // A side of the selection, register marks kept, to the tape.
    void punchRequested(const LineText& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool typed(QKeyEvent* event);
    void copyToClipboard(int mode);

    TProtocol& protocol_;
    std::function<bool()> perforatorEnabled_;
    const IClock& clock_;
    IProtocolTyping* typing_ = nullptr;
    QString dayFormat_ = QStringLiteral("mmdd");
    std::function<QDate()> today_;
    bool rightCtrl_ = false;
    QBoxLayout* sidePanels_;
    QBoxLayout* bottomPanels_;
};
