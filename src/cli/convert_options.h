#pragma once

#include <optional>

#include <QSize>
#include <QString>
#include <QStringList>

#include "convert/conversion.h"
#include "model/color_mode.h"

// The command line of pixmora-convert.
namespace pixmora::cli {

struct ConvertOptions {
    QStringList inputs;
    QString outputFile;         // -o: the one input's document
    QString outputDir;          // -d: DIR/<input's base name>.png for each input
    std::optional<QSize> size;  // absent: the import dialog's starting size per source
    model::ColorMode mode = model::ColorMode::webSafe256;
    convert::MonochromeMethod method = convert::MonochromeMethod::fixedThreshold;
    convert::PaletteDitherMethod dither = convert::PaletteDitherMethod::none;
    int jobs = 0;  // 0: one per core
};

struct CommandLine {
    enum class Action { convert, showHelp, showVersion, usageError };
    Action action = Action::usageError;
    ConvertOptions options;
    QString error;  // what is wrong, for usageError
};

// Parses the arguments after the program name. Options and inputs may be mixed;
// "--" ends the options; long options also take "--name=value".
CommandLine parseCommandLine(const QStringList& arguments);

// "WxH" with each side 1..128.
std::optional<QSize> parseCanvasSize(const QString& text);

QString usageText();
QString versionText();

}  // namespace pixmora::cli
