#include "mainwnd/CPenPage.h"

#include "app/Log.h"
#include "platform/FileManager.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/WindowImplBase.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace {
constexpr int kPen = 1;
const char* const kZoomList = "mul_com";
const char* const kSaveEdit = "save_edit_lp";
const char* const kFolderTitle = "Select the current directory";
// The zoom steps; the stored value is the item's text, so the default "2.0f" has an item
// showing exactly that.
const char* const kZoomSteps[] = {"1.5", "2.0f", "2.5", "3", "4"};
} // namespace

CPenPage::CPenPage(WindowImplBase& window, Links links)
    : CDevicePage(window, std::move(links), kPen) {}

void CPenPage::LoadControls() {
    CConfig& config = *m_links.config;
    LoadColour(QStringLiteral("laser_btn"), config.GetLpColor());
    FillZoomList();
    LoadListSelection(QString::fromLatin1(kZoomList), config.GetLpMultiple(), true);
    LoadColour(QStringLiteral("font_btn"), config.GetLpSubtitleColor());
    LoadCheck(QStringLiteral("save_box_lp"), config.GetLpSave());
    LoadRecognitionLanguages();
    LoadTranslationLanguages();
    LoadCheck(QStringLiteral("ptt_box_lp"), Setting(ConfigKey::Ptt));
    LoadCheck(QStringLiteral("original_box_lp"), Setting(ConfigKey::TranslateSwitch));
    LoadListSelection(QStringLiteral("typing_com_lp"), Setting(ConfigKey::TypingMode));
    const QString getword = Setting(ConfigKey::GetwordSwitch);
    LoadCheck(QStringLiteral("getword_box_lp"), getword);
    SwitchHighlightCapture(getword == QLatin1String("on"));
    LoadListSelection(QStringLiteral("search_com_lp"), Setting(ConfigKey::SearchEngine));
    // Shown as stored, so the box never says "off" while subtitles are on.
    LoadCheck(QStringLiteral("subtitle_box_lp"), Setting(ConfigKey::Subtitle));
    m_window.SetControlText(QStringLiteral("sn_lab_lp"), config.GetLpSn());
}

void CPenPage::FillZoomList() {
    std::vector<ListItem> items;
    for (const char* step : kZoomSteps)
        items.push_back({QString::fromLatin1(step), QString::fromLatin1(step), {}});
    ReplaceItems(QString::fromLatin1(kZoomList), items);
}

void CPenPage::ShowLaserColour() {
    LoadColour(QStringLiteral("laser_btn"), m_links.config->GetLpColor());
}

void CPenPage::ShowSubtitleColour() {
    LoadColour(QStringLiteral("font_btn"), m_links.config->GetLpSubtitleColor());
}

bool CPenPage::OnOwnCheck(const QString& control, bool checked) {
    if (control != QLatin1String("save_box_lp"))
        return false;
    m_links.config->SetLpSave(OnOff(checked));
    return true;
}

bool CPenPage::OnOwnItem(const QString& control) {
    if (control != QLatin1String(kZoomList))
        return false;
    if (const auto zoom = CurrentItem(control, true)) {
        m_links.config->SetLpMultiple(*zoom);
        if (m_links.applyMagnifierZoom)
            m_links.applyMagnifierZoom();
    }
    return true;
}

bool CPenPage::OnClick(const QString& control) {
    const bool laser = control == QLatin1String("laser_btn");
    if (laser || control == QLatin1String("font_btn")) {
        if (m_links.openColourPicker) {
            const QPoint at = m_links.cursorPosition ? m_links.cursorPosition() : QPoint();
            m_links.openColourPicker(laser ? kLaserColour : kSubtitleColour, at);
        }
    } else if (control == QLatin1String("path_btn_lp")) {
        PickSaveFolder();
    } else if (control == QLatin1String("open_btn_lp")) {
        OpenSaveFolder();
    } else {
        return false;
    }
    return true;
}

void CPenPage::PickSaveFolder() {
    const QString current = m_window.GetControlText(QString::fromLatin1(kSaveEdit));
    // The answer comes later on this thread; a window gone by then takes no text.
    QPointer<QObject> alive(&m_window);
    WindowImplBase* window = &m_window;
    ui::PickFolder(m_window.GetHWND(), QString::fromLatin1(kFolderTitle),
                   QFileInfo(current).isDir() ? current : QDir::homePath(),
                   [alive, window](const QString& path) {
                       if (alive && !path.isEmpty())
                           window->SetControlText(QString::fromLatin1(kSaveEdit),
                                                  QDir::toNativeSeparators(path));
                   });
}

void CPenPage::OpenSaveFolder() {
    const QString folder = m_window.GetControlText(QString::fromLatin1(kSaveEdit)).trimmed();
    const QFileInfo info(folder);
    // Only an existing folder is shown; a typed text is never handed on as anything else.
    if (folder.isEmpty() || !info.isAbsolute() || !info.isDir()) {
        applog::Warning(QStringLiteral("Save folder \"%1\" does not exist; nothing opened")
                            .arg(folder.left(256)));
        return;
    }
    platform::ShowFolderInFileManager(info.absoluteFilePath(), QStringLiteral("page"));
}
