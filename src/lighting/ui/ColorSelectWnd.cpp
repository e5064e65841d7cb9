// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/ui/ColorSelectWnd.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "base/Paths.h"
#include "base/ThreadCheck.h"
#include "ui/ColorPalette.h"
#include "ui/DpiRule.h"
#include "ui/SkinBuilder.h"

const PageHandler<CColorSelectWnd> CColorSelectWnd::kHandlers[] = {
    {"click", kPresetPrefix, &CColorSelectWnd::OnPreset},
    {"click", kCollectedPrefix, &CColorSelectWnd::OnCollected},
    {"colorchanged", kPalette, &CColorSelectWnd::OnPalette},
    {"killfocus", kEditRed, &CColorSelectWnd::OnEditDone},
    {"killfocus", kEditGreen, &CColorSelectWnd::OnEditDone},
    {"killfocus", kEditBlue, &CColorSelectWnd::OnEditDone},
    {"click", kSevenColour, &CColorSelectWnd::OnSevenColour},
    {"click", kOkButton, &CColorSelectWnd::OnOk},
    {"click", kCloseButton, &CColorSelectWnd::OnCancel},
    {"click", kLaterButton, &CColorSelectWnd::OnCancel},
    {"click", kMinButton, &CColorSelectWnd::OnMinimise},
    {"click", kMaxButton, &CColorSelectWnd::OnMaximise},
    {"click", kRestoreButton, &CColorSelectWnd::OnRestore},
};

std::span<const PageHandler<CColorSelectWnd>> CColorSelectWnd::HandlerTable() {
    return kHandlers;
}

namespace {

// The dialog's size at 96 DPI.
constexpr int kWidth = 800;
constexpr int kHeight = 572;
constexpr uint32_t kWhite = 0xFFFFFFFF;

}  // namespace

void CColorSelectWnd::Choose(QPointer<CColorSelectWnd>& open, QWidget* opener, uint32_t colour,
                             bool sevenColour, std::function<void(const CColorSelectWnd&)> chosen) {
    if (open) {
        open->raise();
        open->activateWindow();
        return;
    }
    QWidget* owner = opener ? opener->window() : nullptr;
    auto* dialog = new CColorSelectWnd(owner);
    if (!dialog->Init()) {
        delete dialog;
        return;
    }
    auto* ownerWindow = qobject_cast<CSkinWindow*>(owner);
    dialog->SetDpi(ownerWindow ? ownerWindow->Dpi() : kBaseDpi);
    dialog->SetColour(colour);
    dialog->EnableSevenColour(sevenColour);
    dialog->CenterWindow();
    open = dialog;
    // The opener may go first; then its choice has nowhere to go.
    QPointer<QWidget> alive(opener);
    connect(dialog, &CSkinWindow::Finished, dialog,
            [dialog, alive, &open, chosen = std::move(chosen)](int result) {
                if (alive) {
                    open = nullptr;
                    if (result == kChosen)
                        chosen(*dialog);
                }
                dialog->deleteLater();
            });
    dialog->Open();
}

CColorSelectWnd::CColorSelectWnd(QWidget* owner)
    : CColorSelectWnd(owner, CColorOptionFile(GetUserDataFolder(), GetDefaultDataFolder())) {}

CColorSelectWnd::CColorSelectWnd(QWidget* owner, CColorOptionFile file)
    : CSkinWindow(owner), m_file(std::move(file)) {
    setObjectName(QStringLiteral("ColorSelectWnd"));
    setWindowTitle(QStringLiteral("PalletDialog"));
    // A pop-up over its owner, not a window of its own in the task bar.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    SetClosesOnEscape(true);
}

bool CColorSelectWnd::Init() {
    ExpectUiThread("CColorSelectWnd::Init");
    if (!Create(QString::fromLatin1(kLayout)))
        return false;
    m_palette = FindControl<CColorPaletteUI>(QString::fromLatin1(kPalette));
    for (const char* name : {kEditRed, kEditGreen, kEditBlue})
        LimitToColourChannel(FindControl<QLineEdit>(QString::fromLatin1(name)));
    LoadOptions();
    ShowColour();
    ShowSevenColour();
    SetDpi(Dpi());
    return true;
}

