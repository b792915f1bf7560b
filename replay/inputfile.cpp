#include "replay/inputfile.h"

#include "simlink/layerblock.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace replay {

namespace {

const char FormatName[] = "noxel-input";
constexpr int FormatVersion = 1;

// A JSON number that is a whole number within [low, high]; false for any
// other value, a fraction, or a number too large for a double.
bool wholeNumber(const QJsonValue &value, double low, double high, int *out)
{
    if (!value.isDouble())
        return false;
    const double v = value.toDouble();
    if (!std::isfinite(v) || v != std::floor(v) || v < low || v > high)
        return false;
    *out = int(v);
    return true;
}

// Reads the members of one line; on failure sets the reason.
class LineReader
{
public:
    explicit LineReader(QString *reason) : reason(reason) {}

    bool header(const QJsonObject &o)
    {
        const QJsonValue format = o.value(QLatin1String("format"));
        if (format.isUndefined())
            return fail(QStringLiteral("the first line must be {\"format\": \"noxel-input\", \"version\": 1}"));
        if (!onlyMembers(o, {"format", "version"}))
            return false;
        if (format.toString() != QLatin1String(FormatName))
            return fail(QStringLiteral("unknown format %1 (expected \"%2\")")
                            .arg(shown(format), QLatin1String(FormatName)));
        const QJsonValue version = o.value(QLatin1String("version"));
        int v = 0;
        if (!wholeNumber(version, FormatVersion, FormatVersion, &v))
            return fail(QStringLiteral("unsupported version %1 (expected %2)").arg(shown(version)).arg(FormatVersion));
        return true;
    }

    bool event(const QJsonObject &o, double previousT, InputEvent *e)
    {
        if (!onlyMembers(o, {"t", "layer", "pointer", "key"}))
            return false;
        const QJsonValue t = o.value(QLatin1String("t"));
        if (t.isUndefined())
            return fail(QStringLiteral("no \"t\""));
        if (!t.isDouble() || !std::isfinite(t.toDouble()))
            return fail(QStringLiteral("\"t\" is not a number of seconds: %1").arg(shown(t)));
        e->t = t.toDouble();
        if (e->t < 0)
            return fail(QStringLiteral("\"t\" is negative: %1").arg(shown(t)));
        if (e->t > MaxSeconds)
            return fail(QStringLiteral("\"t\" is larger than %1 seconds: %2").arg(MaxSeconds).arg(shown(t)));
        if (e->t < previousT)
            return fail(QStringLiteral("\"t\" goes back in time: %1 after %2").arg(shown(t), shown(QJsonValue(previousT))));

        const QJsonValue layer = o.value(QLatin1String("layer"));
        if (layer.isUndefined())
            return fail(QStringLiteral("no \"layer\""));
        if (!wholeNumber(layer, 0, simlink::MaxLayers - 1, &e->layer))
            return fail(QStringLiteral("\"layer\" must be a whole number from 0 to %1: %2")
                            .arg(simlink::MaxLayers - 1)
                            .arg(shown(layer)));

        const bool isPointer = o.contains(QLatin1String("pointer"));
        const bool isKey = o.contains(QLatin1String("key"));
        if (isPointer == isKey)
            return fail(QStringLiteral("an event has exactly one of \"pointer\" and \"key\""));
        constexpr double IntMin = std::numeric_limits<qint32>::min();
        constexpr double IntMax = std::numeric_limits<qint32>::max();
        if (isPointer) {
            e->kind = InputEvent::Pointer;
            const QJsonValue v = o.value(QLatin1String("pointer"));
            const QJsonArray a = v.toArray();
            if (!v.isArray() || a.size() != 3)
                return fail(QStringLiteral("\"pointer\" must be [x, y, pressed]: %1").arg(shown(v)));
            if (!wholeNumber(a.at(0), IntMin, IntMax, &e->x) || !wholeNumber(a.at(1), IntMin, IntMax, &e->y))
                return fail(QStringLiteral("pointer x and y must be whole numbers from %1 to %2: %3")
                                .arg(qint64(IntMin))
                                .arg(qint64(IntMax))
                                .arg(shown(v)));
            if (!wholeNumber(a.at(2), 0, 1, &e->pressed))
                return fail(QStringLiteral("pointer pressed must be 0 or 1: %1").arg(shown(v)));
        } else {
            e->kind = InputEvent::Key;
            const QJsonValue v = o.value(QLatin1String("key"));
            const QJsonArray a = v.toArray();
            if (!v.isArray() || a.size() != 2)
                return fail(QStringLiteral("\"key\" must be [code, pressed]: %1").arg(shown(v)));
            if (!wholeNumber(a.at(0), 0, 255, &e->code))
                return fail(QStringLiteral("key code must be a whole number from 0 to 255: %1").arg(shown(v)));
            if (!wholeNumber(a.at(1), 0, 1, &e->pressed))
                return fail(QStringLiteral("key pressed must be 0 or 1: %1").arg(shown(v)));
        }
        return true;
    }

private:
    bool fail(const QString &text)
    {
        *reason = text;
        return false;
    }

