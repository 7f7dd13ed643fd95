// SPDX-License-Identifier: MIT
#include "forms/about/about.h"

#include "controls/button/tolvanebutton.h"
#include "controls/label/tolvanelabel.h"
#include "core/control.h"
#include "core/host.h"

namespace stolvane::about {

std::string VersionLine(const std::string& versionComment) {
    return std::string("Version: ") + kLibraryVersion + ", last revised on: " + versionComment.substr(0, 8);
}

namespace {

template <class T>
T& Find(Form& form, const char* name) {
    auto* c = dynamic_cast<T*>(form.FindControl(name));
    if (!c) throw HostError(ErrorNumber::InvalidCall, std::string("frmAbout lacks ") + name);
    return *c;
}

template <class E>
E& Element(Form& form, const char* name, int index = -1) {
    auto* e = dynamic_cast<E*>(form.FindAuthored(name, index));
    if (!e) throw HostError(ErrorNumber::InvalidCall, std::string("frmAbout lacks ") + name);
    return *e;
}

}  // namespace

void Attach(Form& form) {
    Form* self = &form;
    Host& host = form.GetHost();
    TolvaneLabel* version = &Find<TolvaneLabel>(form, "tplVersion");
    Image* ring[6];
    for (int i = 0; i < 6; ++i) ring[i] = &Element<Image>(form, "imgRotate", i);
    Image* spare = &Element<Image>(form, "imgSpare");
    Timer& t98 = Element<Timer>(form, "T98");

    form.onLoad = [version, &host] { version->SetCaption(VersionLine(host.VersionComment())); };

    // Each picture moves one place on around the ring, clockwise (index order), through the
    // spare image.
    t98.onTick = [ring, spare] {
        spare->SetPicture(ring[5]->GetPicture());
        for (int i = 5; i > 0; --i) ring[i]->SetPicture(ring[i - 1]->GetPicture());
        ring[0]->SetPicture(spare->GetPicture());
    };

    Find<TolvaneButton>(form, "bOK").Click += [self] { self->GetHost().HideForm(*self); };
    Find<TolvaneButton>(form, "tpbSamples").Click += [self] {
        Host& h = self->GetHost();
        Form& samples = h.LoadForm("frmSamples");
        samples.CentreOn(*self);
        h.ShowModal(samples, self);
        h.UnloadForm(samples);
    };
}

}  // namespace stolvane::about