int CColorSelectWnd::SetDpi(int dpi) {
    const int used = CSkinWindow::SetDpi(dpi, kDpiError);
    resize(static_cast<int>(std::lround(kWidth * Scale())),
           static_cast<int>(std::lround(kHeight * Scale())));
    return used;
}

void CColorSelectWnd::ApplyLanguage() {
    if (Root())
        ApplyLanguageTexts(Root());
}

QAbstractButton* CColorSelectWnd::Preset(int n) const {
    return FindControl<QAbstractButton>(QString::fromLatin1(kPresetPrefix) + QString::number(n));
}

QAbstractButton* CColorSelectWnd::Collected(int n) const {
    return FindControl<QAbstractButton>(QString::fromLatin1(kCollectedPrefix) + QString::number(n));
}

void CColorSelectWnd::LoadOptions() {
    for (int n = 0; n <= kLastOption; ++n) {
        const auto i = static_cast<size_t>(n);
        if (QAbstractButton* preset = Preset(n))
            m_options.presets[i] = SwatchColour(preset);
        if (QAbstractButton* slot = Collected(n))
            m_options.collected[i] = CollectedColour{
                SwatchColour(slot), slot->property(kUserDataProperty).toString().toStdString()};
    }
    // The preset colours are the layout's; the file gives the choice among them and the slots.
    if (const std::optional<ColourOptions> file = m_file.Load()) {
        m_options.presetSelected = Preset(file->presetSelected) ? file->presetSelected : -1;
        for (size_t i = 0; i < kColourOptionCount; ++i) {
            if (!file->collected[i] || !m_options.collected[i])
                continue;
            const CollectedColour& stored = *file->collected[i];
            m_options.collected[i] =
                CollectedColour{stored.Filled() ? stored.colour : kWhite, stored.userData};
        }
    }
    m_options.collectedSelected = -1;
    for (int n = 0; n <= kLastOption; ++n) {
        const auto i = static_cast<size_t>(n);
        if (QAbstractButton* preset = Preset(n)) {
            ShowSwatch(preset, *m_options.presets[i]);
            if (n == m_options.presetSelected) {
                const QSignalBlocker block(preset);
                preset->setChecked(true);
            }
        }
        ShowCollected(n);
    }
}

void CColorSelectWnd::ShowCollected(int n) {
    QAbstractButton* slot = Collected(n);
    const std::optional<CollectedColour>& collected = m_options.collected[static_cast<size_t>(n)];
    if (!slot || !collected)
        return;
    slot->setProperty(kUserDataProperty, QString::fromStdString(collected->userData));
    ShowSwatch(slot, collected->colour, collected->Filled());
}

void CColorSelectWnd::SetColour(uint32_t colour) {
    m_colour = colour;
    m_sevenColour = false;
    m_chosen.reset();
    ShowColour();
    ShowSevenColour();
}

void CColorSelectWnd::EnableSevenColour(bool enable) {
    m_sevenColourEnabled = enable;
    if (!enable)
        m_sevenColour = false;
    ShowSevenColour();
}

uint32_t CColorSelectWnd::ResultColour() const {
    if (m_chosen)
        return *m_chosen;
    return SwatchColour(FindControl<QAbstractButton>(QString::fromLatin1(kShowButton)));
}

void CColorSelectWnd::ShowColour() {
    ShowSevenColour();
    if (m_palette)
        m_palette->SetColour(QColor::fromRgba(m_colour));
    ShowEdits();
}

void CColorSelectWnd::ShowEdits() {
    const int parts[] = {static_cast<int>(m_colour >> 16 & 0xFF),
                         static_cast<int>(m_colour >> 8 & 0xFF), static_cast<int>(m_colour & 0xFF)};
    const char* names[] = {kEditRed, kEditGreen, kEditBlue};
    for (int i = 0; i < 3; ++i) {
        if (auto* edit = FindControl<QLineEdit>(QString::fromLatin1(names[i]))) {
            const QSignalBlocker block(edit);
            edit->setText(QString::number(parts[i]));
        }
    }
}