    bool onlyMembers(const QJsonObject &o, std::initializer_list<const char *> names)
    {
        for (auto it = o.begin(); it != o.end(); ++it) {
            bool known = false;
            for (const char *name : names)
                known = known || it.key() == QLatin1String(name);
            if (!known)
                return fail(QStringLiteral("unknown member \"%1\"").arg(it.key().left(40)));
        }
        return true;
    }

    // A value as the message shows it: compact JSON, cut short.
    static QString shown(const QJsonValue &value)
    {
        QString text;
        if (value.isArray())
            text = QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
        else if (value.isObject())
            text = QStringLiteral("an object");
        else if (value.isString())
            text = QLatin1Char('"') + value.toString() + QLatin1Char('"');
        else if (value.isDouble())
            text = QString::number(value.toDouble(), 'g', 15);
        else if (value.isBool())
            text = value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        else
            text = QStringLiteral("null");
        return text.size() > 60 ? text.left(57) + QStringLiteral("...") : text;
    }

    QString *reason;
};

} // namespace

InputEvent InputEvent::pointer(double t, int layer, int x, int y, int pressed)
{
    InputEvent e;
    e.t = t;
    e.layer = layer;
    e.kind = Pointer;
    e.x = x;
    e.y = y;
    e.pressed = pressed;
    return e;
}

InputEvent InputEvent::key(double t, int layer, int code, int pressed)
{
    InputEvent e;
    e.t = t;
    e.layer = layer;
    e.kind = Key;
    e.code = code;
    e.pressed = pressed;
    return e;
}

bool InputEvent::operator==(const InputEvent &o) const
{
    if (t != o.t || layer != o.layer || kind != o.kind || pressed != o.pressed)
        return false;
    return kind == Pointer ? (x == o.x && y == o.y) : code == o.code;
}

QByteArray headerLine()
{
    return QByteArray("{\"format\": \"") + FormatName + "\", \"version\": " + QByteArray::number(FormatVersion) + '}';
}

QByteArray eventLine(const InputEvent &e)
{
    QByteArray line = "{\"t\": " + QByteArray::number(e.t, 'f', 3) + ", \"layer\": " + QByteArray::number(e.layer);
    if (e.kind == InputEvent::Pointer)
        line += ", \"pointer\": [" + QByteArray::number(e.x) + ", " + QByteArray::number(e.y) + ", "
              + QByteArray::number(e.pressed) + "]}";
    else
        line += ", \"key\": [" + QByteArray::number(e.code) + ", " + QByteArray::number(e.pressed) + "]}";
    return line;
}

bool parseInputFile(const QByteArray &text, const QString &name, QList<InputEvent> *events, QString *error)
{
    events->clear();
    QList<InputEvent> read;
    QString reason;
    int lineNumber = 0;
    const auto failAt = [&](int line, const QString &why) {
        *error = QStringLiteral("%1: line %2: %3").arg(name).arg(line).arg(why);
        return false;
    };

    if (text.size() > MaxFileBytes) {
        *error = QStringLiteral("%1: the file is larger than %2 MiB").arg(name).arg(MaxFileBytes >> 20);
        return false;
    }
    LineReader reader(&reason);
    bool headerSeen = false;
    double previousT = 0;
    qsizetype start = 0;
    // Editors may start UTF-8 text with a byte order mark; JSON has none.
    if (text.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        ++lineNumber;
        const qsizetype length = end - start;
        if (length > MaxLineBytes)
            return failAt(lineNumber, QStringLiteral("the line is longer than %1 bytes").arg(MaxLineBytes));
        const QByteArray line = text.mid(start, length).trimmed();
        start = end + 1;
        if (line.isEmpty()) {
            if (!headerSeen)
                return failAt(lineNumber, QStringLiteral("the first line must be "
                                                         "{\"format\": \"noxel-input\", \"version\": 1}"));
            continue;
        }
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return failAt(lineNumber, QStringLiteral("broken or cut-off JSON: %1 at column %2")
                                          .arg(parseError.errorString())
                                          .arg(parseError.offset + 1));
        if (!doc.isObject())
            return failAt(lineNumber, QStringLiteral("not a JSON object"));
        if (!headerSeen) {
            if (!reader.header(doc.object()))
                return failAt(lineNumber, reason);
            headerSeen = true;
            continue;
        }
        if (read.size() >= MaxEvents)
            return failAt(lineNumber, QStringLiteral("more than %1 events").arg(MaxEvents));
        InputEvent e;
        if (!reader.event(doc.object(), previousT, &e))
            return failAt(lineNumber, reason);
        previousT = e.t;
        read.append(e);
    }
    if (!headerSeen)
        return failAt(1, QStringLiteral("the file is empty; the first line must be "
                                        "{\"format\": \"noxel-input\", \"version\": 1}"));
    *events = read;
    return true;
}

bool loadInputFile(const QString &fileName, QList<InputEvent> *events, QString *error)
{
    events->clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot read it: %2").arg(fileName, file.errorString());
        return false;
    }
    // Checked before reading, so that a huge file is never loaded.
    if (file.size() > MaxFileBytes) {
        *error = QStringLiteral("%1: the file is larger than %2 MiB").arg(fileName).arg(MaxFileBytes >> 20);
        return false;
    }
    const QByteArray text = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("%1: cannot read it: %2").arg(fileName, file.errorString());
        return false;
    }
    return parseInputFile(text, fileName, events, error);
}

} // namespace replay
