#pragma once

#include "app/WindowFactories.h"
#include "records/RecordWindowArgument.h"

#include <memory>

class CRecordCalls;
class CRecordStore;

// Fills the dialog slots of the records windows: the playback window (argument: a
// RecordWindowArgument) and the edit window of a server record (argument: the record's index
// in the server list, whose save starts the edit call). The dialogs read their record from the
// store when they are made.
void AddRecordWindows(WindowFactories& factories, std::shared_ptr<CRecordStore> store,
                      std::shared_ptr<CRecordCalls> calls = nullptr);
