#include "base/settings.h"

#include <QHash>
#include <QSettings>

// The settings file may be garbage, unreadable or unwritable: a value that
// is missing or not an integer reads as the default given to InitSetting,
// and a value that could not be written is kept for the rest of the session
// (per settings file), so the tool runs on with what the user chose.
namespace {

QHash<QString, int> &defaults()
{
    static QHash<QString, int> map;
    return map;
}

QHash<QString, int> &unsaved()
{
    static QHash<QString, int> map;
    return map;
}

QString unsavedKey(const QSettings &settings, const QString &key)
{
    return settings.fileName() + QLatin1Char('\n') + key;
}

// The stored value when it is present and an integer.
bool storedValue(const QSettings &settings, const QString &key, int *value)
{
    const QVariant v = settings.value(key);
    if (!v.isValid())
        return false;
    bool ok = false;
    *value = v.toInt(&ok);
    return ok;
}

} // namespace

void InitSetting(const char *key, int defaultValue)
{
    QSettings settings;
    const QString k = QString::fromLatin1(key);
    defaults().insert(k, defaultValue);
    int value = 0;
    if (!storedValue(settings, k, &value))
        settings.setValue(k, defaultValue);
}

int ReadSetting(const char *key)
{
    QSettings settings;
    const QString k = QString::fromLatin1(key);
    const auto kept = unsaved().constFind(unsavedKey(settings, k));
    if (kept != unsaved().constEnd())
        return kept.value();
    int value = 0;
    if (storedValue(settings, k, &value))
        return value;
    // Missing or not a number: the default, or 0 for a key without one.
    return defaults().value(k, 0);
}

void WriteSetting(const char *key, int value)
{
    QSettings settings;
    const QString k = QString::fromLatin1(key);
    settings.setValue(k, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        unsaved().remove(unsavedKey(settings, k));
    else
        unsaved().insert(unsavedKey(settings, k), value);
}
