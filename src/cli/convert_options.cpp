#include "cli/convert_options.h"

#include <QRegularExpression>

namespace pixmora::cli {

namespace {

using Action = CommandLine::Action;

CommandLine usageError(QString message)
{
    CommandLine line;
    line.error = std::move(message);
    return line;
}

QString joined(auto values)
{
    QStringList names;
    for (const auto value : values) {
        const auto raw = rawValue(value);
        names << QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    }
    return names.join(QLatin1Char('|'));
}

template <typename Enum, typename FromRaw>
bool assignChoice(const QString& text, Enum& target, FromRaw fromRaw)
{
    const QByteArray raw = text.toUtf8();
    const auto value = fromRaw(std::string_view(raw.constData(), raw.size()));
    if (value) {
        target = *value;
    }
    return value.has_value();
}

bool takesValue(const QString& name)
{
    static const QStringList names{"-o", "-d", "-j", "--size", "--mode", "--method", "--dither"};
    return names.contains(name);
}

}  // namespace

std::optional<QSize> parseCanvasSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,3})[xX]([0-9]{1,3})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    if (width < 1 || width > 128 || height < 1 || height > 128) {
        return std::nullopt;
    }
    return QSize(width, height);
}

CommandLine parseCommandLine(const QStringList& arguments)
{
    ConvertOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument.size() == 1) {
            options.inputs << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            return {Action::showHelp, {}, {}};
        }
        if (argument == QLatin1String("--version")) {
            return {Action::showVersion, {}, {}};
        }

        // Split "--name=value" and "-xVALUE" into name and value.
        QString name = argument;
        std::optional<QString> value;
        if (argument.startsWith(QLatin1String("--"))) {
            const qsizetype equals = argument.indexOf(QLatin1Char('='));
            if (equals > 0) {
                name = argument.left(equals);
                value = argument.mid(equals + 1);
            }
        } else if (argument.size() > 2) {
            name = argument.left(2);
            value = argument.mid(2);
        }
        if (!takesValue(name)) {
            return usageError(QStringLiteral("unknown option %1").arg(name));
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                return usageError(QStringLiteral("option %1 needs a value").arg(name));
            }
            value = arguments[++i];
        }

        if (name == QLatin1String("-o")) {
            options.outputFile = *value;
        } else if (name == QLatin1String("-d")) {
            options.outputDir = *value;
        } else if (name == QLatin1String("-j")) {
            bool ok = false;
            const int jobs = value->toInt(&ok);
            if (!ok || jobs < 1 || jobs > 1024) {
                return usageError(QStringLiteral("bad value for -j: %1 (1 to 1024)").arg(*value));
            }
            options.jobs = jobs;
        } else if (name == QLatin1String("--size")) {
            options.size = parseCanvasSize(*value);
            if (!options.size) {
                return usageError(
                    QStringLiteral("bad size %1 (WxH, each side 1 to 128)").arg(*value));
            }
        } else if (name == QLatin1String("--mode")) {
            if (!assignChoice(*value, options.mode, model::colorModeFromRaw)) {
                return usageError(QStringLiteral("unknown mode %1 (%2)")
                                      .arg(*value, joined(model::allColorModes)));
            }
        } else if (name == QLatin1String("--method")) {
            if (!assignChoice(*value, options.method, convert::monochromeMethodFromRaw)) {
                return usageError(QStringLiteral("unknown method %1 (%2)")
                                      .arg(*value, joined(convert::allMonochromeMethods)));
            }
        } else if (!assignChoice(*value, options.dither, convert::paletteDitherMethodFromRaw)) {
            return usageError(QStringLiteral("unknown dither %1 (%2)")
                                  .arg(*value, joined(convert::allPaletteDitherMethods)));
        }
    }

    if (options.inputs.isEmpty()) {
        return usageError(QStringLiteral("no input files"));
    }
    if (!options.outputFile.isEmpty() && !options.outputDir.isEmpty()) {
        return usageError(QStringLiteral("-o and -d cannot be used together"));
    }
    if (options.outputFile.isEmpty() && options.outputDir.isEmpty()) {
        return usageError(QStringLiteral("no output: give -o FILE or -d DIR"));
    }
    if (!options.outputFile.isEmpty() && options.inputs.size() > 1) {
        return usageError(QStringLiteral("-o takes exactly one INPUT; use -d DIR for several"));
    }
    return {Action::convert, std::move(options), {}};
}

QString usageText()
{
    return QStringLiteral(
        "Usage: pixmora-convert [OPTIONS] INPUT...\n"
        "Converts images into Pixmora documents, exactly as the editor imports them.\n"
        "\n"
        "  -o FILE      output document (exactly one INPUT)\n"
        "  -d DIR       output folder for one or more INPUTs: DIR/<INPUT's base name>.png\n"
        "  --size WxH   canvas size, each side 1 to 128; default: initialImportSize of that source\n"
        "  --mode twoColor|sixteenColor|webSafe256                                default webSafe256\n"
        "  --method fixedThreshold|otsuThreshold|floydSteinberg|atkinson|bayer    default fixedThreshold\n"
        "  --dither none|floydSteinberg|atkinson|bayer                            default none\n"
        "  -j N         conversions in parallel (default: number of cores)\n"
        "  -h, --help   --version\n"
        "\n"
        "--method applies to twoColor, --dither to the palette modes. An input is never\n"
        "overwritten. Exit status: 0 all converted, 1 some input failed, 2 usage error.\n");
}

QString versionText()
{
    return QStringLiteral("pixmora-convert " PIXMORA_VERSION "\n");
}

}  // namespace pixmora::cli
