// SPDX-License-Identifier: MIT
#include "forms/status/status.h"

#include <string>

#include "controls/button/tolvanebutton.h"
#include "controls/label/tolvanelabel.h"
#include "core/host.h"

namespace stolvane::status {

int16_t fncFindSelected(const ListBox& list) {
    for (int i = 0; i < list.ListCount(); ++i)
        if (list.Selected(i)) return static_cast<int16_t>(i);
    return -1;
}

void Attach(Form& form) {
    auto* list = dynamic_cast<ListBox*>(form.FindAuthored("lstBugs"));
    auto* problem = dynamic_cast<TolvaneLabel*>(form.FindControl("tllProblem"));
    auto* ok = dynamic_cast<TolvaneButton*>(form.FindControl("lblOK"));
    if (!list || !problem || !ok) throw HostError(ErrorNumber::InvalidCall, "frmStatus lacks its list, label or button");
    Form* self = &form;

    list->onClick = [list, problem] {
        const int16_t i = fncFindSelected(*list);
        if (i == -1) return;
        problem->SetCaption(std::string(list->ItemData(i) == 1 ? kWorkaround : kProblematic) + list->List(i));
    };
    list->onItemCheck = [self](int index) { self->GetHost().MsgBox(std::to_string(index)); };
    ok->Click += [self] {
        Host& h = self->GetHost();
        h.HideForm(*self);
        h.UnloadForm(*self);
    };
}

}  // namespace stolvane::status
