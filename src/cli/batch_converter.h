#pragma once

#include <atomic>
#include <cstdio>
#include <optional>

#include <QString>

#include "cli/convert_options.h"

namespace pixmora::cli {

struct ConversionTask {
    QString input;
    QString output;
};

// The document of one input, written to output atomically: the bytes the editor
// saves after importing it with the options' choices. Returns the reason for a
// failure, or nothing on success. Never touches output unless it succeeds. With
// writtenFolder, the folder written to is stored there and bringing it to the disk
// is left to the caller; otherwise it is flushed before returning.
std::optional<QString> convertFile(const ConversionTask& task, const ConvertOptions& options,
                                   const std::atomic<bool>* cancel = nullptr,
                                   QString* writtenFolder = nullptr);

// Where each input's document goes (-o, or DIR/<base name>.png).
QString outputPathFor(const QString& input, const ConvertOptions& options);

struct BatchReport {
    int converted = 0;
    int failed = 0;
    int skipped = 0;  // not started because cancel was raised
    bool flushFailed = false;  // the documents written may not have reached the disk
};

// Converts every input, jobs at a time, writing one line per failure to err
// ("pixmora-convert: INPUT: reason") and, with showProgress, a progress line. An
// output that is an input file, or the output of an earlier input, fails that
// input. Setting cancel stops starting new conversions. Everything written is
// brought to the disk before it returns.
BatchReport runBatch(const ConvertOptions& options, std::FILE* err, bool showProgress,
                     const std::atomic<bool>* cancel = nullptr);

}  // namespace pixmora::cli
