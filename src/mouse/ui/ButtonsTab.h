// SPDX-License-Identifier: GPL-2.0-or-later
// The buttons tab of the mouse page: the mouse picture with a clickable area on each of its
// eleven buttons, the assignment editor and the list of every button's function. An edit is
// kept on the page ("key_butt_keysave") until "key_butt_prosave" sends the key table and the
// macros it uses to the mouse on its worker, applied there to the profile as it is then.
#pragma once

#include <QPointer>
#include <array>
#include <map>
#include <memory>
#include <vector>

#include "keys/ui/KeyCapture.h"
#include "keys/ui/KeySetControl.h"
#include "mouse/MouseKeyTable.h"
#include "mouse/ui/MouseTab.h"

class CDeviceKeyButtonUI;

class CButtonsTabUI : public CMouseTabUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "MouseButtonsTab";
    static constexpr const char* kPicture = "mouse_key_panel";
    static constexpr const char* kKeyPrefix = "key_";
    static constexpr const char* kInfoList = "device_setkeyinfo_list";
    static constexpr const char* kInfoRowPrefix = "keyinfo_row_";
    static constexpr const char* kEditor = "KeySetControlItem";
    static constexpr PageControl kControls[] = {{kPicture}, {kInfoList}, {kEditor}};

    // Where each button sits on the picture, in its own coordinates, by key-list index.
    struct KeyPlace {
        double x, y, width, height;
    };
    static constexpr std::array<KeyPlace, kMouseKeyButtons> kKeyPlaces = {{
        {47, 22, 42, 70},    // left
        {111, 22, 42, 70},   // right
        {90, 27, 20, 36},    // wheel
        {26, 101, 18, 26},   // forward
        {26, 129, 18, 26},   // back
        {92, 66, 16, 12},    // DPI +
        {92, 79, 16, 12},    // DPI -
        {91, 107, 18, 18},   // DPI loop
        {85, 133, 30, 14},   // GM
        {156, 109, 18, 28},  // M8
        {28, 56, 17, 29},    // fire
    }};

    explicit CButtonsTabUI(QWidget* parent = nullptr);
    ~CButtonsTabUI() override;

    // Puts the key buttons on the picture and sets the editor's kind (after the layout is built).
    void BindKeyButtons(int deviceClass);
    void ShowProfile(const MouseProfileSnapshot& profile) override;
    void SetKeyCapture(std::unique_ptr<IKeyCapture> capture);
    IKeyCapture* KeyCapture() const { return m_capture.get(); }

    CKeySetControlUI* Editor() const { return m_editor; }
    CDeviceKeyButtonUI* KeyButton(int n) const;
    // The page's key list: the profile's, with the edits not yet sent to the mouse.
    const std::vector<KeyListEntry>& Keys() const { return m_keys; }
    int SelectedKey() const { return m_selected; }
    // Idle: nothing stored that the mouse has not got yet.
    bool IsEditIdle() const { return m_idle; }
    bool IsApplying() const { return m_applying; }

    // A profile switch, reset or restore of the defaults ends the edit: what it held belonged
    // to the profile as it was.
    void EndEdit() override;
    // A click on button n of the picture or the list.
    void OnKeyButtonClick(int n);
    void SaveKey();

    bool HandleNotify(TNotifyUI& msg) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    void OnEdited();

  private:
    void OnKeyButton(TNotifyUI& msg, int n);
    void OnSave(TNotifyUI& msg, int);
    void OnDefault(TNotifyUI& msg, int);
    void OnCancel(TNotifyUI& msg, int);
    void OnApply(TNotifyUI& msg, int);
    void OnModifier(TNotifyUI& msg, int n);
    void OnCycleEdited(TNotifyUI& msg, int);
    void OnKeyboardFocus(TNotifyUI& msg, int);
    void OnKeyboardFocusLost(TNotifyUI& msg, int);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CButtonsTabUI>> HandlerTable();

  private:
    static const PageHandler<CButtonsTabUI> kHandlers[];

    void OnApplied(const MouseCommitted& outcome);
    void SetEditState(bool idle);
    void RefreshKeyInfo();
    void ShowKeyInfo(int n, const QString& text);
    void MarkSelected();
    void Message(const char* key, const QString& argument = {});
    void StopCapture();

    QPointer<CKeySetControlUI> m_editor;
    std::vector<KeyListEntry> m_keys;
    // Edits the mouse has not got yet, by button.
    std::map<size_t, KeyCode> m_pending;
    std::vector<std::string> m_macroNames;
    std::string m_profileId;
    int m_selected = -1;
    bool m_idle = true;
    bool m_applying = false;
    std::unique_ptr<IKeyCapture> m_capture;
};
