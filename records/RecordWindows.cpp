#include "records/RecordWindows.h"

#include "records/CModifyWnd.h"
#include "records/CRecordCalls.h"
#include "records/CRecordStore.h"
#include "records/CVoiceWnd.h"

void AddRecordWindows(WindowFactories& factories, std::shared_ptr<CRecordStore> store,
                      std::shared_ptr<CRecordCalls> calls) {
    factories.dialogs[DialogWnd::Voice] = [store](const DialogRequest& request) {
        const RecordWindowArgument which = RecordWindowArgument::FromVariant(request.argument);
        std::optional<RecordItem> record;
        if (store && which.index >= 0)
            record =
                which.local ? store->LocalRecord(which.index) : store->ServerRecord(which.index);
        return new CVoiceWnd(which.local, std::move(record));
    };
    if (!store || !calls)
        return;
    factories.dialogs[DialogWnd::Modify] = [store, calls](const DialogRequest& request) {
        bool isIndex = false;
        const int index = request.argument.toInt(&isIndex);
        return new CModifyWnd(
            store, [calls](const RecordItem& record) { calls->StartEdit(record); },
            isIndex ? index : -1);
    };
}
