// The editor page's prepared texts: the "Шаблон" menu and "Сохранить как
// шаблон…".

#include "editor/TEditorPage.h"

#include "config/tlgconfig.h"
#include "editor/TForm_AddressBook.h"
#include "editor/templates.h"
#include "exchange/outgoingqueue.h"
#include "protocol/protocol.h"

#include <QAction>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QPlainTextEdit>

namespace {

const QString kTemplateTitle = QStringLiteral("Шаблон");

QString tooLong(const QString& what, qsizetype bytes) {
    return QStringLiteral("%1: %2 байт, а в телеграмме их может быть не больше %3.")
        .arg(what)
        .arg(bytes)
        .arg(TOutgoingQueue::kSizeLimit - 1);
}

}  // namespace

void TEditorPage::PopupMenu_TemplatesPopup() {
    PopupMenu_Templates->clear();
    const QList<TTemplate> templates = ListTemplates(TemplateFolder(programFolder_));
    for (const TTemplate& prepared : templates) {
        QAction* action = PopupMenu_Templates->addAction(
            QString(prepared.Name).replace(u'&', QStringLiteral("&&")));
        connect(action, &QAction::triggered, this, [this, prepared] { LoadTemplate(prepared); });
    }
    if (templates.isEmpty())
        PopupMenu_Templates->addAction(QStringLiteral("Шаблонов нет"))->setEnabled(false);
    PopupMenu_Templates->addSeparator();
    PopupMenu_Templates->addAction(Action_SaveTemplate);
}

void TEditorPage::LoadTemplate(const TTemplate& prepared) {
    const TTemplateText read = ReadTemplate(prepared.Path);
    if (read.result == TTemplateText::Result::Unreadable) {
        TellOperator(
            window(), kTemplateTitle,
            QStringLiteral("Шаблон «%1» не прочитан: %2").arg(prepared.Name, prepared.Path));
        return;
    }
    if (read.result == TTemplateText::Result::TooLong) {
        TellOperator(
            window(), kTemplateTitle,
            tooLong(QStringLiteral("Шаблон «%1» не загружен").arg(prepared.Name), read.bytes));
        return;
    }
    if (!TntMemo_Edit->toPlainText().trimmed().isEmpty() &&
        !AskOperator(window(), kTemplateTitle,
                     QStringLiteral("Заменить текст телеграммы шаблоном «%1»?").arg(prepared.Name),
                     QStringLiteral("Заменить"), QStringLiteral("Отмена"), false))
        return;
    TntMemo_Edit->setPlainText(read.text);
    TntMemo_Edit->moveCursor(QTextCursor::End);
    TntMemo_Edit->setFocus();
    protocol_.AddMessage(QStringLiteral("В редактор загружен шаблон:") + prepared.Path,
                         kProtocolEvent);
}

void TEditorPage::Action_SaveTemplateClick() {
    const QString text = TntMemo_Edit->toPlainText();
    if (text.trimmed().isEmpty()) {
        TellOperator(window(), kTemplateTitle, QStringLiteral("Текст пуст: сохранять нечего."));
        return;
    }
    if (const qsizetype bytes = TelegramTextBytes(text); bytes >= TOutgoingQueue::kSizeLimit) {
        TellOperator(window(), kTemplateTitle,
                     tooLong(QStringLiteral("Шаблон не сохранён: в тексте"), bytes));
        return;
    }
    const QString folder = TemplateFolder(programFolder_);
    QString name;
    for (;;) {
        QInputDialog ask(window());
        ask.setObjectName(QStringLiteral("Form_TemplateName"));
        ask.setWindowTitle(QStringLiteral("Сохранить как шаблон"));
        ask.setLabelText(QStringLiteral("Название шаблона:"));
        ask.setTextValue(name);
        ask.setOkButtonText(QStringLiteral("Сохранить"));
        ask.setCancelButtonText(QStringLiteral("Отмена"));
        if (ask.exec() != QDialog::Accepted)
            return;
        name = ask.textValue().trimmed();
        if (const QString problem = TemplateNameProblem(name); !problem.isEmpty()) {
            TellOperator(window(), kTemplateTitle, problem);
            continue;
        }
        if (QFileInfo::exists(TemplatePath(folder, name)) &&
            !AskOperator(window(), kTemplateTitle,
                         QStringLiteral("Шаблон «%1» уже есть. Заменить его?").arg(name),
                         QStringLiteral("Заменить"), QStringLiteral("Отмена"), false))
            continue;
        break;
    }
    if (const QString error = SaveTemplate(folder, name, text, config_.SaveTlgAnsi);
        !error.isEmpty()) {
        protocol_.AddMessage(error, kProtocolError);
        TellOperator(window(), kTemplateTitle, error);
        return;
    }
    protocol_.AddMessage(QStringLiteral("Текст сохранен как шаблон: ") + TemplatePath(folder, name),
                         kProtocolEvent);
}
