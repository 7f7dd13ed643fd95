// SPDX-License-Identifier: MIT
#include "forms/showcase/showcase.h"

#include "controls/button/tolvanebutton.h"
#include "controls/caption/tolvanecaption.h"
#include "controls/panel/tolvanepanel.h"
#include "controls/tick/tolvanetick.h"
#include "core/host.h"
#include "core/resources.h"

namespace stolvane::showcase {

std::string Design() { return std::string(resources::Get("forms/showcase/frmShowcase.json")); }

namespace {

template <class T>
T& Find(Form& form, const char* name) {
    auto* c = dynamic_cast<T*>(form.FindControl(name));
    if (!c) throw HostError(ErrorNumber::InvalidCall, std::string("the showcase lacks ") + name);
    return *c;
}

}  // namespace

void Attach(Form& form) {
    Form* self = &form;
    auto& about = Find<TolvaneButton>(form, "btnAbout");
    TolvaneButton* aboutButton = &about;
    about.Click += [aboutButton] { aboutButton->About(); };
    Find<TolvaneButton>(form, "btnProblems").Click += [self] {
        Host& h = self->GetHost();
        Form& problems = h.LoadForm("frmStatus");
        problems.CentreOn(*self);
        h.ShowModal(problems, self);
        h.UnloadForm(problems);
    };
    // The caption bar's close button: the bar never closes its form itself.
    Find<TolvaneCaption>(form, "capShowcase").HaltClick += [self] { self->GetHost().UnloadForm(*self); };
    // The first check box shows and hides the status bar's grip.
    TolvanePanel* status = &Find<TolvanePanel>(form, "pnlStatus");
    Find<TolvaneTick>(form, "tikGrip").ValueChange += [status](Boolean& value) { status->SetGrip(value ? True : False); };
    // The progress bar runs round from 0 to 100 % and starts again.
    TolvanePanel* progress = &Find<TolvanePanel>(form, "pnlProgress");
    if (auto* timer = dynamic_cast<Timer*>(form.FindAuthored("tmrProgress"))) {
        timer->onTick = [progress] {
            const int16_t next = static_cast<int16_t>(progress->Percentage() >= 100 ? 0 : progress->Percentage() + 5);
            progress->SetPercentage(next);
            progress->SetCaption("Progress: " + std::to_string(next) + " %");
        };
    }
}

}  // namespace stolvane::showcase
