#include "support/pdftext.h"

#include "support/runprogram.h"

std::optional<QList<QStringList>> PdfPages(const QString& pdf) {
    const ProgramRun run = RunProgram(QStringLiteral("pdftotext"),
                                      {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (run.exitCode != 0)
        return std::nullopt;
    QStringList pages = QString::fromUtf8(run.out).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    QList<QStringList> texts;
    for (const QString& page : pages) {
        QStringList lines;
        for (const QString& line : page.split(u'\n'))
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        texts << lines;
    }
    return texts;
}
