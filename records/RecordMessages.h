#pragma once

#include "ui/framework/WindowConstants.h"

// Messages of the records tab, posted to the main window.
namespace recmsg {
constexpr unsigned kServerRecordsReplaced = ui::WM_USER + 116; // 1140: fetch succeeded
constexpr unsigned kServerRecordDeleted = ui::WM_USER + 117;   // 1141
constexpr unsigned kServerRecordEdited = ui::WM_USER + 119;    // 1143
constexpr unsigned kLocalRecordsChanged = ui::WM_USER + 120;   // 1144: a scan is over
// 1145: the transcript of the current local record is complete (wParam 0) or failed (wParam 1).
constexpr unsigned kTranscriptDone = ui::WM_USER + 121;
constexpr unsigned kSaveFailed = ui::WM_USER + 123;   // 1147
constexpr unsigned kUploadDone = ui::WM_USER + 124;   // 1148: wParam = the record's index
constexpr unsigned kUploadFailed = ui::WM_USER + 125; // 1149
} // namespace recmsg
