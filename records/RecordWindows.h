#pragma once

#include "app/WindowFactories.h"
#include "records/RecordWindowArgument.h"

#include <memory>

class CRecordStore;

// Fills the dialog slots of the records windows (the playback window); the dialogs read their
// record from the store when they are made.
void AddRecordWindows(WindowFactories& factories, std::shared_ptr<CRecordStore> store);
