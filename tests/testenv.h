#pragma once

// Isolation for tests: a fresh runtime directory (so no real simulation is
// seen and tests can run in parallel) and a private settings location (so
// the user's settings are never read or written).
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QtGlobal>

#include <sys/stat.h>

class TestEnvironment
{
public:
    TestEnvironment()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Travik"));
        QCoreApplication::setApplicationName(QStringLiteral("noXelView"));
        m_root.setAutoRemove(true);
        resetSettings();
        useRuntimeDir(m_root.path() + QStringLiteral("/run"));
    }

    // The runtime directory the tool looks in (the publisher creates it).
    QString runtimeDir() const { return m_runtimeDir; }
    // For a child process of the tool run without a display: no display
    // variables, this environment's runtime directory.
    QProcessEnvironment headlessEnvironment() const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QLatin1String(name));
        e.insert(QStringLiteral("NOXEL_RUNTIME_DIR"), m_runtimeDir);
        return e;
    }
    void useRuntimeDir(const QString &dir)
    {
        m_runtimeDir = dir;
        qputenv("NOXEL_RUNTIME_DIR", dir.toLocal8Bit());
    }
    // A new, empty settings location.
    void resetSettings()
    {
        const QString dir = m_root.path() + QStringLiteral("/settings%1").arg(++m_settingsGeneration);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    }
    QString root() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
    QString m_runtimeDir;
    int m_settingsGeneration = 0;
};
