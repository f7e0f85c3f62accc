#include "tools/timedemo/run_report.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>

#include "render/image_file_access.h"

namespace vimsa::timedemo {

void RunReport::AddFrame(const Frame& frame) {
    frames_.push_back(frame);
    if (rooms_.empty() || rooms_.back() != frame.room) rooms_.push_back(frame.room);
}

void RunReport::SetSetup(std::string renderer, std::string size, std::string character,
                         std::string objects) {
    renderer_ = std::move(renderer);
    size_ = std::move(size);
    character_ = std::move(character);
    objects_ = std::move(objects);
}

double RunReport::WallSeconds() const {
    double total = 0;
    for (const Frame& f : frames_)
        total += f.milliseconds;
    return total / 1000.0;
}

std::vector<double> RunReport::SortedFps() const {
    std::vector<double> fps;
    for (const Frame& f : frames_)
        fps.push_back(f.milliseconds > 0 ? 1000.0 / f.milliseconds : 0);
    std::sort(fps.begin(), fps.end());
    return fps;
}

double RunReport::MeanFps() const {
    const double seconds = WallSeconds();
    return seconds > 0 ? static_cast<double>(frames_.size()) / seconds : 0;
}

double RunReport::MedianFps() const {
    const std::vector<double> fps = SortedFps();
    return fps.empty() ? 0 : fps[fps.size() / 2];
}

double RunReport::Percentile5Fps() const {
    const std::vector<double> fps = SortedFps();
    return fps.empty() ? 0 : fps[fps.size() / 20];
}

double RunReport::TrianglesPerSecond() const {
    uint64_t faces = 0;
    for (const Frame& f : frames_)
        faces += f.faces;
    const double seconds = WallSeconds();
    return seconds > 0 ? static_cast<double>(faces) / seconds : 0;
}

std::string RunReport::Json() const {
    nlohmann::json j;
    j["setup"] = {
        {"renderer", renderer_}, {"size", size_}, {"character", character_}, {"objects", objects_}};
    j["frames"] = frames_.size();
    j["wall_seconds"] = WallSeconds();
    j["fps"] = {{"mean", MeanFps()}, {"median", MedianFps()}, {"p5", Percentile5Fps()}};
    j["triangles_per_second"] = TrianglesPerSecond();
    j["startup_ms"] = startupMs_;
    j["peak_rss_kb"] = {{"start", startRssKb_}, {"end", endRssKb_}};
    j["rooms_entered"] = rooms_;
    j["portal_crossings"] = crossings_;
    j["collisions"] = collisions_;
    j["door_openings"] = doorOpenings_;
    std::vector<std::string> shots = screenshots_;
    std::sort(shots.begin(), shots.end());
    j["screenshots"] = shots;
    j["places_given_up"] = givenUp_;
    return j.dump(2) + "\n";
}

// Frame times as a line over the run, with a band per room.
std::string RunReport::Svg() const {
    constexpr double kWidth = 1000, kHeight = 300;
    double worst = 1;
    for (const Frame& f : frames_)
        worst = std::max(worst, f.milliseconds);
    const double step = frames_.empty() ? 1 : kWidth / static_cast<double>(frames_.size());
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << kHeight + 20 << "\" font-family=\"sans-serif\" font-size=\"10\">\n";
    for (size_t i = 0, start = 0; i <= frames_.size(); ++i) {
        if (i < frames_.size() && frames_[i].room == frames_[start].room) continue;
        if (i > start) {
            const char* shade = (frames_[start].room % 2) ? "#eef" : "#efe";
            svg << "<rect x=\"" << start * step << "\" y=\"0\" width=\"" << (i - start) * step
                << "\" height=\"" << kHeight << "\" fill=\"" << shade << "\"/>\n"
                << "<text x=\"" << start * step + 2 << "\" y=\"" << kHeight + 14 << "\">"
                << frames_[start].room << "</text>\n";
        }
        start = i;
    }
    svg << "<polyline fill=\"none\" stroke=\"#c00\" points=\"";
    for (size_t i = 0; i < frames_.size(); ++i)
        svg << i * step << "," << kHeight - frames_[i].milliseconds / worst * kHeight << " ";
    svg << "\"/>\n<text x=\"4\" y=\"12\">frame time, ms (top: " << worst << ")</text>\n</svg>\n";
    return svg.str();
}

Result RunReport::Write(const std::string& path) const {
    const std::string json = Json();
    Result r = image_files::WriteWholeFile(path, reinterpret_cast<const uint8_t*>(json.data()),
                                           json.size());
    if (Failed(r)) return r;
    const std::string svg = Svg();
    const size_t dot = path.find_last_of('.');
    const std::string plot = (dot == std::string::npos ? path : path.substr(0, dot)) + ".svg";
    return image_files::WriteWholeFile(plot, reinterpret_cast<const uint8_t*>(svg.data()),
                                       svg.size());
}

uint64_t PeakResidentKb() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<uint64_t>(usage.ru_maxrss);
}

}  // namespace vimsa::timedemo
