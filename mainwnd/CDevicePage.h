#pragma once

#include "app/CConfig.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class WindowImplBase;
struct ListItem;

// One device's settings page of the main window (the mouse's or the pen's twin): its language,
// typing, search, punctuation, translation, screen-word and subtitle controls. The page only
// mirrors the settings: loading shows the stored values and changes nothing; a user change is
// stored at once and reaches the engine, the device and the usage log through the links.
//
// Lives as long as the main window, on the UI thread. A control missing from the skin disables
// its feature: every load and handler looks its control up first.
class CDevicePage {
public:
    // What a change reaches beyond the settings. Empty links do nothing.
    struct Links {
        std::shared_ptr<CConfig> config;
        // The recognition engine re-reads its parameters.
        std::function<void()> updateEngineParams;
        // A usage event of this kind with its fixed first text and an empty second text.
        std::function<void(int kind)> recordUsage;
        // The program's one screen-word capture switch.
        std::function<void(bool on)> enableHighlightCapture;
        // Mouse: the resolution step goes to the mouse off the UI thread.
        std::function<void(const QString& step)> sendDpi;
        // Mouse: the web-page key follows `device`/`url`; false when the mouse took nothing.
        std::function<bool()> sendWebKey;
        // Mouse: whether the plugged mouse is the 5698 model.
        std::function<bool()> isModel5698;
        // Pen: the magnifier re-reads its zoom.
        std::function<void()> applyMagnifierZoom;
        // Pen: the colour pop-up for the laser (0) or subtitle font (1) colour, at a point.
        std::function<void(int purpose, const QPoint& at)> openColourPicker;
        // The pointer position, for the colour pop-up.
        std::function<QPoint()> cursorPosition;
    };

    CDevicePage(WindowImplBase& window, Links links, int kind);
    virtual ~CDevicePage();
    CDevicePage(const CDevicePage&) = delete;
    CDevicePage& operator=(const CDevicePage&) = delete;

    int Kind() const { return m_kind; }

    // Shows the stored values in the page's controls, in the page's order. Nothing is stored,
    // reported, sent or asked of the engine; only the screen-word capture follows the loaded
    // switch (the page loaded or changed last decides).
    void Load();

    // Notifications from the window, by control name; true when the control is this page's.
    bool OnSelectChanged(const QString& control, bool checked);
    bool OnItemSelect(const QString& control);
    virtual bool OnClick(const QString& control);

    // Fills a language list from a languages.ini section and selects storedCode (no item is
    // current when no name equals it exactly).
    void FillLanguageList(const QString& listName, const QString& section, int sizeLimit,
                          const QString& storedCode);
    // Another window changed the translation language: the list shows the stored code again.
    void ReselectTranslationLanguage();

protected:
    // The page's own loads, in the order its device shows them.
    virtual void LoadControls() = 0;
    // Changes of the device's own controls; true when handled.
    virtual bool OnOwnCheck(const QString& control, bool checked) = 0;
    virtual bool OnOwnItem(const QString& control) = 0;

    // The control of this page named like the mouse's (the pen's end in "_lp").
    QString Name(const char* mouseName) const;
    QString Setting(ConfigKey mouseKey) const;
    void Store(ConfigKey mouseKey, const QString& value);
    static QString OnOff(bool on);

    // Loads; each does nothing for a control the skin lacks.
    void LoadRecognitionLanguages();
    void LoadTranslationLanguages();
    // "on" checks, "off" unchecks, anything else leaves the box as it is.
    void LoadCheck(const QString& box, const QString& value);
    // Selects the first item whose name (byText: text) equals value, else none.
    void LoadListSelection(const QString& list, const QString& value, bool byText = false);
    void ReplaceItems(const QString& list, const std::vector<ListItem>& items);
    // The colour button's background from a stored colour text; a text that is no colour
    // keeps what the button shows and is logged.
    void LoadColour(const QString& button, const QString& value);
    void SwitchHighlightCapture(bool on);

    // The name (byText: text) of the current item of a list; nothing when none is current.
    std::optional<QString> CurrentItem(const QString& list, bool byText = false) const;
    void RecordUsage(int kind) const;
    void UpdateEngine() const;

    // While the page itself sets a control, the notifications it raises are not user changes.
    class ProgramSet;
    bool IsSetting() const { return m_setting > 0; }

    WindowImplBase& m_window;
    Links m_links;
    const int m_kind;

private:
    void FillFixedLists();
    int m_setting = 0;
};
