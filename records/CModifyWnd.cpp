#include "records/CModifyWnd.h"

#include "records/CRecordStore.h"

namespace {
const QString kTitle = QStringLiteral("title");
const QString kContent = QStringLiteral("recog_content");
} // namespace

CModifyWnd::CModifyWnd(std::shared_ptr<CRecordStore> store, EditCall startEdit, int index)
    : m_store(std::move(store)), m_startEdit(std::move(startEdit)), m_index(index) {}

void CModifyWnd::SplitFileName(const std::string& fileName, std::string& title,
                               std::string& extension, bool& hasExtension) {
    const size_t dot = fileName.find('.');
    hasExtension = dot != std::string::npos;
    title = fileName.substr(0, dot);
    extension = hasExtension ? fileName.substr(dot + 1) : std::string();
}

void CModifyWnd::InitWindow() {
    const std::optional<RecordItem> record =
        m_store ? m_store->ServerRecord(m_index) : std::nullopt;
    if (!record)
        return;
    m_id = record->id;
    std::string title;
    SplitFileName(record->filename, title, m_extension, m_hasExtension);
    SetControlText(kTitle, QString::fromStdString(title));
    SetControlText(kContent, QString::fromStdString(record->content));
}

void CModifyWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == QLatin1String("modify_save"))
        Save();
    else if (msg.senderName == QLatin1String("modify_cancel"))
        Close();
}

void CModifyWnd::Save() {
    std::optional<RecordItem> record = m_store ? m_store->ServerRecord(m_index) : std::nullopt;
    // A refetch while the window was open may have put another record at the index.
    if (record && record->id == m_id) {
        const std::string title = GetControlText(kTitle).toUtf8().toStdString();
        record->filename = m_hasExtension ? title + "." + m_extension : title;
        record->content = GetControlText(kContent).toUtf8().toStdString();
        m_store->SetServerRecord(m_index, *record);
        if (m_startEdit)
            m_startEdit(*record);
    }
    Close();
}
