// The main window's side of telegram printing: the print buttons and what
// the printer thread reports.

#include "shell/TForm_TARVO.h"

#include "archive/TDayListPage.h"
#include "editor/TEditorPage.h"
#include "editor/TForm_ConfirmSendTlg.h"
#include "print/printer.h"
#include "protocol/protocol.h"
#include "util/linecode.h"
#include "util/telegramtext.h"

#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

void TForm_TARVO::buildPrinting() {
    printer_ = std::make_unique<TTelegramPrinter>(config_, records_.controls, clock_);
    connect(printer_.get(), &TTelegramPrinter::jobEnded, this, &TForm_TARVO::PrintJobEnded);
    // A printer that holds one job holds every later one: the operator learns
    // it from the protocol while it lasts.
    connect(printer_.get(), &TTelegramPrinter::jobHeld, this, [this](int seconds, int waiting) {
        protocol_.AddMessage(QStringLiteral("ОШИБКА ПЕЧАТИ (ПРИНТЕР НЕ ПРИНИМАЕТ ЗАДАНИЕ ") +
                                 QString::number(seconds) + QStringLiteral(" СЕК), ЖДУТ ПЕЧАТИ: ") +
                                 QString::number(waiting),
                             kProtocolError);
    });
    for (TDayListPage* page : {inPage_, outPage_}) {
        page->SetButtonAvailable(page->Button_Print, true);
        connect(page->Button_Print, &QPushButton::clicked, this,
                [this, page] { ConfirmAndPrint(MemoLines(page->Memo->toPlainText())); });
    }
    editorPage_->Button_Editor_Print->setEnabled(true);
    connect(editorPage_->Button_Editor_Print, &QPushButton::clicked, this, [this] {
        editorPage_->ComposeOutgoing();
        // Every line break a line of its own.
        ConfirmAndPrint(
            outgoing_.OutgoingLines.join(QStringLiteral("\r\n")).split(QStringLiteral("\r\n")));
    });
}

void TForm_TARVO::ConfirmAndPrint(const QStringList& lines) {
    TForm_ConfirmSendTlg confirm(this);
    confirm.setWindowTitle(QStringLiteral("Распечатка текста телеграммы"));
    confirm.SetLines(lines);
    if (confirm.exec() == QDialog::Accepted)
        PrintTelegram(lines);
}

void TForm_TARVO::PrintTelegram(const QStringList& lines) {
    printer_->Print(lines);
}

void TForm_TARVO::PrintCentreMessage(const LineText& text) {
    printer_->PrintMessage(text);
}

void TForm_TARVO::PrintJobEnded(int kind, const QString& detail) {
    switch (kind) {
        case TPrintOutcome::Printed:
            break;
        case TPrintOutcome::NoDevice: {
            protocol_.AddText(WideToLine(QStringLiteral("ОШИБКА ПЕЧАТИ (НЕТ УСТРОЙСТВА)")),
                              kProtocolError);
            // Shown without waiting: a received telegram may have asked for
            // it. No box once the program is ending (the last reports).
            if (finished_)
                break;
            auto* box =
                new QMessageBox(QMessageBox::NoIcon, QString(),
                                QStringLiteral("Print error (No Device)"), QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
            break;
        }
        case TPrintOutcome::NoConnection:
            protocol_.AddMessage(QStringLiteral("ОШИБКА ПЕЧАТИ (НЕТ СВЯЗИ С ПРИНТЕРОМ) ") + detail,
                                 kProtocolError);
            break;
        default:
            protocol_.AddMessage(QStringLiteral("ОШИБКА ПЕЧАТИ: ") + detail, kProtocolError);
            if (!finished_)
                ShowErrorBox(QStringLiteral("Error"), detail);
            break;
    }
    QDir::setCurrent(programFolder_);
}
