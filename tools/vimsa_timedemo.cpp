// vimsa-timedemo: the demonstration run headless, with the set-up choices
// from the command line, the keyboard from a script and, with --step-ms, a
// clock that moves a fixed step per frame so that runs repeat exactly.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo.h"
#include "platform/files/file_system.h"
#include "platform/input/key_table.h"
#include "render/direct3d8/headless_d3d8_window.h"
#include "render/image_file_access.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "tools/timedemo/demo_script.h"
#include "tools/timedemo/run_report.h"
#include "tools/timedemo/tour.h"

namespace vimsa::timedemo {
namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string data = ".";
    host::SetupChoices setup;
    uint32_t width = 640, height = 480;
    uint32_t frames = 0;  // 0: as long as the script
    uint32_t stepMs = 0;  // 0: the real clock
    std::string script = "tour";
    std::string shots;
    uint32_t shotEvery = 0;
    std::string report;
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-timedemo [--data DIR] [--renderer opengl|direct3d]\n"
                 "         [--size 640x480|800x600|1024x768] [--character Kelmardo|Vona]\n"
                 "         [--objects high|low] [--frames N] [--step-ms MS]\n"
                 "         [--script tour|idle|FILE] [--shots DIR] [--shot-every N]\n"
                 "         [--report FILE.json]\n\n"
                 "Runs the demonstration without a display: start-up as the set-up dialog\n"
                 "would have it, then frames with the keyboard played from a script. Prints\n"
                 "progress; the report gives frame rates, triangle rate, rooms entered, portal\n"
                 "crossings, collisions, door openings and screenshots, with an SVG plot of\n"
                 "the frame times beside it.\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
    o.setup.renderer = 1;
    o.setup.resolution = "640*480";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? argv[i + 1] : "";
        auto number = [&value](uint32_t& out) {
            char* end = nullptr;
            const unsigned long n = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n > (1ul << 30)) return false;
            out = static_cast<uint32_t>(n);
            return true;
        };
        bool ok = hasValue;
        if (arg == "--data" && hasValue) {
            o.data = value;
        } else if (arg == "--renderer" && hasValue) {
            ok = value == "opengl" || value == "direct3d";
            o.setup.renderer = value == "opengl" ? 1 : 0;
        } else if (arg == "--size" && hasValue) {
            ok = value == "640x480" || value == "800x600" || value == "1024x768";
            o.setup.resolution = value == "800x600"    ? "800*600"
                                 : value == "1024x768" ? "1024*768"
                                                       : "640*480";
        } else if (arg == "--character" && hasValue) {
            ok = value == "Kelmardo" || value == "Vona";
            o.setup.character = value;
        } else if (arg == "--objects" && hasValue) {
            ok = value == "high" || value == "low";
            o.setup.objects = value == "low" ? 1 : 0;
        } else if (arg == "--frames" && hasValue) {
            ok = number(o.frames);
        } else if (arg == "--step-ms" && hasValue) {
            ok = number(o.stepMs) && o.stepMs > 0;
        } else if (arg == "--script" && hasValue) {
            o.script = value;
        } else if (arg == "--shots" && hasValue) {
            o.shots = value;
        } else if (arg == "--shot-every" && hasValue) {
            ok = number(o.shotEvery);
        } else if (arg == "--report" && hasValue) {
            o.report = value;
        } else {
            return false;
        }
        if (!ok) return false;
        ++i;
    }
    return true;
}

// The host of a headless run: the dialog answers with the command line,
// messages go to the terminal, the clock steps or runs.
class HeadlessHost : public host::Host {
public:
    HeadlessHost(const host::SetupChoices& setup, uint32_t stepMs)
        : setup_(setup), stepMs_(stepMs) {}

    bool RunSetupDialog(host::SetupChoices& choices) override {
        choices = setup_;
        return true;
    }
    void ShowError(std::string_view text, std::string_view caption) override {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
    void MoveMainWindow(int, int, int, int) override {}
    void SetFullScreen(bool, int, int) override {}
    void PostCloseRequest() override { closing_ = true; }
    uint32_t Milliseconds() override { return stepMs_ ? stepped_ : host::SteadyMilliseconds(); }

    void NextFrame() { stepped_ += stepMs_; }
    bool Closing() const { return closing_; }

private:
    host::SetupChoices setup_;
    uint32_t stepMs_;
    uint32_t stepped_ = 1000;
    bool closing_ = false;
};

Result LoadScript(const std::string& name, DemoScript& script) {
    if (name == "idle" || name == "tour") {
        script = DemoScript::Idle();
        return RESULT_OK;
    }
    std::vector<uint8_t> text;
    const Result read = files::ReadWholeFile(name, text);
    if (Failed(read)) return read;
    int line = 0;
    const Result parsed = DemoScript::Parse(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), script, line);
    if (Failed(parsed))
        std::fprintf(stderr, "vimsa-timedemo: %s:%d: cannot read\n", name.c_str(), line);
    return parsed;
}

// Screenshots go to the data folder's shot folder; the run moves the new
// ones into --shots.
std::vector<std::filesystem::path> Shots() {
    std::vector<std::filesystem::path> found;
    std::string folder;
    if (!files::FindPath("texture/shot", folder)) return found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        found.push_back(entry.path());
    return found;
}