void CColorSelectWnd::ShowSevenColour() {
    if (auto* check = FindControl<QAbstractButton>(QString::fromLatin1(kSevenColour))) {
        const QSignalBlocker block(check);
        check->setEnabled(m_sevenColourEnabled);
        check->setChecked(m_sevenColour);
    }
    if (auto* layout = FindControl(QString::fromLatin1(kSevenColourLayout)))
        layout->setVisible(m_sevenColourEnabled);
    ShowSwatch(FindControl<QAbstractButton>(QString::fromLatin1(kShowButton)), m_colour, true,
               m_sevenColour ? QString::fromLatin1(kSevenColourImage) : QString());
}

void CColorSelectWnd::StoreCollected() {
    const int n = m_options.collectedSelected;
    if (QAbstractButton* slot = n >= 0 ? Collected(n) : nullptr; slot && slot->isChecked()) {
        m_options.collected[static_cast<size_t>(n)] = CollectedColour{m_colour, "1"};
        ShowCollected(n);
        m_file.SaveCollected(m_options, n);
    }
    m_sevenColour = false;
    ShowSevenColour();
}

void CColorSelectWnd::Notify(TNotifyUI& msg) {
    DispatchNotify<CColorSelectWnd>(*this, kHandlers, msg);
}

void CColorSelectWnd::OnPreset(TNotifyUI&, int n) {
    QAbstractButton* preset = Preset(n);
    if (!preset)
        return;
    m_options.presetSelected = n;
    m_file.SavePresets(m_options);
    m_colour = SwatchColour(preset);
    if (m_palette)
        m_palette->SetColour(QColor::fromRgba(m_colour));
    StoreCollected();
    ShowEdits();
}

void CColorSelectWnd::OnCollected(TNotifyUI&, int n) {
    const std::optional<CollectedColour>& slot = m_options.collected[static_cast<size_t>(n)];
    if (!Collected(n) || !slot)
        return;
    m_options.collectedSelected = n;
    // An empty slot waits for the next colour chosen.
    if (!slot->Filled())
        return;
    m_file.SaveCollected(m_options, n);
    m_colour = slot->colour;
    m_sevenColour = false;
    ShowColour();
}

void CColorSelectWnd::OnPalette(TNotifyUI&, int) {
    if (!m_palette)
        return;
    m_colour = m_palette->Colour().rgba();
    StoreCollected();
    ShowEdits();
}

void CColorSelectWnd::OnEditDone(TNotifyUI&, int) {
    int parts[] = {static_cast<int>(m_colour >> 16 & 0xFF), static_cast<int>(m_colour >> 8 & 0xFF),
                   static_cast<int>(m_colour & 0xFF)};
    const char* names[] = {kEditRed, kEditGreen, kEditBlue};
    for (int i = 0; i < 3; ++i)
        if (auto* edit = FindControl<QLineEdit>(QString::fromLatin1(names[i])))
            parts[i] = TakeColourChannel(edit);
    m_colour = qRgb(parts[0], parts[1], parts[2]);
    if (m_palette)
        m_palette->SetColour(QColor::fromRgba(m_colour));
    StoreCollected();
}

void CColorSelectWnd::OnSevenColour(TNotifyUI& msg, int) {
    auto* check = qobject_cast<QAbstractButton*>(msg.pSender.data());
    m_sevenColour = check && check->isChecked();
    ShowSevenColour();
}

void CColorSelectWnd::OnOk(TNotifyUI&, int) {
    if (!m_palette) {
        Close(kChosenWithoutPalette);
        return;
    }
    m_chosen = SwatchColour(FindControl<QAbstractButton>(QString::fromLatin1(kShowButton)));
    Close(kChosen);
}

void CColorSelectWnd::OnCancel(TNotifyUI&, int) {
    Close(kCancelled);
}

void CColorSelectWnd::OnMinimise(TNotifyUI&, int) {
    showMinimized();
}

void CColorSelectWnd::OnMaximise(TNotifyUI&, int) {
    showMaximized();
}

void CColorSelectWnd::OnRestore(TNotifyUI&, int) {
    showNormal();
}
