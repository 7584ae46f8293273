#pragma once

#include "platform/IFileSearch.h"

#include <functional>
#include <mutex>

namespace platform {

// The file search's common rules over one index back end: the index's candidates plus the
// files of the XDG application directories, kept when their base name equals the name and
// they exist, each once, sorted by path. One search at a time, on the caller's thread; each
// search is reported to the simulator ("file_search": name, results).
class CFileSearch : public IFileSearch {
public:
    // Candidate paths for a name; may include near misses, which are filtered out.
    using IndexLookup = std::function<QStringList(const QString& name)>;

    explicit CFileSearch(IndexLookup index);
    QStringList FindByName(const QString& name) override;

private:
    IndexLookup m_index;
    std::mutex m_oneAtATime;
};

} // namespace platform