int Run(const Options& o) {
    const Clock::time_point launched = Clock::now();
    HeadlessHost host(o.setup, o.stepMs);
    host::SetCurrentHost(&host);
    DemoScript script;
    if (Failed(LoadScript(o.script, script))) return 2;
    const bool touring = o.script == "tour";
    Tour tour;
    // The tour ends when its last step is done; a script after its last line.
    const uint32_t frames = o.frames  ? o.frames
                            : touring ? 20000
                                      : std::max<uint32_t>(script.Length(), 1);
    const uint32_t width = o.setup.resolution == "800*600"    ? 800
                           : o.setup.resolution == "1024*768" ? 1024
                                                              : 640;
    std::unique_ptr<RenderWindow> window;
    if (o.setup.renderer == 1)
        window = std::make_unique<HeadlessGLWindow>(width, width * 3 / 4);
    else
        window = std::make_unique<HeadlessD3D8Window>(width, width * 3 / 4);
    auto demo = std::make_unique<Demo>();
    const Result loaded = demo->Load(window.get());
    if (Failed(loaded)) {
        std::fprintf(stderr, "vimsa-timedemo: start-up failed: 0x%08X %s\n",
                     static_cast<unsigned>(loaded.code), ResultText(loaded));
        return 1;
    }
    RunReport report;
    report.SetSetup(o.setup.renderer == 1 ? "opengl" : "direct3d", o.setup.resolution,
                    o.setup.character, o.setup.objects ? "low" : "high");
    const std::vector<std::filesystem::path> before = Shots();
    uint64_t startRss = 0;
    float door1 = 0, door2 = 0;
    for (uint32_t frame = 0; frame < frames && !host.Closing(); ++frame) {
        if (touring) {
            if (!tour.Drive(*demo, input::Keyboard())) break;
        } else {
            script.Apply(frame, input::Keyboard());
        }
        if (o.shotEvery && frame % o.shotEvery == o.shotEvery - 1) {
            input::Keyboard().KeyDown(input::Key::F12);
            input::Keyboard().KeyUp(input::Key::F12);
        }
        host.NextFrame();
        const Clock::time_point start = Clock::now();
        demo->Frame();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (frame == 0)
            report.SetStartup(
                std::chrono::duration<double, std::milli>(Clock::now() - launched).count());
        if (frame == 10) startRss = PeakResidentKb();
        report.AddFrame({ms, render_state::DrawnFaces(), demo->CharacterRoom()});
        const Demo::Status& s = demo->LastStatus();
        if (s.characterTraversed) report.PortalCrossed();
        if (s.blocked) report.Collided();
        if (door1 == 0 && demo->Door(1) > 0) report.DoorOpened();
        if (door2 == 0 && demo->Door(2) > 0) report.DoorOpened();
        door1 = demo->Door(1);
        door2 = demo->Door(2);
        if (frame % 100 == 99) {
            Vector3 at;
            demo->Node(Demo::kCharacterNode)->GetWorldPosition(at);
            std::fprintf(stderr, "frame %u, room %d at (%.1f, %.1f), %.1f fps", frame + 1,
                         demo->CharacterRoom(), at.x, at.z, report.MeanFps());
            if (touring) std::fprintf(stderr, ", tour step %zu", tour.StepIndex());
            std::fprintf(stderr, "\n");
        }
    }
    std::fprintf(stderr, "\n");
    report.SetMemory(startRss, PeakResidentKb());
    for (const std::string& place : tour.GivenUp())
        report.GaveUp(place);
    for (const std::filesystem::path& shot : Shots()) {
        if (std::find(before.begin(), before.end(), shot) != before.end()) continue;
        std::string kept = shot.string();
        if (!o.shots.empty()) {
            std::filesystem::create_directories(o.shots);
            kept = (std::filesystem::path(o.shots) / shot.filename()).string();
            std::error_code error;
            std::filesystem::rename(shot, kept, error);
            if (error) std::filesystem::copy_file(shot, kept, error);
        }
        report.AddScreenshot(kept);
    }
    demo.reset();
    host::SetCurrentHost(nullptr);
    std::printf(
        "%u frames in %.2f s: %.1f fps mean, %.1f median, %.1f at the 5th percentile, "
        "%.2f Mtris/s; %u rooms entered, %u portal crossings, %u collisions\n",
        report.FrameCount(), report.WallSeconds(), report.MeanFps(), report.MedianFps(),
        report.Percentile5Fps(), report.TrianglesPerSecond() / 1e6,
        static_cast<unsigned>(report.Rooms().size()), report.Crossings(), report.Collisions());
    if (!o.report.empty() && Failed(report.Write(o.report))) {
        std::fprintf(stderr, "vimsa-timedemo: cannot write %s\n", o.report.c_str());
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace vimsa::timedemo

int main(int argc, char** argv) {
    using namespace vimsa::timedemo;
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            PrintUsage(stdout);
            return 0;
        }
    }
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage(stderr);
        return 2;
    }
    // Every data path is relative to the data folder.
    if (!vimsa::files::ChangeDirectory(options.data)) {
        std::fprintf(stderr, "vimsa-timedemo: no data folder %s\n", options.data.c_str());
        return 1;
    }
    return Run(options);
}
