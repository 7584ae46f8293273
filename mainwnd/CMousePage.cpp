#include "mainwnd/CMousePage.h"

#include "mainwnd/PageValues.h"
#include "ui/framework/WindowImplBase.h"

namespace {
constexpr int kMouse = 0;
constexpr int kUsageResolution = 17;
const char* const kResolutionList = "dpi_com";
} // namespace

CMousePage::CMousePage(WindowImplBase& window, Links links)
    : CDevicePage(window, std::move(links), kMouse) {}

void CMousePage::LoadControls() {
    LoadRecognitionLanguages();
    LoadTranslationLanguages();
    LoadCheck(QStringLiteral("ptt_box"), Setting(ConfigKey::Ptt));
    LoadCheck(QStringLiteral("original_box"), Setting(ConfigKey::TranslateSwitch));
    LoadListSelection(QStringLiteral("typing_com"), Setting(ConfigKey::TypingMode));
    const QString getword = Setting(ConfigKey::GetwordSwitch);
    LoadCheck(QStringLiteral("getword_box"), getword);
    SwitchHighlightCapture(getword == QLatin1String("on"));
    LoadListSelection(QStringLiteral("search_com"), Setting(ConfigKey::SearchEngine));
    // Shown as stored, so the box never says "off" while subtitles are on.
    LoadCheck(QStringLiteral("subtitle_box"), Setting(ConfigKey::Subtitle));
    RebuildResolutionList();
    LoadCheck(QStringLiteral("light_box"), m_links.config->GetLight());
    LoadCheck(QStringLiteral("url_box"), m_links.config->GetUrl());
    ShowSerialNumber();
}

void CMousePage::RebuildResolutionList() {
    const QString list = QString::fromLatin1(kResolutionList);
    if (!m_window.FindControl(list))
        return;
    const bool model5698 = m_links.isModel5698 && m_links.isModel5698();
    // Every sensor gets its own list: a 3212 list left behind for a 3205 mouse would offer
    // steps that mouse cannot take.
    ReplaceItems(list, pagevalues::ResolutionItems(m_links.config->GetPhotoIC(), model5698));
    LoadListSelection(list, m_links.config->GetDpi());
}

void CMousePage::ShowSerialNumber() {
    m_window.SetControlText(QStringLiteral("sn_lab"), m_links.config->GetSn());
}

void CMousePage::ShowWebKey() {
    LoadCheck(QStringLiteral("url_box"), m_links.config->GetUrl());
}

bool CMousePage::OnOwnCheck(const QString& control, bool checked) {
    if (control == QLatin1String("light_box")) {
        m_links.config->SetLight(OnOff(checked));
    } else if (control == QLatin1String("url_box")) {
        m_links.config->SetUrl(OnOff(checked));
        if (m_links.sendWebKey)
            m_links.sendWebKey();
    } else {
        return false;
    }
    return true;
}

bool CMousePage::OnOwnItem(const QString& control) {
    if (control != QLatin1String(kResolutionList))
        return false;
    if (const auto step = CurrentItem(control)) {
        m_links.config->SetDpi(*step);
        if (m_links.sendDpi)
            m_links.sendDpi(*step);
        RecordUsage(kUsageResolution);
    }
    return true;
}
