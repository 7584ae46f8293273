#include "platform/CFileSearch.h"
#include "platform/SimEvents.h"
#include "platform/linux/LocateIndex.h"
#include "platform/sim/SimFileIndex.h"

namespace platform {

std::shared_ptr<IFileSearch> FileSearch() {
    static const std::shared_ptr<IFileSearch> search = std::make_shared<CFileSearch>(
        SimulatorActive() ? CFileSearch::IndexLookup(sim::SimIndexByName)
                          : CFileSearch::IndexLookup(LocateByName));
    return search;
}

} // namespace platform
