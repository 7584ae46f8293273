#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace platform {

// The desktop's file search, standing in for an indexed search service: the existing files
// whose base name is exactly a name (case-sensitive), each once, sorted by path. Searches run
// one at a time; a search blocks its caller (a worker thread) for at most about 2 seconds.
class IFileSearch {
public:
    virtual ~IFileSearch() = default;
    virtual QStringList FindByName(const QString& name) = 0;
};

// The process-wide search: the locate database (plocate, else locate) and the XDG application
// directories, or the simulator's file index instead of the database when one is attached.
std::shared_ptr<IFileSearch> FileSearch();

} // namespace platform
