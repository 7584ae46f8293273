#pragma once

#include "ui/framework/WindowImplBase.h"

#include <functional>
#include <memory>
#include <string>

class CRecordStore;
struct RecordItem;

// Edits the title and the transcript of one server record. The title is the file name up to its
// first "."; the rest (the extension) is kept and joined again on save. Saving writes both
// into the store's server record and starts the edit call, then closes. UI thread only; made by
// the window manager for a server record index.
class CModifyWnd : public WindowImplBase {
    Q_OBJECT
public:
    // Sends the changed record to the service (the edit call).
    using EditCall = std::function<void(const RecordItem& record)>;

    CModifyWnd(std::shared_ptr<CRecordStore> store, EditCall startEdit, int index);

    QString GetWindowClassName() const override { return QStringLiteral("ModifyWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("modifywnd.xml"); }

    // "a.b.wav" gives title "a" and extension "b.wav"; a name without "." has no extension.
    static void SplitFileName(const std::string& fileName, std::string& title,
                              std::string& extension, bool& hasExtension);

protected:
    void InitWindow() override;
    void OnClick(const TNotifyUI& msg) override;

private:
    void Save();

    std::shared_ptr<CRecordStore> m_store;
    EditCall m_startEdit;
    int m_index;
    long long m_id = -1; // the record shown; -1 when there was none
    std::string m_extension;
    bool m_hasExtension = false;
};
