#include "app/Brelunda.h"

#include "app/CheckedInt16.h"
#include "app/FixedSize.h"
#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"
#include "platform/clock.h"

#include <utility>

namespace app {

std::unique_ptr<forms::ModalWindow> Sobre;

Brelunda::Brelunda(forms::Window& window, NavigationItems items, SobreFactory makeSobre)
    : window_(window)
    , items_(items)
    , makeSobre_(std::move(makeSobre)) {}

// One reading of the clock decides both the enabled states and the day shown, so they agree even
// at the stroke of midnight.
void Brelunda::showToday() {
    const int today = forms::Clock::dayOfMonth();
    if (today == firstDay)
        items_.mnuAnterior.setEnabled(false);
    else if (today == lastDay)
        items_.mnuProximo.setEnabled(false);
    FuncBrelunda::CurrentDay = static_cast<std::int16_t>(today);
    showCurrentDay();
}

// The day is the whole of what the window shows: whoever cannot see it hears it read out.
void Brelunda::showCurrentDay() {
    FuncBrelunda::ShowDay(FuncBrelunda::CurrentDay);
    window_.readingChanged();
}

void Brelunda::Form_Load() {
    showToday();
}

void Brelunda::Form_Resize() {
    holdOuterSize(window_, brelundaSize);
}

// The bound is tested on the new value only; a disabled item is what keeps the day in range.
void Brelunda::mnuAnterior_Click() {
    FuncBrelunda::CurrentDay = addChecked(FuncBrelunda::CurrentDay, -1);
    if (FuncBrelunda::CurrentDay == firstDay)
        items_.mnuAnterior.setEnabled(false);
    items_.mnuProximo.setEnabled(true);
    items_.mnuHoje.setEnabled(true);
    showCurrentDay();
}

void Brelunda::mnuProximo_Click() {
    FuncBrelunda::CurrentDay = addChecked(FuncBrelunda::CurrentDay, +1);
    if (FuncBrelunda::CurrentDay == lastDay)
        items_.mnuProximo.setEnabled(false);
    items_.mnuAnterior.setEnabled(true);
    items_.mnuHoje.setEnabled(true);
    showCurrentDay();
}

// Both stepping items are enabled first, so the final states do not depend on what was shown.
void Brelunda::mnuHoje_Click() {
    items_.mnuHoje.setEnabled(false);
    items_.mnuAnterior.setEnabled(true);
    items_.mnuProximo.setEnabled(true);
    showToday();
}

void Brelunda::mnuSair_Click() {
    forms::end();
}

void Brelunda::mnuSobre_Click() {
    if (!Sobre)
        Sobre = makeSobre_();
    Sobre->show(1);
}

} // namespace app
