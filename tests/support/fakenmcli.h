#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A stand-in for NetworkManager's nmcli: a shell script named nmcli in a
// folder of its own that notes every call and answers from a scenario.
// Calls are told apart by their words: "general" (the daemon's state),
// "active" (connection show --active), "profiles" (connection show), "up"
// and "down".
class FakeNmcli {
public:
    FakeNmcli();

    // The script, and the folder to put first on PATH.
    QString Program() const;
    QString Folder() const;

    // What a call prints and its exit code. The daemon runs and nothing is
    // active until told otherwise.
    void Answer(const QString& call, const QByteArray& out, int exitCode = 0,
                const QByteArray& err = {});
    // The call never ends by itself (it sleeps in place of the script).
    void Hang(const QString& call);
    // After a successful "up" or "down", "active" answers this.
    void ThenActive(const QString& call, const QByteArray& active);

    // One line per call: "LC_ALL=<value> <arguments>".
    QStringList Calls() const;
    // Calls whose arguments contain words.
    QStringList CallsWith(const QString& words) const;
    // What the passwd-files held, their modes ("600") and their paths.
    QByteArray Passwords() const;
    QStringList PasswordModes() const;
    QStringList PasswordFiles() const;

private:
    QString Path(const QString& name) const;
    QTemporaryDir dir_;
};
