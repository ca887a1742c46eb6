#include "support/accounts.h"

#include "support/runprogram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

TestAccounts::TestAccounts(const QString& stem, int count, const QString& homeRoot)
    : homeRoot_(homeRoot) {
    const QString pid = QString::number(QCoreApplication::applicationPid());
    group_ = stem + u'g' + pid;
    groupMade_ = run(QStringLiteral("groupadd"), {QStringLiteral("--system"), group_});
    const group* g = groupMade_ ? ::getgrnam(group_.toLocal8Bit().constData()) : nullptr;
    groupId_ = g ? g->gr_gid : 0;
    for (int i = 0; groupMade_ && i < count; ++i) {
        const QString user = stem + QChar(u'a' + i) + pid;
        if (!run(QStringLiteral("useradd"), {"--system", "--user-group", "--no-create-home",
                                             "--home-dir", homeRoot_ + u'/' + user, "--shell",
                                             "/usr/sbin/nologin", "--groups", group_, user}))
            return;
        users_ << user;
        const QByteArray home = QFile::encodeName(Home(i));
        if (!QDir().mkpath(Home(i)) || ::chown(home.constData(), UserId(i), gid_t(-1)) != 0 ||
            ::chmod(home.constData(), 0700) != 0)
            error_ = QStringLiteral("cannot make the home folder of ") + user;
    }
}

TestAccounts::~TestAccounts() {
    // userdel takes the user's own group along.
    for (const QString& user : users_)
        run(QStringLiteral("userdel"), {user});
    if (groupMade_)
        run(QStringLiteral("groupdel"), {group_});
}

uid_t TestAccounts::UserId(int i) const {
    const passwd* pw = ::getpwnam(users_.value(i).toLocal8Bit().constData());
    return pw ? pw->pw_uid : uid_t(-1);
}

QStringList TestAccounts::Command(int i, const QString& program) const {
    // setpriv keeps the environment it is given, which su and runuser rewrite.
    return {"setpriv",
            "--reuid=" + users_.value(i),
            "--regid=" + users_.value(i),
            "--init-groups",
            "--",
            program};
}

bool TestAccounts::run(const QString& program, const QStringList& args) {
    const ProgramRun result = RunProgram(program, args);
    if (result.exitCode != 0 && error_.isEmpty())
        error_ = program + u' ' + args.join(u' ') + QStringLiteral(": ") +
                 QString::fromLocal8Bit(result.err).trimmed();
    return result.exitCode == 0;
}
