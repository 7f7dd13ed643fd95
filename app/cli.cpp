#include "app/cli.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "app/describe.h"
#include "app/dump.h"
#include "app/script.h"
#include "core/control.h"
#include "forms/showcase/showcase.h"
#include "core/names.h"
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
  script [FORM.json] < SCRIPT.jsonl
      Runs the headless scripted driver on the form (an empty 9600 x 7200 twips
      form without one): one JSON command per input line, and one JSON object
      per output line for everything that happens (events, property changes,
      message boxes, answers). Time runs on a virtual clock.
  run FORM.json [--scale N] [--events]
      Opens the form in a window and runs it until its windows are closed
      (needs a display). Without --scale the window follows the display's
      resolution (Xft.dpi, else the display's own): 2 from 192 dpi, 1.5 from
      144 dpi, else 1. --events prints each event as it happens, one JSON
      object a line as the script command prints them.
  describe [--markdown] [CLASS...]
      Prints a class's properties (type, default, saved key, values, help
      text) and events; without a class, lists the classes. --markdown gives
      the reference as Markdown (all classes: docs/controls.md).
  demo [--no-window] [--examples DIR] [-o OUTDIR] [--scale N]
      Opens the showcase window (every control at work; its buttons open the
      about box and the known-problems list) when a display is available.
      Without one, or with --no-window, renders the showcase, the library's
      three forms and every example form (DIR/*.json; by default the examples
      folder of the source tree) to PNG files in OUTDIR (default
      ./stolvane-demo/) and prints where they are.
  --version   Prints the version.
  --help      Prints this help.

Exit status: 0 success, 1 runtime failure, 2 bad input (wrong arguments, a form
file that cannot be read or is malformed).
The command is described in docs/command.md, the script language in
docs/script.md, the controls in docs/controls.md.
)";

// Why a form file cannot be read, in the system's words; empty when it can.
std::string ReadProblem(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return "it is a folder";
    std::ifstream probe(path);
    if (!probe) return std::strerror(errno);
    return {};
}

int Usage(std::ostream& err, const std::string& problem) {
    err << "stolvane: " << problem << "\n"
        << "Try 'stolvane --help' for more information.\n";
    return ExitStatus::BadInput;
}

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

int Render(const std::vector<std::string>& args, std::ostream& err) {
    std::optional<std::string> form, output;
    double scale = 1;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" || a == "--output") {
            if (++i == args.size()) return Usage(err, a + " needs a file name");
            output = args[i];
        } else if (a == "--scale") {
            if (++i == args.size()) return Usage(err, "--scale needs a number");
            auto s = ParseScale(args[i]);
            if (!s) return Usage(err, "--scale takes a number above 0 and at most 16, not '" + args[i] + "'");
            scale = *s;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(err, "render: unknown option '" + a + "'");
        } else if (form) {
            return Usage(err, "render takes one form file");
        } else {
            form = a;
        }
    }
    if (!form) return Usage(err, "render needs a form file");
    if (!output) return Usage(err, "render needs -o OUT.png");
    return RenderFormFile(*form, *output, scale, err);
}

int Script(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    std::optional<std::string> form;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i].size() > 1 && args[i][0] == '-') return Usage(err, "script: unknown option '" + args[i] + "'");
        if (form) return Usage(err, "script takes at most one form file");
        form = args[i];
    }
    return RunScript(in, out, err, form);
}

// Prints each event of a running form as the scripted driver does.
class EventPrinter : public RuntimeObserver {
public:
    EventPrinter(Runtime& runtime, std::ostream& out) : m_runtime(runtime), m_out(out) {}
    void OnEvent(Surface& source, const std::string& name, EventArgs& args) override {
        m_out << EventJson(m_runtime, source, name, args).dump() << std::endl;
    }

private:
    Runtime& m_runtime;
    std::ostream& m_out;
};

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> form;
    double scale = 0;  // 0: from the display's resolution
    bool events = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--events") {
            events = true;
        } else if (a == "--scale") {
            if (++i == args.size()) return Usage(err, "--scale needs a number");
            auto s = ParseScale(args[i]);
            if (!s) return Usage(err, "--scale takes a number above 0 and at most 16, not '" + args[i] + "'");
            scale = *s;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(err, "run: unknown option '" + a + "'");
        } else if (form) {
            return Usage(err, "run takes one form file");
        } else {
            form = a;
        }
    }
    if (!form) return Usage(err, "run needs a form file");
    if (std::string why = ReadProblem(*form); !why.empty()) {
        err << "stolvane: cannot read " << *form << ": " << why << "\n";
        return ExitStatus::BadInput;
    }
    if (!WindowHost::DisplayAvailable()) {
        err << "stolvane: run: no display to open a window on (set DISPLAY)\n";
        return ExitStatus::Failure;
    }
    Runtime runtime;
    WindowHost host(runtime, scale);
    Form* loaded = nullptr;
    try {
        loaded = &LoadFormFile(runtime, *form);
    } catch (const FormFileError& e) {
        err << "stolvane: " << e.what() << "\n";
        return ExitStatus::BadInput;
    } catch (const HostError& e) {
        err << "stolvane: " << *form << ": error " << e.number << ": " << e.description << "\n";
        return ExitStatus::BadInput;
    }
    EventPrinter printer(runtime, out);
    if (events) runtime.SetObserver(&printer);
    host.Run(*loaded);
    runtime.SetObserver(nullptr);
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
    std::optional<fs::path> examples;
    fs::path output = "stolvane-demo";
    double scale = 1;
    bool scaleGiven = false;
    bool noWindow = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-window") {
            noWindow = true;
        } else if (a == "--examples" || a == "-o" || a == "--output" || a == "--scale") {
            if (++i == args.size()) return Usage(err, a + " needs a value");
            if (a == "--examples") {
                examples = args[i];
            } else if (a == "--scale") {
                auto s = ParseScale(args[i]);
                if (!s) return Usage(err, "--scale takes a number above 0 and at most 16, not '" + args[i] + "'");
                scale = *s;
                scaleGiven = true;
            } else {
                output = args[i];
            }
        } else {
            return Usage(err, "demo: unknown argument '" + a + "'");
        }
    }
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

}  // namespace

int RenderFormFile(const std::string& formPath, const std::string& pngPath, double scale, std::ostream& err) {
    if (std::string why = ReadProblem(formPath); !why.empty()) {
        err << "stolvane: cannot read " << formPath << ": " << why << "\n";
        return ExitStatus::BadInput;
    }
    Runtime runtime;
    // Rendering never opens a browser or waits for a modal form: this runtime has no backend.
    runtime.onUnhandledError = [&](const HostError& e) {
        err << "stolvane: " << formPath << ": error " << e.number << ": " << e.description << "\n";
    };
    Form* form = nullptr;
    try {
        form = &LoadFormFile(runtime, formPath);
    } catch (const FormFileError& e) {
        err << "stolvane: " << e.what() << "\n";
        return ExitStatus::BadInput;
    } catch (const HostError& e) {
        err << "stolvane: " << formPath << ": error " << e.number << ": " << e.description << "\n";
        return ExitStatus::BadInput;
    }
    int status = WriteFormPicture(runtime, *form, pngPath, scale, err);
    if (status != ExitStatus::Success) return status;
    runtime.onUnhandledError = nullptr;
    return ExitStatus::Success;
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
        out << "stolvane " << kLibraryVersion << "\n";
        return ExitStatus::Success;
    }
    try {
        if (cmd == "render") return Render(args, err);
        if (cmd == "script") return Script(args, in, out, err);
        if (cmd == "run") return Run(args, out, err);
        if (cmd == "describe") return DescribeCommand(args, out, err);
        if (cmd == "demo") return Demo(args, out, err);
    } catch (const std::exception& e) {
        err << "stolvane: " << e.what() << "\n";
        return ExitStatus::Failure;
    }
    return Usage(err, "unknown command '" + cmd + "'" +
                          DidYouMean(cmd, {"render", "script", "run", "describe", "demo", "help", "version"}));
}

}  // namespace stolvane
