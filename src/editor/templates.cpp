#include "editor/templates.h"

#include "editor/addressbook.h"
#include "editor/editortext.h"
#include "exchange/outgoingqueue.h"
#include "util/codepages.h"
#include "util/telegramtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kTemplateSuffix = QStringLiteral(".txt");
// A file larger than this is no telegram text in any encoding.
constexpr qint64 kTemplateReadLimit = 64 * 1024;

}  // namespace

QString TemplateFolder(const QString& programFolder) {
    return QDir(programFolder).absoluteFilePath(QStringLiteral("tpl")) + u'/';
}

QList<TTemplate> ListTemplates(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists())
        dir.mkpath(QStringLiteral("."));
    QList<TTemplate> out;
    for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
        QString name = file;
        if (name.endsWith(kTemplateSuffix, Qt::CaseInsensitive) &&
            name.size() > kTemplateSuffix.size())
            name.chop(kTemplateSuffix.size());
        out << TTemplate{name, dir.absoluteFilePath(file)};
    }
    std::stable_sort(out.begin(), out.end(), [](const TTemplate& a, const TTemplate& b) {
        return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
    });
    return out;
}

qsizetype TelegramTextBytes(QStringView text) {
    return WideToAnsi(JoinLines(MemoLines(text))).size();
}

TTemplateText ReadTemplate(const QString& path) {
    TTemplateText out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    if (file.size() > kTemplateReadLimit) {
        out.result = TTemplateText::Result::TooLong;
        out.bytes = file.size();
        return out;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return out;
    std::optional<QString> text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else if (!bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF") && IsUtf8Text(bytes))
        text = QString::fromUtf8(bytes);
    if (text)
        text = StripTelegramFrame(*text);
    else
        text = ReadFileForEditor(path);
    if (!text)
        return out;
    out.text = ToMemoText(*text);
    out.bytes = TelegramTextBytes(out.text);
    out.result = out.bytes >= TOutgoingQueue::kSizeLimit ? TTemplateText::Result::TooLong
                                                         : TTemplateText::Result::Read;
    return out;
}

QString TemplateNameProblem(QStringView name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("Введите название шаблона.");
    if (name.startsWith(u'.') || name.contains(u'/') || name.contains(QChar(0)))
        return QStringLiteral("Название шаблона не может начинаться с точки и содержать «/».");
    return {};
}

QString TemplatePath(const QString& folder, const QString& name) {
    return QDir(folder).absoluteFilePath(name.trimmed() + kTemplateSuffix);
}

QString SaveTemplate(const QString& folder, const QString& name, QStringView text, bool ansi) {
    const QString path = TemplatePath(folder, name);
    const QString failure = QStringLiteral("Шаблон не записан в файл ") + path + u'.';
    if (!QDir().mkpath(folder))
        return failure;
    const QString lines = JoinLines(MemoLines(text));
    const QByteArray bytes = ansi ? WideToAnsi(lines) : Utf16TelegramBytes(lines);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return failure;
    return {};
}
