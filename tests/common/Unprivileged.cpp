#include "Unprivileged.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace Unprivileged {
namespace {
const char* kDirVar = "PKL_UNPRIVILEGED_DIR";
const passwd* user() {
    return ::getpwnam("nobody");
}
} // namespace

bool isChild() {
    return qEnvironmentVariableIsSet(kDirVar);
}

QString dir() {
    return qEnvironmentVariable(kDirVar);
}

std::optional<uid_t> uid() {
    if (const passwd* pw = user())
        return pw->pw_uid;
    return std::nullopt;
}

std::optional<gid_t> gid() {
    if (const passwd* pw = user())
        return pw->pw_gid;
    return std::nullopt;
}

void giveTo(const QString& path, gid_t group) {
    const uid_t owner = uid().value_or(uid_t(-1));
    if (::chown(QFile::encodeName(path).constData(), owner, group) != 0)
        qWarning("cannot give %s to the unprivileged user", qPrintable(path));
    if (!QFileInfo(path).isDir())
        return;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        if (::lchown(QFile::encodeName(it.next()).constData(), owner, group) != 0)
            qWarning("cannot give %s to the unprivileged user", qPrintable(it.filePath()));
}

QString run(const char* function, const QString& dir, std::optional<gid_t> extraGroup) {
    if (::geteuid() != 0)
        return QStringLiteral("skip: not root, so no other user to become");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty() || !uid())
        return QStringLiteral("skip: no setpriv or no user nobody");
    // The child must reach the folder: temporary folders are made for their owner only.
    for (QString d = QFileInfo(dir).absolutePath(); d != QStringLiteral("/"); d = QFileInfo(d).absolutePath())
        if (d.startsWith(QStringLiteral("/tmp/")))
            QFile::setPermissions(d, QFile::permissions(d) | QFileDevice::ExeOther);
    QStringList args = {QStringLiteral("--reuid=%1").arg(*uid()), QStringLiteral("--regid=%1").arg(*gid())};
    args << (extraGroup ? QStringLiteral("--groups=%1").arg(*extraGroup) : QStringLiteral("--clear-groups"));
    args << QStringLiteral("--") << QCoreApplication::applicationFilePath() << QString::fromLatin1(function);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kDirVar), dir);
    env.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv, args);
    if (!child.waitForFinished(120000)) {
        child.kill();
        return QStringLiteral("the child did not finish");
    }
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return {};
    return QString::fromLocal8Bit(child.readAll());
}
} // namespace Unprivileged
