#include "tape/filedialogs.h"

#include <QFileDialog>
#include <QStringList>

QString QtFileFilter(QStringView windowsFilter) {
    const QStringList parts = windowsFilter.toString().split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == u"*.*")
                p = QStringLiteral("*");
        }
        // A description that names its patterns already ("ТЛГ файлы (*.tlg)")
        // keeps its words only, so that they are not named twice.
        QString description = parts[i].trimmed();
        if (description.endsWith(u')')) {
            const qsizetype open = description.lastIndexOf(u'(');
            if (open >= 0)
                description = description.left(open).trimmed();
        }
        filters << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

QString TQtFileDialogs::OpenFile(const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, QString(), QString(), QtFileFilter(filter));
}

QString TQtFileDialogs::SaveFile(const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFileFilter(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}
