#include "service/windows/SettingsControls.h"

#include "app/CConfig.h"
#include "platform/AutoStart.h"
#include "platform/DebugChannel.h"
#include "service/windows/ServiceMessages.h"
#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/UiLanguage.h"
#include "ui/framework/WindowImplBase.h"

#include <QSignalBlocker>

namespace settingscontrols {

namespace {
const QString kAutoRunBox = QStringLiteral("autorun_box");
const QString kLanguageList = QStringLiteral("ui_com");
// The section reader's buffer, in wide characters.
constexpr int kLanguageSectionSize = 256;
} // namespace

void ShowAutoStart(WindowImplBase& window, const ServiceWindowLinks& links) {
    QWidget* box = window.FindControl(kAutoRunBox);
    if (box == nullptr || !links.config)
        return;
    const QString autoRun = links.config->GetAutoRun();
    // Filling the box is not the user's toggle.
    const QSignalBlocker quiet(box);
    if (autoRun == QLatin1String("on"))
        window.SetCheck(kAutoRunBox, true);
    else if (autoRun == QLatin1String("off"))
        window.SetCheck(kAutoRunBox, false);
}

void ApplyAutoStart(const ServiceWindowLinks& links, bool on) {
    if (!links.config)
        return;
    const platform::AutoStart autoStart(links.config->GetChannelName());
    const bool done = on ? autoStart.Enable() : autoStart.Disable();
    if (!done)
        platform::OutputDebug(QStringLiteral("auto start could not be changed\n"));
    links.config->SetAutoRun(on ? QStringLiteral("on") : QStringLiteral("off"));
}

void FillUiLanguageList(WindowImplBase& window, const ServiceWindowLinks& links) {
    QWidget* list = window.FindControl(kLanguageList);
    if (list == nullptr || !links.config)
        return;
    window.RemoveAllListItems(kLanguageList);
    for (const LanguageEntry& entry :
         links.config->ReadLanguageSection(QStringLiteral("ui_lans"), kLanguageSectionSize))
        window.AddListItem(kLanguageList, {entry.code, entry.label, QVariant()});
    const QSignalBlocker quiet(list);
    window.SelectListItem(kLanguageList,
                          window.FindListItem(kLanguageList, links.config->GetUiLanguage()));
}

void ApplyChosenUiLanguage(WindowImplBase& window, const ServiceWindowLinks& links, int index) {
    if (!links.config || index < 0)
        return;
    const QString code = window.GetListItem(kLanguageList, index).name;
    if (code.isEmpty())
        return;
    links.config->SetUiLanguage(code);
    ApplyUiLanguage(code);
    window.ReloadTexts();
    if (links.reloadMainWindowTexts)
        links.reloadMainWindowTexts();
    if (links.recordUsage)
        links.recordUsage(svcusage::kUiLanguage, QStringLiteral("切换界面显示语言"), code);
}

} // namespace settingscontrols
