#include "app/settings.h"

#include <QSettings>

void InitSetting(const char *key, int defaultValue)
{
    QSettings settings;
    const QString k = QString::fromLatin1(key);
    if (!settings.contains(k))
        settings.setValue(k, defaultValue);
}

int ReadSetting(const char *key)
{
    QSettings settings;
    // A missing or non-numeric value reads as 0.
    return settings.value(QString::fromLatin1(key)).toInt();
}

void WriteSetting(const char *key, int value)
{
    QSettings settings;
    settings.setValue(QString::fromLatin1(key), value);
}
