#include "protocol/TProtocolPage.h"

#include "protocol/TPrtWindow.h"
#include "protocol/protocol.h"
#include "protocol/protocolcopy.h"
#include "protocol/protocoltyping.h"
#include "util/clipboard.h"
#include "util/clock.h"
#include "util/codepages.h"
#include "util/datetimeformat.h"
#include "util/linecode.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

// The X11 key code of the right Ctrl key, as the native scan code of its
// key events: the keyboard state has no left/right distinction of its own.
constexpr quint32 kRightCtrlScanCode = 105;

bool IsRightCtrl(const QKeyEvent* event) {
    return event->key() == Qt::Key_Control && event->nativeScanCode() == kRightCtrlScanCode;
}

// Typed characters that go to the line; others are left to the scroll bar.
// X11 gives the Delete key the text DEL (127), which is no typed character.
bool IsLineCharacter(char16_t c) {
    return (c >= 32 && c != 0x7F) || c == '\r' || c == '\n';
}

}  // namespace

TProtocolPage::TProtocolPage(TProtocol& protocol, const IClock& clock, QWidget* parent)
    : QWidget(parent), protocol_(protocol), clock_(clock) {
    setObjectName(QStringLiteral("TabSheet_Protocol"));

    DateTimePicker_Prt = new QDateEdit(this);
    DateTimePicker_Prt->setObjectName(QStringLiteral("DateTimePicker_Prt"));
    DateTimePicker_Prt->setCalendarPopup(true);
    DateTimePicker_Prt->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    {
        const QSignalBlocker quiet(DateTimePicker_Prt);
        DateTimePicker_Prt->setDate(clock_.LocalTime().date());
    }
    Edit_ProtocolSearch = new QLineEdit(this);
    Edit_ProtocolSearch->setObjectName(QStringLiteral("Edit_ProtocolSearch"));
    Button__ProtocolSearch = new QPushButton(QStringLiteral(">"), this);
    Button__ProtocolSearch->setObjectName(QStringLiteral("Button__ProtocolSearch"));
    Button__ProtocolSearch->setMaximumWidth(
        Button__ProtocolSearch->fontMetrics().horizontalAdvance(QStringLiteral(">")) + 24);
    TntCheckBox_Split = new QCheckBox(QStringLiteral("Разделить"), this);
    TntCheckBox_Split->setObjectName(QStringLiteral("TntCheckBox_Split"));
    TntCheckBox_ShowRegisters = new QCheckBox(QStringLiteral("Регистры"), this);
    TntCheckBox_ShowRegisters->setObjectName(QStringLiteral("TntCheckBox_ShowRegisters"));
    TntCheckBox_ShowRegisters->setChecked(false);

    PrtWindow = new TPrtWindow(protocol_, this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(DateTimePicker_Prt);
    controls->addWidget(Edit_ProtocolSearch, 1);
    controls->addWidget(Button__ProtocolSearch);
    controls->addWidget(TntCheckBox_Split);
    controls->addWidget(TntCheckBox_ShowRegisters);
    auto* middle = new QHBoxLayout;
    middle->addWidget(PrtWindow, 1);
    sidePanels_ = new QVBoxLayout;
    middle->addLayout(sidePanels_);
    bottomPanels_ = new QVBoxLayout;
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(2, 2, 2, 2);
    page->addLayout(controls);
    page->addLayout(middle, 1);
    page->addLayout(bottomPanels_);

    TntPopupMenu_Protocol = new QMenu(this);
    TntPopupMenu_Protocol->setObjectName(QStringLiteral("TntPopupMenu_Protocol"));
    TntPopupMenu_Protocol->setSeparatorsCollapsible(true);
    auto item = [this](const char* name, const QString& caption) {
        QAction* action = TntPopupMenu_Protocol->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    auto separator = [this](const char* name) {
        QAction* action = TntPopupMenu_Protocol->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };
    Menu_CopyProtocol = item("Menu_CopyProtocol", QStringLiteral("Копировать"));
    Separator_Copy = separator("Separator_Copy");
    Menu_CopyProtocolReceive =
        item("Menu_CopyProtocolReceive", QStringLiteral("Копировать \"Прием\""));
    Menu_CopyProtocolSend =
        item("Menu_CopyProtocolSend", QStringLiteral("Копировать \"Передачу\""));
    Separator_Perforator = separator("Separator_Perforator");
    Menu_PrfProtocolReceive =
        item("Menu_PrfProtocolReceive", QStringLiteral("\"Прием\" на перфоратор "));
    Menu_PrfProtocolSend =
        item("Menu_PrfProtocolSend", QStringLiteral("\"Передачу\" на перфоратор"));
    Separator_Paste = separator("Separator_Paste");
    Menu_PasteProtocolSend =
        item("Menu_PasteProtocolSend", QStringLiteral("Вставить на \"Передачу\""));

    connect(DateTimePicker_Prt, &QDateEdit::dateChanged, this,
            &TProtocolPage::DateTimePicker_PrtChange);
    connect(Button__ProtocolSearch, &QPushButton::clicked, this,
            &TProtocolPage::Button__ProtocolSearchClick);
    connect(TntCheckBox_Split, &QCheckBox::toggled, this, &TProtocolPage::TntCheckBox_SplitClick);
    connect(TntCheckBox_ShowRegisters, &QCheckBox::toggled, this,
            &TProtocolPage::TntCheckBox_ShowRegistersClick);
    connect(Menu_CopyProtocol, &QAction::triggered, this, &TProtocolPage::Menu_CopyProtocolClick);
    connect(Menu_CopyProtocolReceive, &QAction::triggered, this,
            &TProtocolPage::Menu_CopyProtocolReceiveClick);
    connect(Menu_CopyProtocolSend, &QAction::triggered, this,
            &TProtocolPage::Menu_CopyProtocolSendClick);
    connect(Menu_PrfProtocolReceive, &QAction::triggered, this,
            [this] { emit punchRequested(PrtWindow->CopyText(kCopyReceived, true)); });
    connect(Menu_PrfProtocolSend, &QAction::triggered, this,
            [this] { emit punchRequested(PrtWindow->CopyText(kCopyTransmitted, true)); });
    connect(Menu_PasteProtocolSend, &QAction::triggered, this,
            &TProtocolPage::Menu_PasteProtocolSendClick);
    connect(TntPopupMenu_Protocol, &QMenu::aboutToShow, this,
            &TProtocolPage::TntPopupMenu_ProtocolPopup);
    connect(PrtWindow, &TPrtWindow::popupRequested, TntPopupMenu_Protocol,
            [this](const QPoint& pos) { TntPopupMenu_Protocol->popup(pos); });

    PrtWindow->ScrollBar()->installEventFilter(this);
}

TProtocolPage::~TProtocolPage() = default;

void TProtocolPage::DateTimePicker_PrtChange() {
    // The picked calendar day, without the working-day offset of the clock.
    protocol_.ShowDay(FormatDelphiDate(DateTimePicker_Prt->date(), dayFormat_) +
                      QStringLiteral(".prt"));
}

QDate TProtocolPage::Today() const {
    return today_ ? today_() : clock_.LocalTime().date();
}

void TProtocolPage::PickToday() {
    const QSignalBlocker quiet(DateTimePicker_Prt);
    DateTimePicker_Prt->setDate(Today());
}

void TProtocolPage::ReturnToToday() {
    PickToday();
    DateTimePicker_PrtChange();
    PrtWindow->ScrollToEnd();
}

void TProtocolPage::Button__ProtocolSearchClick() {
    PrtWindow->FindText(WideToCp866(Edit_ProtocolSearch->text()));
}

void TProtocolPage::TntCheckBox_SplitClick() {
    PrtWindow->SetSplit(TntCheckBox_Split->isChecked());
}

void TProtocolPage::TntCheckBox_ShowRegistersClick() {
    PrtWindow->SetShowRegisters(TntCheckBox_ShowRegisters->isChecked());
}

void TProtocolPage::Menu_CopyProtocolClick() {
    copyToClipboard(kCopyAll);
}

void TProtocolPage::Menu_CopyProtocolReceiveClick() {
    copyToClipboard(kCopyReceived);
}

void TProtocolPage::Menu_CopyProtocolSendClick() {
    copyToClipboard(kCopyTransmitted);
}

void TProtocolPage::TntPopupMenu_ProtocolPopup() {
    const bool punch = perforatorEnabled_ && perforatorEnabled_() && protocol_.SelFirst() >= 0 &&
                       protocol_.SelLast() >= 0;
    Menu_PrfProtocolReceive->setVisible(punch);
    Menu_PrfProtocolSend->setVisible(punch);
    Menu_PasteProtocolSend->setVisible(typing_ && typing_->IsManualMode() &&
                                       !ClipboardText().isEmpty());
}

void TProtocolPage::Menu_PasteProtocolSendClick() {
    const AnsiText text = ClipboardText();
    if (!text.isEmpty())
        Q_EMIT pasteToLineRequested(text);
}

void TProtocolPage::copyToClipboard(int mode) {
    const LineText text = PrtWindow->CopyText(mode, TntCheckBox_ShowRegisters->isChecked());
    CopyTextToClipboard(Cp866ToCp1251(text));
}

bool TProtocolPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PrtWindow->ScrollBar()) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (IsRightCtrl(key))
                rightCtrl_ = true;
            else if (typed(key))
                return true;
        } else if (event->type() == QEvent::KeyRelease) {
            if (IsRightCtrl(static_cast<QKeyEvent*>(event)))
                rightCtrl_ = false;
        } else if (event->type() == QEvent::FocusOut) {
            rightCtrl_ = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TProtocolPage::typed(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        ReturnToToday();
        return true;
    }
    const QString text = event->text();
    QString mapped;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (!IsLineCharacter(c))
            continue;
        if (c == '\r') {
            const bool ctrl = rightCtrl_ && (event->modifiers() & Qt::ControlModifier);
            mapped += ctrl ? QStringLiteral("\r") : QStringLiteral("\r\n");
        } else if (c == '>') {
            mapped += u'\r';
        } else if (c == '<') {
            mapped += u'\n';
        } else {
            mapped += qc;
        }
    }
    if (mapped.isEmpty())
        return false;
    if (!typing_ || !typing_->IsManualMode())
        return true;
    typing_->SendToLine(WideToLine(mapped));
    ReturnToToday();
    return true;
}
