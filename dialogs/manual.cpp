#include "dialogs/manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

UrlOpener &InstalledOpener()
{
    static UrlOpener opener;
    return opener;
}

bool IsInside(const QString &path, const QString &dir)
{
    if (path.isEmpty() || dir.isEmpty())
        return false;
    const QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString d = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    return p == d || p.startsWith(d + QLatin1Char('/'));
}

} // namespace

ManualLocations BuiltInManualLocations()
{
    ManualLocations l;
    l.configuredUrl = QStringLiteral(NOXEL_MANUAL_URL);
    l.applicationDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    l.buildDir = QStringLiteral(NOXEL_BUILD_DIR);
    l.sourceCopy = QStringLiteral(NOXEL_MANUAL_SOURCE_COPY);
    l.installedCopy = QStringLiteral(NOXEL_MANUAL_INSTALLED_COPY);
    l.installedRelative = QStringLiteral(NOXEL_MANUAL_INSTALLED_RELATIVE);
    return l;
}

QUrl ManualUrlFor(const ManualLocations &l)
{
    if (!l.configuredUrl.trimmed().isEmpty())
        return QUrl::fromUserInput(l.configuredUrl.trimmed());
    if (IsInside(l.applicationDir, l.buildDir) && QFileInfo::exists(l.sourceCopy))
        return QUrl::fromLocalFile(l.sourceCopy);
    // An installed tree may have been moved: look beside the program first.
    if (!l.applicationDir.isEmpty() && !l.installedRelative.isEmpty()) {
        const QString beside = QDir::cleanPath(l.applicationDir + QLatin1Char('/') + l.installedRelative);
        if (QFileInfo::exists(beside))
            return QUrl::fromLocalFile(beside);
    }
    return QUrl::fromLocalFile(l.installedCopy);
}

QUrl ManualUrl()
{
    return ManualUrlFor(BuiltInManualLocations());
}

void SetUrlOpener(UrlOpener opener)
{
    InstalledOpener() = std::move(opener);
}

bool OpenManualUrl()
{
    const QUrl url = ManualUrl();
    if (InstalledOpener())
        return InstalledOpener()(url);
    return QDesktopServices::openUrl(url);
}
