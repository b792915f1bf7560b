#include "sim/simoptions.h"

#include "simlink/connection.h"

namespace sim {

namespace {

bool number(const QString &option, const QString &text, int min, int max, int *out, QString *error)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max) {
        *error = QStringLiteral("%1 expects a whole number from %2 to %3, not \"%4\"").arg(option).arg(min).arg(max).arg(text);
        return false;
    }
    *out = v;
    return true;
}

} // namespace

bool parseSimOptions(const QStringList &args, SimOptions *options, QString *error)
{
    for (int i = 0; i < args.size(); ++i) {
        QString option = args.at(i);
        QString value;
        bool hasValue = false;
        const int eq = option.indexOf(QLatin1Char('='));
        if (option.startsWith(QLatin1String("--")) && eq > 0) {
            value = option.mid(eq + 1);
            option = option.left(eq);
            hasValue = true;
        }
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            options->help = true;
            continue;
        }
        if (option == QLatin1String("--still") && !hasValue) {
            options->still = true;
            continue;
        }
        const bool takesValue = option == QLatin1String("--scene") || option == QLatin1String("--class")
            || option == QLatin1String("--alpha-mode") || option == QLatin1String("--fps");
        if (!takesValue) {
            *error = QStringLiteral("unknown option \"%1\" (see --help)").arg(args.at(i));
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value (see --help)").arg(option);
                return false;
            }
            value = args.at(++i);
        }
        if (option == QLatin1String("--scene")) {
            options->sceneFile = value;
        } else if (option == QLatin1String("--class")) {
            if (value != QLatin1String(simlink::MainframeWindowClass) && value != QLatin1String(simlink::DeviceWindowClass)) {
                *error = QStringLiteral("--class expects \"%1\" or \"%2\", not \"%3\"")
                             .arg(QLatin1String(simlink::MainframeWindowClass), QLatin1String(simlink::DeviceWindowClass), value);
                return false;
            }
            options->windowClass = value;
        } else if (option == QLatin1String("--alpha-mode")) {
            if (!number(option, value, 0, 255, &options->alphaMode, error))
                return false;
        } else if (!number(option, value, 1, 120, &options->fps, error)) {
            return false;
        }
    }
    return true;
}

QString simUsage()
{
    return QStringLiteral(
        "Usage: noxelsim [options]\n"
        "Plays a running noXel simulation for noXelView: publishes a display's layers\n"
        "in the runtime directory until it is interrupted (Ctrl+C or SIGTERM).\n"
        "\n"
        "  --scene FILE       publish the scene file FILE (JSON) instead of the animated\n"
        "                     built-in scene; a scene file is shown as it stands and the\n"
        "                     input the tool writes is left in the blocks\n"
        "  --class NAME       window class: \"GUI Simulation Mainframe\" (default) or\n"
        "                     \"GUI Device\"\n"
        "  --alpha-mode N     0..255; 0 stores alpha inverted (alpha-mode byte 0), any\n"
        "                     other value ordinary ARGB (byte 1) (default: the scene's,\n"
        "                     1 for the built-in scene)\n"
        "  --fps N            frames a second of the built-in scene, 1..120 (default 30)\n"
        "  --still            the built-in scene stands still; only the pointer marker,\n"
        "                     its trail and the typed keys change\n"
        "  --help             show this text\n"
        "\n"
        "Runtime directory: $NOXEL_RUNTIME_DIR, else $XDG_RUNTIME_DIR/noxel, else\n"
        "/tmp/noxel-<uid>. One simulation per runtime directory.\n"
        "Exit status: 0 after an interruption, 1 when another simulation already runs\n"
        "or the blocks cannot be created, 2 for a bad option or scene file.\n");
}

} // namespace sim
