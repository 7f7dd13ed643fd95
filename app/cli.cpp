// SPDX-License-Identifier: MIT
#include "app/cli.h"

#include <glib.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "app/describe.h"
#include "host/a11y_model.h"
#include "app/dump.h"
#include "app/script.h"
#include "core/control.h"
#include "forms/showcase/showcase.h"
#include "core/names.h"
#include "designer/designer_form.h"
#include "host/file_read.h"
#include "host/file_write.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"

namespace stolvane {

namespace fs = std::filesystem;

namespace {

const char* kHelp = R"(Usage: stolvane COMMAND [ARGUMENTS]

Commands:
  render FORM.json -o OUT.png [--scale N]
      Renders a form file to a PNG picture. N scales the picture (2 for HiDPI
      screens); the default 1 draws 15 twips per pixel.
  script [--design] [FORM.json] < SCRIPT.jsonl
      Runs the headless scripted driver on the form (an empty 9600 x 7200 twips
      form without one): one JSON command per input line, and one JSON object
      per output line for everything that happens (events, property changes,
      message boxes, answers). Time runs on a virtual clock. --design drives
      the form designer's window instead, designing FORM.json.
  run FORM.json [--scale N] [--events] [--all-events]
      Opens the form (a form file, or frmShowcase, frmAbout, frmSamples,
      frmStatus by name) in a window and runs it until its windows are closed
      (needs a display). Screen readers find it on the accessibility bus
      (docs/accessibility.md); STOLVANE_ACCESSIBILITY=0 keeps it off the bus. Without --scale the window follows the display's
      resolution (Xft.dpi, else the display's own): 2 from 192 dpi, 1.5 from
      144 dpi, else 1. --events prints each event of the form and the
      controls placed on it as it happens, one JSON object a line as the
      script command prints them; --all-events also prints the events of the
      controls inside other controls' designs (a button's caption label).
  design [FORM.json] [--scale N]
      Opens the form designer in a window (needs a display), designing the
      form file: opened when it exists, else a new form that Save writes
      there. Runs until the designer's window is closed. docs/designer.md
      describes it.
  a11y FORM.json [--scale N]
      Prints the form (a form file, or frmShowcase, frmAbout, frmSamples,
      frmStatus by name) as assistive technologies (screen readers) see it: one
      object a line, indented by containment, in tab order: its role, name,
      access key, value, states, actions, description and where it lies in
      pixels. docs/accessibility.md says how to name controls well.
  describe [--markdown] [NAME...]
      Prints a class's properties (type, default, saved key, values, help
      text, C++ member) and events, an element kind's members (Label, Line,
      Image, PictureBox, Shape, ...) or the form's members (Form); without a
      name, lists them. --markdown gives the class reference as Markdown (all
      classes: docs/controls.md).
  demo [--no-window] [--examples DIR] [-o OUTDIR] [--scale N]
      Opens the showcase window (every control at work; its buttons open the
      about box and the known-problems list) when a display is available.
      Without one, or with --no-window, renders the showcase, the library's
      three forms and every example form (DIR/*.json; by default the examples
      folder of the source tree) to PNG files in OUTDIR (default
      ./stolvane-demo/) and prints where they are.
  --version   Prints the library's version and the controls' classic one.
  --help      Prints this help.

Exit status: 0 success, 1 runtime failure, 2 bad input (wrong arguments, a form
file that cannot be read or is malformed).
The command is described in docs/command.md, the script language in
docs/script.md, the controls in docs/controls.md.
)";

int Usage(std::ostream& err, const std::string& problem) {
    err << "stolvane: " << problem << "\n"
        << "Try 'stolvane --help' for more information.\n";
    return ExitStatus::BadInput;
}

// A command's options, parsed with GLib's option parser: the option table, then what is left
// (the positional arguments). An unknown option is answered with the nearest known one.
struct Options {
    std::string command;
    std::vector<GOptionEntry> entries;
    std::vector<std::string> positional;

    void Flag(const char* name, char shortName, gboolean* target) {
        entries.push_back({name, shortName, G_OPTION_FLAG_NONE, G_OPTION_ARG_NONE, target, nullptr, nullptr});
    }
    void Text(const char* name, char shortName, gchar** target) {
        entries.push_back({name, shortName, G_OPTION_FLAG_NONE, G_OPTION_ARG_FILENAME, target, nullptr, nullptr});
    }

    // False when the arguments are wrong; the message is on `err` and `status` says the exit.
    bool Parse(const std::vector<std::string>& args, std::ostream& err, int& status) {
        std::vector<std::string> known;
        for (auto& e : entries) {
            known.push_back(std::string("--") + e.long_name);
            if (e.short_name) known.push_back(std::string("-") + e.short_name);
        }
        // Unknown options first, so that the answer can name the nearest one.
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--") break;
            if (a.size() < 2 || a[0] != '-') continue;
            std::string name = a.substr(0, a.find('='));
            if (std::find(known.begin(), known.end(), name) != known.end()) {
                // An option that takes a value consumes the next argument.
                for (auto& e : entries)
                    if (e.arg != G_OPTION_ARG_NONE && a.find('=') == std::string::npos &&
                        (name == std::string("--") + e.long_name || (e.short_name && name == std::string("-") + e.short_name)))
                        ++i;
                continue;
            }
            status = Usage(err, command + ": unknown option '" + a + "'" + DidYouMean(name, known) +
                                    (known.empty() ? "; it takes none" : "; its options are " + JoinNames(known)));
            return false;
        }
        std::vector<GOptionEntry> table = entries;
        table.push_back({});
        GOptionContext* context = g_option_context_new(nullptr);
        g_option_context_set_help_enabled(context, FALSE);
        g_option_context_add_main_entries(context, table.data(), nullptr);
        std::vector<std::string> copy(args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(copy.size());
        char** argvp = argv.data();
        GError* error = nullptr;
        bool ok = g_option_context_parse(context, &argc, &argvp, &error);
        g_option_context_free(context);
        if (!ok) {
            std::string message = error ? error->message : "bad arguments";
            if (error) g_error_free(error);
            const std::string missing = "Missing argument for ";
            if (message.rfind(missing, 0) == 0) message = message.substr(missing.size()) + " needs a value";
            status = Usage(err, command + ": " + message);
            return false;
        }
        positional.clear();
        for (int i = 1; i < argc; ++i) positional.emplace_back(argvp[i]);
        return true;
    }
};

// Frees what the option parser allocated for a text option.
struct OwnedText {
    gchar* text = nullptr;
    ~OwnedText() { g_free(text); }
    bool given() const { return text != nullptr; }
    std::string str() const { return text ? text : ""; }
};

std::optional<double> ParseScale(const std::string& text) {
    try {
        size_t used = 0;
        double v = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(v) || v <= 0 || v > 16) return std::nullopt;
        return v;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The example forms shipped with the source tree: next to a build tree (its CMake cache names
// the source folder), beside an installed binary, or in the working directory.
std::optional<fs::path> FindExamples() {
    std::vector<fs::path> candidates;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path dir = exe.parent_path();
        std::ifstream cache(dir / "CMakeCache.txt");
        const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
        for (std::string line; std::getline(cache, line);)
            if (line.rfind(key, 0) == 0) candidates.push_back(fs::path(line.substr(key.size())) / "examples");
        candidates.push_back(dir / ".." / "examples");
        candidates.push_back(dir / "examples");
        candidates.push_back(dir / ".." / "share" / "stolvane" / "examples");
    }
    candidates.push_back("examples");
    for (auto& c : candidates)
        if (fs::is_directory(c, ec)) return fs::weakly_canonical(c, ec);
    return std::nullopt;
}

// The --scale option's value, checked; false (with the message) when it is no usable scale.
bool ScaleOption(const OwnedText& text, double& scale, std::ostream& err, int& status) {
    if (!text.given()) return true;
    auto s = ParseScale(text.str());
    if (!s) {
        status = Usage(err, "--scale takes a number above 0 and at most 16, not '" + text.str() + "'");
        return false;
    }
    scale = *s;
    return true;
}

int Render(const std::vector<std::string>& args, std::ostream& err) {
    OwnedText output, scaleText;
    Options o{"render", {}, {}};
    o.Text("output", 'o', &output.text);
    o.Text("scale", 0, &scaleText.text);
    int status = 0;
    double scale = 1;
    if (!o.Parse(args, err, status) || !ScaleOption(scaleText, scale, err, status)) return status;
    if (o.positional.size() > 1) return Usage(err, "render takes one form file");
    if (o.positional.empty()) return Usage(err, "render needs a form file");
    if (!output.given()) return Usage(err, "render needs -o OUT.png");
    return RenderFormFile(o.positional[0], output.str(), scale, err);
}

int Script(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    Options o{"script", {}, {}};
    gboolean design = FALSE;
    o.Flag("design", 0, &design);
    int status = 0;
    if (!o.Parse(args, err, status)) return status;
    if (o.positional.size() > 1) return Usage(err, "script takes at most one form file");
    std::optional<std::string> form;
    if (!o.positional.empty()) form = o.positional[0];
    return RunScript(in, out, err, form, design != FALSE);
}

// True for a control inside another control's design (a button's caption label), at any depth.
bool InsideDesign(const Surface& s) {
    for (const Surface* at = &s; at; at = at->Container())
        if (const ControlElement* e = at->EmbeddingElement(); e && e->IsDesignChild()) return true;
    return false;
}

// Prints each event of a running form as the scripted driver does: the form's, its placed
// controls' and its authored elements' events, and with `all` those inside designs too.
class EventPrinter : public RuntimeObserver {
public:
    EventPrinter(Runtime& runtime, std::ostream& out, bool all) : m_runtime(runtime), m_out(out), m_all(all) {}
    void OnEvent(Surface& source, const std::string& name, EventArgs& args) override {
        if (!m_all && InsideDesign(source)) return;
        m_out << EventJson(m_runtime, source, name, args).dump() << std::endl;
    }
    // A text box's or a list box's the form's author placed (Change, ItemCheck ...).
    void OnElementEvent(Element& source, const std::string& name, EventArgs& args) override {
        if (!m_all && (!source.Authored() || (source.Owner() && InsideDesign(*source.Owner())))) return;
        m_out << EventJson(m_runtime, source, name, args).dump() << std::endl;
    }

private:
    Runtime& m_runtime;
    std::ostream& m_out;
    bool m_all;
};

Form& LoadShowcase(Runtime& runtime);

// The showcase and the library's own forms by name (frmShowcase, frmAbout ...), where no file of
// that name exists.
bool IsLibraryFormName(const std::string& name) {
    std::error_code ec;
    return !fs::exists(name, ec) && (name == "frmShowcase" || StolvaneLibrary().FindForm(name) != nullptr);
}

// The form `run` and `a11y` name: one of the library's forms by its name ("frmShowcase"), else a
// form file. False, with why on err, when it is a file that cannot be read.
bool ReadableForm(const std::string& form, std::ostream& err) {
    if (IsLibraryFormName(form)) return true;
    if (std::string why = ReadProblem(form); !why.empty()) {
        err << "stolvane: cannot read " << form << ": " << why << "\n";
        return false;
    }
    return true;
}

// Runs `load`, which loads the form at `form`; false, with why on err, when it does not load.
template <class Load>
bool LoadsReported(const std::string& form, std::ostream& err, Load load) {
    try {
        load();
        return true;
    } catch (const FormFileError& e) {
        err << "stolvane: " << e.what() << "\n";
    } catch (const HostError& e) {
        err << "stolvane: " << form << ": error " << e.number << ": " << e.description << "\n";
    }
    return false;
}

// Loads that form into the runtime; null, with why on err, when it cannot be loaded.
Form* LoadNamedForm(Runtime& runtime, const std::string& form, std::ostream& err) {
    Form* loaded = nullptr;
    LoadsReported(form, err, [&] {
        if (IsLibraryFormName(form))
            loaded = form == "frmShowcase" ? &LoadShowcase(runtime) : &runtime.LoadForm(form);
        else
            loaded = &LoadFormFile(runtime, form);
    });
    return loaded;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    gboolean events = FALSE, allEvents = FALSE;
    OwnedText scaleText;
    Options o{"run", {}, {}};
    o.Flag("events", 0, &events);
    o.Flag("all-events", 0, &allEvents);
    o.Text("scale", 0, &scaleText.text);
    int status = 0;
    double scale = 0;  // 0: from the display's resolution
    if (!o.Parse(args, err, status) || !ScaleOption(scaleText, scale, err, status)) return status;
    if (o.positional.size() > 1) return Usage(err, "run takes one form file");
    if (o.positional.empty()) return Usage(err, "run needs a form file");
    const std::string& form = o.positional[0];
    if (!ReadableForm(form, err)) return ExitStatus::BadInput;
    if (!WindowHost::DisplayAvailable()) {
        err << "stolvane: run: no display to open a window on (set DISPLAY)\n";
        return ExitStatus::Failure;
    }
    Runtime runtime;
    WindowHost host(runtime, scale);
    Form* loaded = LoadNamedForm(runtime, form, err);
    if (!loaded) return ExitStatus::BadInput;
    EventPrinter printer(runtime, out, allEvents);
    if (events || allEvents) runtime.SetObserver(&printer);
    host.Run(*loaded);
    runtime.SetObserver(nullptr);
    return ExitStatus::Success;
}

// The designer in a window, designing the form file (opened when it exists, else a new form
// that Save writes there), until the designer's window is closed.
int Design(const std::vector<std::string>& args, std::ostream& err) {
    OwnedText scaleText;
    Options o{"design", {}, {}};
    o.Text("scale", 0, &scaleText.text);
    int status = 0;
    double scale = 0;  // 0: from the display's resolution
    if (!o.Parse(args, err, status) || !ScaleOption(scaleText, scale, err, status)) return status;
    if (o.positional.size() > 1) return Usage(err, "design takes at most one form file");
    const std::string form = o.positional.empty() ? std::string() : o.positional[0];
    std::error_code ec;
    if (!form.empty() && fs::exists(fs::symlink_status(form, ec)))
        if (std::string why = ReadProblem(form); !why.empty()) {
            err << "stolvane: cannot read " << form << ": " << why << "\n";
            return ExitStatus::BadInput;
        }
    // The form is loaded before anything else, so a file that does not load is told so with or
    // without a display.
    Runtime runtime;
    std::unique_ptr<DesignerForm> designer;
    if (!LoadsReported(form, err, [&] { designer = std::make_unique<DesignerForm>(runtime, form); }))
        return ExitStatus::BadInput;
    if (!WindowHost::DisplayAvailable()) {
        err << "stolvane: design: no display to open a window on (set DISPLAY)\n";
        return ExitStatus::Failure;
    }
    WindowHost host(runtime, scale);
    host.Run(designer->GetForm());
    return ExitStatus::Success;
}

// Writes a shown form's client area as PNG, through a temporary file renamed into place, so a
// failure leaves no half file and never damages an earlier picture of the same name.
int WriteFormPicture(Runtime& runtime, Form& form, const std::string& pngPath, double scale, std::ostream& err) {
    // Say plainly what stands in the way before rendering (a missing folder, a folder named).
    if (std::string why = WriteProblem(pngPath); !why.empty()) {
        err << "stolvane: cannot write " << pngPath << ": " << why << "\n";
        return ExitStatus::Failure;
    }
    // WritePng replaces the picture atomically (a failure leaves no half file and never damages
    // an earlier picture of the same name) and writes regular files only.
    try {
        runtime.ShowForm(form);
        FormRenderer renderer(runtime, form, scale);
        WritePng(renderer.RepaintAll(), pngPath);
    } catch (const HostError& e) {
        err << "stolvane: " << pngPath << ": error " << e.number << ": " << e.description << "\n";
        return ExitStatus::Failure;
    } catch (const std::exception& e) {
        err << "stolvane: " << pngPath << ": " << e.what() << "\n";
        return ExitStatus::Failure;
    }
    return ExitStatus::Success;
}

Form& LoadShowcase(Runtime& runtime) {
    Form& form = LoadFormText(runtime, showcase::Design(), "", "frmShowcase");
    showcase::Attach(form);
    return form;
}

// The showcase and the library's own forms as pictures: the demo without a display.
int RenderShowcase(const fs::path& output, double scale, std::ostream& out, std::ostream& err, int& written) {
    int failed = 0;
    for (const char* name : {"frmShowcase", "frmAbout", "frmSamples", "frmStatus"}) {
        Runtime runtime;
        runtime.onUnhandledError = [&](const HostError& e) {
            err << "stolvane: " << name << ": error " << e.number << ": " << e.description << "\n";
        };
        fs::path png = output / (std::string(name) + ".png");
        try {
            Form& form = std::string(name) == "frmShowcase" ? LoadShowcase(runtime) : runtime.LoadForm(name);
            if (WriteFormPicture(runtime, form, png.string(), scale, err) != ExitStatus::Success) {
                ++failed;
                continue;
            }
        } catch (const std::exception& e) {
            err << "stolvane: " << name << ": " << e.what() << "\n";
            ++failed;
            continue;
        }
        out << png.string() << "\n";
        ++written;
    }
    return failed;
}

int Demo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    gboolean noWindowFlag = FALSE;
    OwnedText examplesText, outputText, scaleText;
    Options o{"demo", {}, {}};
    o.Flag("no-window", 0, &noWindowFlag);
    o.Text("examples", 0, &examplesText.text);
    o.Text("output", 'o', &outputText.text);
    o.Text("scale", 0, &scaleText.text);
    int status = 0;
    double scale = 1;
    if (!o.Parse(args, err, status) || !ScaleOption(scaleText, scale, err, status)) return status;
    if (!o.positional.empty()) return Usage(err, "demo: unknown argument '" + o.positional[0] + "'");
    std::optional<fs::path> examples;
    if (examplesText.given()) examples = examplesText.str();
    fs::path output = outputText.given() ? fs::path(outputText.str()) : fs::path("stolvane-demo");
    const bool noWindow = noWindowFlag;
    const bool scaleGiven = scaleText.given();
    std::error_code ec;
    if (examples && !fs::is_directory(*examples, ec)) {
        err << "stolvane: demo: " << examples->string() << " is not a folder of example forms\n";
        return ExitStatus::BadInput;
    }
    const bool display = !noWindow && WindowHost::DisplayAvailable();
    if (display) {
        Runtime runtime;
        WindowHost host(runtime, scaleGiven ? scale : 0);
        Form& form = LoadShowcase(runtime);
        out << "stolvane demo: the showcase window is open; close it (the x of its title bar) to end the demo\n"
            << std::flush;
        host.Run(form);
        return ExitStatus::Success;
    }

    fs::create_directories(output, ec);
    if (ec) {
        err << "stolvane: demo: cannot create " << output.string() << ": " << ec.message() << "\n";
        return ExitStatus::Failure;
    }
    int written = 0;
    int failed = RenderShowcase(output, scale, out, err, written);
    if (!examples) examples = FindExamples();
    std::vector<fs::path> forms;
    if (examples)
        for (auto& entry : fs::directory_iterator(*examples, ec))
            if (entry.is_regular_file() && entry.path().extension() == ".json") forms.push_back(entry.path());
    std::sort(forms.begin(), forms.end());
    for (auto& f : forms) {
        fs::path png = output / f.filename().replace_extension(".png");
        if (RenderFormFile(f.string(), png.string(), scale, err) == ExitStatus::Success) {
            out << png.string() << "\n";
            ++written;
        } else {
            ++failed;
        }
    }
    out << "stolvane demo: " << written << " picture" << (written == 1 ? "" : "s")
        << " of the showcase, the library's forms and the example forms in "
        << fs::absolute(output).lexically_normal().string() << "\n";
    if (!noWindow)
        out << "stolvane demo: no display, so no window; the showcase window needs one (set DISPLAY)\n";
    return failed ? ExitStatus::Failure : ExitStatus::Success;
}

int A11y(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    OwnedText scaleText;
    Options o{"a11y", {}, {}};
    o.Text("scale", 0, &scaleText.text);
    int status = 0;
    double scale = 1;
    if (!o.Parse(args, err, status) || !ScaleOption(scaleText, scale, err, status)) return status;
    if (o.positional.size() > 1) return Usage(err, "a11y takes one form file");
    if (o.positional.empty()) return Usage(err, "a11y needs a form file");
    const std::string& path = o.positional[0];
    Runtime runtime;
    if (!ReadableForm(path, err)) return ExitStatus::BadInput;
    runtime.onUnhandledError = [&](const HostError& e) {
        err << "stolvane: " << path << ": error " << e.number << ": " << e.description << "\n";
    };
    Form* form = LoadNamedForm(runtime, path, err);
    if (!form) return ExitStatus::BadInput;
    // Shown as a window would show it: the first control in tab order has the focus.
    runtime.SetFocusOnShow(true);
    runtime.ShowForm(*form);
    out << FormatAccessibleTree(AccessibleTree(runtime, *form, scale));
    return ExitStatus::Success;
}

}  // namespace

namespace {
bool g_endingProcess = false;  // EndProcessAfterCommand was called
bool g_leftToExit = false;     // a command left its runtime for the system to reclaim
}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kOwnAllocator = false;
#else
constexpr bool kOwnAllocator = true;
#endif
#else
constexpr bool kOwnAllocator = true;
#endif

namespace {

// A large form file becomes hundreds of thousands of small blocks (its parsed document, its
// plan, then its controls), about 16 bytes of memory for each byte of the file. Grown a page
// at a time the heap spends much of a cold render in page faults and brk calls; a process that
// ends after the command grows it once, by about what the file will take, in huge pages where
// the system gives them. Memory freed on the way (the document) stays for the controls.
void GrowHeapFor(const std::string& formPath) {
    if (!kOwnAllocator) return;  // a sanitizer's allocator keeps its own heap
    constexpr uintmax_t kFrom = uintmax_t{1} << 20, kMost = uintmax_t{1} << 30;
    std::error_code ec;
    const uintmax_t bytes = fs::file_size(formPath, ec);
    if (ec || bytes < kFrom) return;
    const size_t reserve = static_cast<size_t>(std::min(bytes * 16, kMost));
    // The heap grows by the reserve the next time it grows; large blocks come from it too
    // instead of mappings of their own, and nothing is handed back before the process ends.
    mallopt(M_TOP_PAD, static_cast<int>(reserve));
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the most it takes
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
    char* const start = static_cast<char*>(sbrk(0));
    // More than the heap holds free, so it grows now (volatile: a block never used would
    // otherwise not be asked for at all).
    void* volatile block = std::malloc(1 << 20);
    std::free(block);
    char* const end = static_cast<char*>(sbrk(0));
    if (start == reinterpret_cast<char*>(-1) || end <= start) return;
    const uintptr_t huge = uintptr_t{2} << 20;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(start) + huge - 1) & ~(huge - 1);
    const uintptr_t to = reinterpret_cast<uintptr_t>(end) & ~(huge - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

int RenderFormFile(const std::string& formPath, const std::string& pngPath, double scale, std::ostream& err) {
    if (std::string why = ReadProblem(formPath); !why.empty()) {
        err << "stolvane: cannot read " << formPath << ": " << why << "\n";
        return ExitStatus::BadInput;
    }
    if (g_endingProcess) GrowHeapFor(formPath);
    auto owned = std::make_unique<Runtime>();
    Runtime& runtime = *owned;
    // Rendering never opens a browser or waits for a modal form: this runtime has no backend.
    runtime.onUnhandledError = [&](const HostError& e) {
        err << "stolvane: " << formPath << ": error " << e.number << ": " << e.description << "\n";
    };
    Form* form = nullptr;
    if (!LoadsReported(formPath, err, [&] { form = &LoadFormFile(runtime, formPath); })) return ExitStatus::BadInput;
    int status = WriteFormPicture(runtime, *form, pngPath, scale, err);
    if (status != ExitStatus::Success) return status;
    runtime.onUnhandledError = nullptr;
    // The picture is complete and in place. When the process ends next, the system takes the
    // form back at once; taking every control down one by one would only cost time.
    if (g_endingProcess) {
        g_leftToExit = true;
        static_cast<void>(owned.release());
    }
    return ExitStatus::Success;
}

void EndProcessAfterCommand() { g_endingProcess = true; }

int ExitStatusOfProcess(int status) {
    if (!g_leftToExit) return status;
    // What was left for the system is not torn down: the streams are flushed and the process
    // ends without running the exit handlers (which a leak checker is among).
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

int RunCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "no command given");
    const std::string& cmd = args[0];
    bool wantsHelp = std::find_if(args.begin(), args.end(), [](const std::string& a) {
                         return a == "--help" || a == "-h";
                     }) != args.end();
    if (cmd == "help" || wantsHelp) {
        out << kHelp;
        return ExitStatus::Success;
    }
    if (cmd == "--version" || cmd == "-V" || cmd == "version") {
        // The library's version (CMake gives it, as <stolvane/version.h> has it) and the classic one.
        out << "stolvane " << STOLVANE_LIBRARY_VERSION << " (controls " << kLibraryVersion << ")\n";
        return ExitStatus::Success;
    }
    try {
        if (cmd == "render") return Render(args, err);
        if (cmd == "script") return Script(args, in, out, err);
        if (cmd == "run") return Run(args, out, err);
        if (cmd == "design") return Design(args, err);
        if (cmd == "describe") return DescribeCommand(args, out, err);
        if (cmd == "a11y") return A11y(args, out, err);
        if (cmd == "demo") return Demo(args, out, err);
    } catch (const std::exception& e) {
        err << "stolvane: " << e.what() << "\n";
        return ExitStatus::Failure;
    }
    return Usage(err, "unknown command '" + cmd + "'" +
                          DidYouMean(cmd, {"render", "script", "run", "design", "a11y", "describe", "demo", "help", "version"}));
}

}  // namespace stolvane
