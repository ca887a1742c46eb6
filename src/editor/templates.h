#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Prepared texts: files in the folder "tpl/" of the program folder, listed
// by name in the editor's "Шаблон" menu. The program saves them as it saves
// outgoing telegrams (code page 1251, or UTF-16 in Unicode mode); files put
// there by hand may be in code page 1251, 866, UTF-16 or UTF-8.

struct TTemplate {
    QString Name;  // the file name, without ".txt"
    QString Path;  // absolute
};

// programFolder + "/tpl/".
QString TemplateFolder(const QString& programFolder);

// The templates in the folder, sorted by name without regard to case; the
// folder is made when missing. Hidden files and folders are left out.
QList<TTemplate> ListTemplates(const QString& folder);

// A template's text as the editor takes it: the telegram frame left out,
// line breaks as "\n".
struct TTemplateText {
    enum class Result { Read, Unreadable, TooLong };
    Result result = Result::Unreadable;
    QString text;
    qsizetype bytes = 0;  // the text's size as a telegram file holds it
};
TTemplateText ReadTemplate(const QString& path);

// The text's size in a telegram file: code page 1251, lines ended by CR LF.
qsizetype TelegramTextBytes(QStringView text);

// Empty when a name can be a template's file name; otherwise why not.
QString TemplateNameProblem(QStringView name);

// Where a template of that name is saved.
QString TemplatePath(const QString& folder, const QString& name);

// Writes the text atomically as the template of that name (replacing one of
// the same name); in code page 1251 with CR LF when ansi, else UTF-16 with a
// byte-order mark. Empty on success, else the text to show.
QString SaveTemplate(const QString& folder, const QString& name, QStringView text, bool ansi);
