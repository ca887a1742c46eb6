#pragma once

#include <QString>
#include <QStringView>

class QWidget;

// The file choosers of the exchange panel. Filters are given as the program
// has always written them, Windows style: "Описание|маска|Описание|маска".
// An empty path means the operator cancelled.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    virtual QString OpenFile(const QString& filter) = 0;
    // The file is appended to, so choosing an existing one is not questioned.
    virtual QString SaveFile(const QString& filter, const QString& defaultSuffix) = 0;
};

// The Windows-style filter "ТЛГ файлы (*.tlg)|*.tlg|Все файлы|*.*" in
// QFileDialog's form "ТЛГ файлы (*.tlg);;Все файлы (*)": each description
// gets its patterns in parentheses (";" between Windows patterns becomes a
// blank) and "*.*", which on Linux would ask for a dot, becomes "*".
QString QtFileFilter(QStringView windowsFilter);

// The choosers as QFileDialog shows them, starting in the current folder.
class TQtFileDialogs : public IFileDialogs {
public:
    explicit TQtFileDialogs(QWidget* parent) : parent_(parent) {}
    QString OpenFile(const QString& filter) override;
    QString SaveFile(const QString& filter, const QString& defaultSuffix) override;

private:
    QWidget* parent_;
};
