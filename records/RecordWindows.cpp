#include "records/RecordWindows.h"

#include "records/CRecordStore.h"
#include "records/CVoiceWnd.h"

void AddRecordWindows(WindowFactories& factories, std::shared_ptr<CRecordStore> store) {
    factories.dialogs[DialogWnd::Voice] = [store](const DialogRequest& request) {
        const RecordWindowArgument which = RecordWindowArgument::FromVariant(request.argument);
        std::optional<RecordItem> record;
        if (store && which.index >= 0)
            record =
                which.local ? store->LocalRecord(which.index) : store->ServerRecord(which.index);
        return new CVoiceWnd(which.local, std::move(record));
    };
}
