#include "session/TipTexts.h"

#include <algorithm>
#include <array>

namespace tiptext {

namespace {

// Column order of every table below.
enum Language { Cn, Cht, En, Jp, LanguageCount };
using Row = std::array<const char*, LanguageCount>;

std::optional<int> LanguageColumn(const QString& uiLanguage) {
    if (uiLanguage == QLatin1String("lan_cn"))
        return Cn;
    if (uiLanguage == QLatin1String("lan_cht"))
        return Cht;
    if (uiLanguage == QLatin1String("lan_en"))
        return En;
    if (uiLanguage == QLatin1String("lan_jp"))
        return Jp;
    return std::nullopt;
}

constexpr Row kVoiceTipRows[] = {
    {"请说话", "請說話", "Please speak", "話してください"},
    {"正在处理...", "正在處理...", "Processing...", "処理中..."},
};

constexpr int kFirstNoticeId = 3;
constexpr Row kNoticeRows[] = {
    {"鼠标离线", "鼠標離線", "Mouse offline", "オフラインのマウス"},
    {"鼠标电量不足，请及时充电", "鼠標電量不足，請及時充電",
     "The mouse battery is low, please charge in time",
     "マウスの電池が残り少なくなっています。時間内に充電してください"},
    {"已切换为打字模式", "已切換為打字模式", "Switched to typing mode",
     "入力モードに切り替えました"},
    {"已切换为翻译打字模式", "已切換為翻譯打字模式", "Switched to translation typing mode",
     "翻訳入力モードに切り替えました"},
    {"长按Enter2s切换为打字", "長按Enter2s切換為打字", "Long press Enter 2s to switch to typing",
     "Enter2sを長押しして入力に切り替えます"},
    {"长按Enter2s切换为翻译打字", "長按Enter2s切換為翻譯打字",
     "Long press Enter 2s to switch to translation typing",
     "Enter2sを長押しして翻訳の入力に切り替えます"},
};

template <std::size_t N>
std::optional<QString> Lookup(const Row (&rows)[N], int row, const QString& uiLanguage) {
    const std::optional<int> column = LanguageColumn(uiLanguage);
    if (!column || row < 0 || row >= static_cast<int>(N))
        return std::nullopt;
    return QString::fromUtf8(rows[row][*column]);
}

} // namespace

std::optional<QString> VoiceTipText(const QString& uiLanguage, int state) {
    return Lookup(kVoiceTipRows, state, uiLanguage);
}

std::optional<QString> NoticeText(const QString& uiLanguage, int id) {
    return Lookup(kNoticeRows, id - kFirstNoticeId, uiLanguage);
}

int TipWidth(const QString& uiLanguage, int textLength) {
    constexpr int kBaseWidth = 240;
    constexpr int kTextRoom = 200;
    const int charWidth = uiLanguage == QLatin1String("lan_en") ? 10 : 20;
    // Wide enough arithmetic for any text; the toolkit's own size limit caps the result.
    constexpr long long kWidestWindow = 16777215;
    const long long needed = static_cast<long long>(charWidth) * textLength;
    if (needed <= kTextRoom)
        return kBaseWidth;
    return static_cast<int>(std::min(kBaseWidth + (needed - kTextRoom), kWidestWindow));
}

} // namespace tiptext
