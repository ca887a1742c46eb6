#include "util/clipboard.h"

#include "util/codepages.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void CopyTextToClipboard(QByteArrayView text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    qsizetype end = text.indexOf('\0');
    clipboard->setText(AnsiToWide(end < 0 ? text : text.first(end)));
}

AnsiText ClipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return {};
    const QMimeData* data = clipboard->mimeData();
    if (!data || !data->hasText())
        return {};
    return WideToAnsi(data->text());
}
