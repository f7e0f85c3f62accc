#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa::timedemo {

// What a headless run measured, frame by frame, and its summary: written as
// JSON with an SVG plot of the frame times beside it.
class RunReport {
public:
    struct Frame {
        double milliseconds = 0;  // wall time of the frame
        uint32_t faces = 0;
        int room = -1;
    };

    void AddFrame(const Frame& frame);
    void PortalCrossed() { ++crossings_; }
    void Collided() { ++collisions_; }
    void DoorOpened() { ++doorOpenings_; }
    void AddScreenshot(std::string path) { screenshots_.push_back(std::move(path)); }
    // A place of the tour that could not be reached, by what it shows.
    void GaveUp(std::string place) { givenUp_.push_back(std::move(place)); }
    void SetStartup(double milliseconds) { startupMs_ = milliseconds; }
    void SetMemory(uint64_t startKb, uint64_t endKb) {
        startRssKb_ = startKb;
        endRssKb_ = endKb;
    }
    void SetSetup(std::string renderer, std::string size, std::string character,
                  std::string objects);

    double MeanFps() const;
    double MedianFps() const;
    double Percentile5Fps() const;
    double TrianglesPerSecond() const;
    double WallSeconds() const;
    uint32_t FrameCount() const { return static_cast<uint32_t>(frames_.size()); }
    const std::vector<int>& Rooms() const { return rooms_; }
    uint32_t Crossings() const { return crossings_; }
    uint32_t Collisions() const { return collisions_; }
    uint32_t DoorOpenings() const { return doorOpenings_; }

    std::string Json() const;
    std::string Svg() const;
    // Writes the JSON to `path` and the plot beside it (".svg").
    Result Write(const std::string& path) const;

private:
    std::vector<double> SortedFps() const;

    std::vector<Frame> frames_;
    std::vector<int> rooms_;  // entered in order
    uint32_t crossings_ = 0, collisions_ = 0, doorOpenings_ = 0;
    std::vector<std::string> screenshots_;
    std::vector<std::string> givenUp_;
    double startupMs_ = 0;
    uint64_t startRssKb_ = 0, endRssKb_ = 0;
    std::string renderer_, size_, character_, objects_;
};

// Peak resident memory of the process so far, in kilobytes (0 when unknown).
uint64_t PeakResidentKb();

}  // namespace vimsa::timedemo
