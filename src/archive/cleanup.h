#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

struct _tlg_config;

// The removal of old files from the received, outgoing and protocol folders.
// The plan is made on the GUI thread from the settings; running it touches
// nothing but the file system, so it may run on a thread of its own: it only
// ever deletes files older than the cut-off, never today's.

struct TCleanupStep {
    QString configured;  // the folder as the settings give it ("inp/"), for the log line
    QString absolute;    // the same folder, absolute, ending in "/"
    int days = 0;
    QDateTime cutoff;     // files last written before this go
    QStringList masks;    // in order; the first also takes old files lying in the folder itself
    bool unsafe = false;  // the folder is one cleanup must never work in
};

struct TCleanupLine {
    int level = 0;
    QString text;
};

// The steps for the three folders, in the order the protocol lines come:
// received ("????????.???", "*.tlg", "arc????????.???"), outgoing
// ("????????.???", "?????????.???", "arc????????.???") and protocol
// ("????.prt"), each only when its age setting is above 30 and the folder
// exists.
QList<TCleanupStep> CleanupPlan(const _tlg_config& config, const QDateTime& now);

// Deletes, in the step's folder and in its four-character day folders, what
// is older than the cut-off: files lying in the folder whatever their name,
// files in the day folders when a mask takes them (a mask without "*" also
// fixes the length of the name). Each folder is read once for all masks, and
// a file is looked at on the disk only when its name is wanted. The counts
// per mask are those of one pass per mask: a file is counted by the first
// mask that takes it, and again by the next ones while it could not be
// deleted. Folders are never removed nor followed through a link.
QList<int> CleanFolder(const TCleanupStep& step, const std::atomic<bool>* cancel = nullptr);

// Runs the plan; the protocol lines it gives: "УДАЛЕНО n ФАЙЛ(ОВ) СТАРШЕ d
// ДНЕЙ В КАТАЛОГЕ " + folder + mask for each mask that deleted something,
// and the refusal of an unsafe folder.
QList<TCleanupLine> RunCleanup(const QList<TCleanupStep>& plan,
                               const std::atomic<bool>* cancel = nullptr);
