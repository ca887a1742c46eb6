#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// Accounts of a test's own, for running one program as several operators:
// the group stem+"g"+pid and the users stem+"a"+pid, stem+"b"+pid, ... in it,
// each with a primary group and a home folder (under homeRoot) of its own.
// Made with groupadd and useradd, removed with the object; end their
// processes first, or userdel refuses. Needs root.
class TestAccounts {
public:
    TestAccounts(const QString& stem, int count, const QString& homeRoot);
    ~TestAccounts();
    TestAccounts(const TestAccounts&) = delete;
    TestAccounts& operator=(const TestAccounts&) = delete;

    QString Error() const { return error_; }  // empty when all were made
    gid_t GroupId() const { return groupId_; }
    uid_t UserId(int i) const;
    QString Home(int i) const { return homeRoot_ + u'/' + users_.value(i); }
    // The command that runs program as account i, with its groups.
    QStringList Command(int i, const QString& program) const;

private:
    bool run(const QString& program, const QStringList& args);

    QString homeRoot_, group_, error_;
    gid_t groupId_ = 0;
    bool groupMade_ = false;
    QStringList users_;  // those made
};
