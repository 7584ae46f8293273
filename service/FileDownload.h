#pragma once

#include "service/CHttpClient.h"

#include <QString>

#include <functional>
#include <string>

// How a downloaded file is checked before it takes its place. Both are optional.
struct FileDownloadChecks {
    // Sees every received chunk in order (a running digest).
    std::function<void(const char* data, std::size_t size)> observe;
    // Looks at the complete file ("NAME.part") before the rename; false (with one line in
    // `why`) refuses it, and it is deleted.
    std::function<bool(const QString& partPath, std::string& why)> accept;
};

// Streams url into "PATH.part" (created 0644, never executable), and renames it over `path`
// only after a final 200, the whole body and the checks: a failed download leaves whatever
// was at `path` untouched and no ".part" behind. Returns true on success; otherwise `error`
// holds one line for the log.
bool DownloadToFile(const std::string& url, const QString& path, const DownloadLimits& limits,
                    const FileDownloadChecks& checks, std::string& error);
