#pragma once

struct ServiceWindowLinks;
class WindowImplBase;

// The controls that the settings window and the combined window share: the auto-start box and
// the user-interface language list. Each call does nothing for a control the skin lacks.
namespace settingscontrols {

// Checks autorun_box from autoRun.
void ShowAutoStart(WindowImplBase& window, const ServiceWindowLinks& links);
// Registers or removes the start with the desktop session and writes autoRun "on"/"off".
void ApplyAutoStart(const ServiceWindowLinks& links, bool on);

// Fills ui_com from the "ui_lans" section of languages.ini (item names are the codes, texts
// the labels) and selects the item of uiLanguage, without that counting as a choice.
void FillUiLanguageList(WindowImplBase& window, const ServiceWindowLinks& links);
// The user chose item index of ui_com: writes uiLanguage, applies it, shows the new texts here
// and in the main window, and records usage event 18 with the code.
void ApplyChosenUiLanguage(WindowImplBase& window, const ServiceWindowLinks& links, int index);

} // namespace settingscontrols
