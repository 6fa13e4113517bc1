// Headless benchmark of the terrain engine against the brute-force limit and Irrlicht's
// own terrain node: speed, scale, construction, image quality, allocations.
//
// The machines it runs on are shared and noisy. Every flight is flown several times,
// spread over the run, and each frame keeps its fastest time; engine and brute force
// alternate frame by frame in this process, so the figures to compare are the ratios.
//
// Usage: flyover_bench [--frames N] [--error-every K] [--csv FILE] [--curves FILE]
//                      [--data DIR] [--smoke] [--speed-only] [--construction-only]
//                      [--interface-only]
#include <irrlicht.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/fan_bridge.h"
#include "bench_terrains.h"
#include "camera_path.h"
#include "curve.h"
#include "engine_runs.h"
#include "interface_cost.h"
#include "machine.h"
#include "peer_terrain.h"
#include "report.h"
#include "screen_error.h"
#include "stats.h"

namespace bench {
namespace {

constexpr float kCameraFovy = 3.14159265f / 2.5f;   // the fly-over camera's field of view
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kGeneratedLargeWidth = 4097;
constexpr int kResampledWidth = 3000;   // enlarged to 4097: construction resamples it
constexpr int kBridgeRepeats = 200;
constexpr int kConstructionRepeats = 5;   // maps built per terrain, the fastest counts
// Our resolution sweep: kSweepPoints resolutions evenly spaced in log between these.
constexpr double kSweepLowest = 1e3;
constexpr double kSweepHighest = 1e9;
constexpr int kSweepPoints = 21;

struct Options {
    int frames = 300;
    int errorEvery = 5;
    std::string csv = "bench-results.csv";
    std::string curves = "bench-curves.dat";
    std::string dataDir = KALDE_SHARED_DATA_DIR;
    bool smoke = false;
    bool speedOnly = false;   // the speed section alone, to compare two builds quickly
    bool constructionOnly = false;   // the construction section alone, likewise
    int constructionRepeats = kConstructionRepeats;
    bool interfaceOnly = false;   // the embedding interface's cost alone
    // Flights per timing: against the brute force (with a pause between them), and along
    // the quality sweep.
    int speedFlights = 15;
    std::chrono::milliseconds pauseBetweenFlights{1000};
    int sweepFlights = 5;
};

ScreenCamera screenCamera(const CameraPose& pose, const DrawParams& draw) {
    return {pose, kCameraFovy, draw.aspect, draw.nearDist, draw.farDist, kScreenWidth, kScreenHeight};
}

// One method at one setting along the flight: each frame's fastest time over the flights
// flown so far and its triangles, and the screen-space error at every few frames.
class Contender {
public:
    Contender(const EngineMap<std::int16_t>& map, const std::vector<CameraPose>& path,
              const DrawParams& draw)
        : map_(map), path_(path), draw_(draw) {}
    virtual ~Contender() = default;

    // One more flight, timed frame by frame.
    void fly() {
        for (std::size_t f = 0; f < path_.size(); ++f) {
            long frameTriangles = 0;
            const double milliseconds = timeFrame(f, &frameTriangles);
            if (f < ms.size()) {
                ms[f] = std::min(ms[f], milliseconds);
            } else {
                ms.push_back(milliseconds);
                triangles.push_back(static_cast<double>(frameTriangles));
            }
        }
    }
    // The error of the drawn surface against the map's true heights, every few frames.
    void measureError(int every) {
        SampleRaster raster(map_.size());
        for (std::size_t f = 0; f < path_.size(); f += every) {
            raster.clear();
            rasterize(f, &raster);
            const ScreenError e =
                screenError(raster, map_.placement(), screenCamera(path_[f], draw_),
                            [&](int i, int j) { return map_.worldHeight(i, j); });
            p99.push_back(e.p99Pixels);
            max.push_back(e.maxPixels);
            uncovered.push_back(e.samplesInView ? double(e.uncoveredInView) / e.samplesInView : 0.0);
        }
    }

    std::vector<double> p99, max, triangles, ms, uncovered;

protected:
    // Draws frame f; returns the milliseconds it took and its triangles.
    virtual double timeFrame(std::size_t f, long* frameTriangles) = 0;
    // The triangles of frame f onto the raster.
    virtual void rasterize(std::size_t f, SampleRaster* raster) = 0;

    const EngineMap<std::int16_t>& map_;
    const std::vector<CameraPose>& path_;
    const DrawParams draw_;
};

// Our pass at one resolution.
class OurSetting : public Contender {
public:
    OurSetting(const EngineMap<std::int16_t>& map, const std::vector<CameraPose>& path,
               const DrawParams& draw, float heightScale)
        : Contender(map, path, draw), heightScale_(heightScale) {}

private:
    double timeFrame(std::size_t f, long* frameTriangles) override {
        map_.bind();
        const PassFigures pass = countingPass<std::int16_t>(path_[f], draw_);
        *frameTriangles = pass.triangles;
        return pass.milliseconds;
    }
    void rasterize(std::size_t f, SampleRaster* raster) override {
        map_.bind();
        rasterizeFans(recordPass<std::int16_t>(path_[f], draw_), heightScale_, raster);
    }

    float heightScale_;
};

// The peer at one setting, on the same heights.
class PeerSetting : public Contender {
public:
    PeerSetting(irr::IrrlichtDevice* device, const EngineMap<std::int16_t>& map,
                const std::vector<CameraPose>& path, const DrawParams& draw,
                const PeerSettings& settings)
        : Contender(map, path, draw),
          peer_(device, map.worldHeights(), map.placement(), settings, kCameraFovy, draw.aspect,
                draw.nearDist, draw.farDist) {}

private:
    double timeFrame(std::size_t f, long* frameTriangles) override {
        const double milliseconds = peer_.update(path_[f]);
        *frameTriangles = peer_.triangles();
        return milliseconds;
    }
    void rasterize(std::size_t f, SampleRaster* raster) override {
        peer_.update(path_[f]);
        peer_.rasterize(raster);
    }

    PeerTerrain peer_;
};

// Largest height difference between the peer and our map at a few points: both must
// stand on the same ground for the comparison to mean anything.
template <class Sample>
double peerPlacementError(irr::IrrlichtDevice* device, const EngineMap<Sample>& map,
                          const DrawParams& draw) {
    PeerTerrain peer(device, map.worldHeights(), map.placement(), PeerSettings{}, kCameraFovy,
                     draw.aspect, draw.nearDist, draw.farDist);
    const float reach = 0.4f * static_cast<float>(map.size() - 1) * map.cell();
    double worst = 0.0;
    for (float x : {-reach, 0.0f, reach})
        for (float z : {-reach, 0.3f * reach})
            worst = std::max(worst, double(std::abs(peer.heightAt(x, z) - map.groundAt(x, z))));
    return worst;
}

template <class Sample>
std::vector<CameraPose> pathOver(const EngineMap<Sample>& map, int frames) {
    const float extent = static_cast<float>(map.size() - 1) * map.cell();
    return flightPath(extent, frames, [&](float x, float z) { return map.groundAt(x, z); });
}

// Our pass over one map along its flight, against the brute force.
template <class Sample>
class SpeedRun {
public:
    SpeedRun(std::string name, const std::vector<Sample>& samples, int width, float cellSize,
             float heightScale, int frames, const DrawParams& draw)
        : name_(std::move(name)),
          map_(samples, width, cellSize, heightScale),
          path_(pathOver(map_, frames)),
          comparison_(map_, path_, draw) {
        const std::vector<PassFigures> flight = countingFlight(map_, path_, draw);
        for (std::size_t f = 0; f < flight.size(); ++f) {
            if (f > 0) allocations_ += flight[f].allocations;   // the first frame may set up
            vertices_.push_back(static_cast<double>(flight[f].vertices));
        }
    }
    void fly() { comparison_.fly(); }
    double medianMs() const {
        std::vector<double> ms;
        for (const FrameTiming& t : comparison_.frames()) ms.push_back(t.engineMs);
        return median(ms);
    }
    void report(Report& r) const {
        std::vector<double> ms, triangles, ratio, oursNs, bruteNs;
        for (const FrameTiming& t : comparison_.frames()) {
            ms.push_back(t.engineMs);
            triangles.push_back(static_cast<double>(t.triangles));
            if (t.triangles == 0) continue;
            ratio.push_back(t.ratio());
            oursNs.push_back(t.engineMs * 1e6 / t.triangles);
            bruteNs.push_back(t.bruteMs * 1e6 / t.bruteTriangles);
        }
        r.figure(name_, "our pass: median ms/frame", median(ms), "ms");
        r.figure(name_, "our pass: p95 ms/frame", p95(ms), "ms");
        r.figure(name_, "our pass: median triangles/frame", median(triangles), "");
        r.figure(name_, "our pass: max vertices/frame", quantile(vertices_, 1.0), "");
        r.figure(name_, "our pass: median ns/triangle", median(oursNs), "ns");
        r.figure(name_, "brute force: median ns/triangle", median(bruteNs), "ns");
        r.figure(name_, "ours/brute per triangle: median", median(ratio), "x");
        r.figure(name_, "ours/brute per triangle: p95", p95(ratio), "x");
        r.figure(name_, "engine allocations after frame 1", static_cast<double>(allocations_), "");
    }
    const EngineMap<Sample>& map() const { return map_; }
    const std::vector<CameraPose>& path() const { return path_; }

private:
    std::string name_;
    EngineMap<Sample> map_;
    std::vector<CameraPose> path_;
    BruteForceComparison<Sample> comparison_;
    long allocations_ = 0;
    std::vector<double> vertices_;
};

template <class Sample>
void construction(Report& r, const std::string& name, const std::vector<Sample>& samples,
                  int width, float heightScale, int repeats) {
    std::vector<double> ms, cpuMs;
    long long bytes = 0;
    int S = 0;
    for (int rep = 0; rep < repeats; ++rep) {
        const EngineMap<Sample> map(samples, width, 1.0f, heightScale);
        ms.push_back(map.buildMilliseconds());
        cpuMs.push_back(map.buildCpuMilliseconds());
        bytes = map.bytes();
        S = map.size();
    }
    r.figure(name, "buildMap fastest ms", quantile(ms, 0.0), "ms");
    r.figure(name, "buildMap fastest CPU ms", quantile(cpuMs, 0.0), "ms");
    r.figure(name, "map memory per sample", static_cast<double>(bytes) / (double(S) * S), "bytes");
}

void constructionSection(Report& r, const std::vector<BenchTerrain>& terrains, int repeats) {
    r.section("construction");
    for (const BenchTerrain& t : terrains) {
        construction(r, t.name + " (16-bit)", t.samples16, t.width, t.heightScale, repeats);
        std::vector<float> asFloat = t.samplesFloat;
        if (asFloat.empty()) asFloat.assign(t.samples16.begin(), t.samples16.end());
        construction(r, t.name + " (float)", asFloat, t.width,
                     t.samplesFloat.empty() ? t.heightScale : t.heightScaleFloat, repeats);
    }
    const BenchTerrain coarse = generatedTerrain(kResampledWidth);
    construction(r, "resampled " + std::to_string(coarse.width) + " (16-bit)", coarse.samples16,
                 coarse.width, coarse.heightScale, repeats);
}

void bridge(Report& r, const BenchTerrain& t, const DrawParams& draw, int frames) {
    const EngineMap<std::int16_t> map(t.samples16, t.width, t.cellSize, t.heightScale);
    const std::vector<CameraPose> path = pathOver(map, frames);
    map.bind();
    const FanStream fans = recordPass<std::int16_t>(path[path.size() / 2], draw);
    flyover::bridge.gridSize = map.size();
    flyover::bridge.cellSize = map.cell();
    const std::size_t vertices = fans.vertices.size() / 3;
    const auto start = std::chrono::steady_clock::now();
    for (int rep = 0; rep < kBridgeRepeats; ++rep) {
        flyover::bridge.frameMeshBuffer = new irr::scene::SMeshBuffer();
        std::size_t next = 0;
        for (std::size_t k = 0; k < vertices; ++k) {
            if (next < fans.fanStarts.size() && static_cast<std::size_t>(fans.fanStarts[next]) == k) {
                flyover::onFanBegin();
                ++next;
            }
            flyover::onFanVertex(fans.vertices[3 * k], fans.vertices[3 * k + 1], fans.vertices[3 * k + 2]);
        }
        for (irr::scene::SMeshBuffer* full : flyover::bridge.frameFullBuffers) full->drop();
        flyover::bridge.frameFullBuffers.clear();
        flyover::bridge.frameMeshBuffer->drop();
    }
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    r.figure(t.name, "bridge: ns/vertex into the mesh buffer", ns / (double(kBridgeRepeats) * vertices), "ns");
}

// Our resolutions, evenly spaced in log.
std::vector<float> sweepResolutions(int points) {
    std::vector<float> out;
    for (int k = 0; k < points; ++k) {
        const double t = points > 1 ? double(k) / (points - 1) : 0.0;
        out.push_back(static_cast<float>(kSweepLowest * std::pow(kSweepHighest / kSweepLowest, t)));
    }
    return out;
}

void ratioFigure(Report& r, const std::string& subject, const std::string& metric,
                 std::optional<double> ours, double peer) {
    if (ours)
        r.figure(subject, metric, *ours / peer, "x");
    else
        r.note(subject + ": " + metric + " outside our sweep");
}

// Quality against cost on one terrain: our resolution sweep and the peer's settings, and
// the peer's cost against ours at equal triangles and at equal screen error. All of them
// are flown round after round, so that every setting's fastest frames come from the
// quietest moments of the whole sweep; meanwhile(done, total) runs after each flight.
void qualityAgainstCost(Report& r, irr::IrrlichtDevice* device, const BenchTerrain& t,
                        const DrawParams& draw, const Options& o,
                        const std::function<void(int, int)>& meanwhile) {
    r.section("quality against cost: " + t.name);
    const EngineMap<std::int16_t> map(t.samples16, t.width, t.cellSize, t.heightScale);
    const std::vector<CameraPose> path = pathOver(map, o.frames);
    std::vector<float> resolutions = sweepResolutions(kSweepPoints);
    std::vector<PeerSettings> peerSettings;
    for (int patch : {17, 33, 65})
        for (float scale : {0.5f, 1.0f, 2.0f, 4.0f})
            peerSettings.push_back({patch, patch == 17 ? 5 : patch == 33 ? 6 : 7, scale});
    if (o.smoke) {
        resolutions = {1e3f, 1e6f};
        peerSettings = {PeerSettings{}, {33, 6, 2.0f}};
    }
    std::vector<std::unique_ptr<OurSetting>> ours;
    for (float res : resolutions) {
        DrawParams d = draw;
        d.res = res;
        ours.push_back(std::make_unique<OurSetting>(map, path, d, t.heightScale));
    }
    std::vector<std::unique_ptr<PeerSetting>> peers;
    for (const PeerSettings& p : peerSettings)
        peers.push_back(std::make_unique<PeerSetting>(device, map, path, draw, p));
    std::vector<Contender*> all;
    for (auto& setting : ours) all.push_back(setting.get());
    for (auto& setting : peers) all.push_back(setting.get());
    const int total = o.sweepFlights * static_cast<int>(all.size());
    for (int round = 0, done = 0; round < o.sweepFlights; ++round)
        for (Contender* setting : all) {
            setting->fly();
            meanwhile(++done, total);
        }

    std::ofstream curves(o.curves);
    curves << "# method setting triangles p99_pixels max_pixels ms\n";
    const auto report = [&](const std::string& subject, Contender& c) {
        c.measureError(o.errorEvery);
        r.figure(subject, "median triangles", median(c.triangles), "");
        r.figure(subject, "median p99 error", median(c.p99), "px");
        r.figure(subject, "median max error", median(c.max), "px");
        r.figure(subject, "median ms/frame", median(c.ms), "ms");
        r.figure(subject, "median share of view not drawn", median(c.uncovered), "");
    };
    std::vector<CurvePoint> trianglesToMs, errorToMs;
    for (std::size_t k = 0; k < ours.size(); ++k) {
        OurSetting& c = *ours[k];
        char setting[32];
        std::snprintf(setting, sizeof setting, "res %.2e", static_cast<double>(resolutions[k]));
        report(std::string("ours ") + setting, c);
        curves << "ours " << resolutions[k] << " " << median(c.triangles) << " " << median(c.p99)
               << " " << median(c.max) << " " << median(c.ms) << "\n";
        trianglesToMs.push_back({median(c.triangles), median(c.ms)});
        errorToMs.push_back({median(c.p99), median(c.ms)});
    }
    // At a given error, our cost is that of the cheapest resolution reaching it.
    errorToMs = lowerFront(errorToMs);
    curves << "\n\n";
    for (std::size_t k = 0; k < peers.size(); ++k) {
        PeerSetting& c = *peers[k];
        const PeerSettings& p = peerSettings[k];
        char setting[64];
        std::snprintf(setting, sizeof setting, "peer patch %d x%.1f", p.patchSize, p.distanceScale);
        report(setting, c);
        const double ms = median(c.ms);
        ratioFigure(r, setting, "ours/peer ms/frame at equal triangles",
                    atLogX(trianglesToMs, median(c.triangles)), ms);
        ratioFigure(r, setting, "ours/peer ms/frame at equal p99 error",
                    atLogX(errorToMs, median(c.p99)), ms);
        curves << "peer" << p.patchSize << " " << p.distanceScale << " " << median(c.triangles)
               << " " << median(c.p99) << " " << median(c.max) << " " << ms << "\n";
    }
}

int finish(const Report& r, const Options& o, irr::IrrlichtDevice* device) {
    device->drop();
    std::printf("\nload average at the end: %s\n", loadAverage().c_str());
    if (!r.writeCsv(o.csv)) {
        std::fprintf(stderr, "flyover_bench: cannot write %s\n", o.csv.c_str());
        return 1;
    }
    std::printf("wrote %s and %s\n", o.csv.c_str(), o.curves.c_str());
    return 0;
}

int run(const Options& o) {
    Report r;
    std::printf("flyover_bench on %s, %u hardware threads, load average %s; %d frames per path%s\n",
                cpuName().c_str(), std::thread::hardware_concurrency(), loadAverage().c_str(),
                o.frames, o.smoke ? " (smoke run)" : "");
    irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL);
    device->getLogger()->setLogLevel(irr::ELL_NONE);
    const DrawParams draw;

    // The terrains.
    std::vector<BenchTerrain> terrains{sampleTerrain()};
    BenchTerrain puget;
    std::string why;
    const bool havePuget = pugetSound(o.dataDir + "/puget_sound_1k_height.png", &puget, &why);
    if (havePuget)
        terrains.push_back(puget);
    else
        std::printf("skipping Puget Sound: %s\n", why.c_str());
    terrains.push_back(generatedTerrain(kGeneratedLargeWidth));
    if (o.constructionOnly) {
        constructionSection(r, terrains, o.constructionRepeats);
        return finish(r, o, device);
    }
    if (o.interfaceOnly) {
        r.section("embedding interface against the plain callbacks");
        for (const BenchTerrain& t : terrains) interfaceCost(r, t, draw, o.frames, o.speedFlights);
        return finish(r, o, device);
    }

    // Speed against the brute-force limit. Every terrain's flight is flown again and
    // again, all terrains in turn, spread over the whole run (between the flights of the
    // quality sweep, or with pauses), so that each frame keeps its fastest time from
    // the quietest moment of the run.
    std::vector<std::unique_ptr<SpeedRun<std::int16_t>>> runs;
    std::vector<std::unique_ptr<SpeedRun<float>>> floatRuns;
    for (const BenchTerrain& t : terrains) {
        runs.push_back(std::make_unique<SpeedRun<std::int16_t>>(
            t.name + " (16-bit)", t.samples16, t.width, t.cellSize, t.heightScale, o.frames, draw));
        floatRuns.push_back(t.samplesFloat.empty()
                                ? nullptr
                                : std::make_unique<SpeedRun<float>>(
                                      t.name + " (float)", t.samplesFloat, t.width, t.cellSize,
                                      t.heightScaleFloat, o.frames, draw));
    }
    int speedRounds = 0;
    const auto speedRound = [&] {
        for (std::size_t k = 0; k < terrains.size(); ++k) {
            runs[k]->fly();
            if (floatRuns[k]) floatRuns[k]->fly();
        }
        ++speedRounds;
    };
    speedRound();
    if (o.speedOnly) {
        while (speedRounds < o.speedFlights) {
            std::this_thread::sleep_for(o.pauseBetweenFlights);
            speedRound();
        }
    } else {
        // Image quality against cost on the real terrain (or the sample without it).
        qualityAgainstCost(r, device, havePuget ? terrains[1] : terrains[0], draw, o,
                           [&](int done, int total) {
                               while (speedRounds < 1 + (o.speedFlights - 1) * done / total)
                                   speedRound();
                           });
    }

    std::vector<std::pair<std::string, double>> frameCost;
    for (std::size_t k = 0; k < terrains.size(); ++k) {
        const BenchTerrain& t = terrains[k];
        r.section("speed: " + t.name);
        runs[k]->report(r);
        if (floatRuns[k]) floatRuns[k]->report(r);
        frameCost.emplace_back(t.name, runs[k]->medianMs());
        // The peer on the same heights and path, at its default settings.
        const EngineMap<std::int16_t>& map = runs[k]->map();
        PeerSetting peer(device, map, runs[k]->path(), draw, PeerSettings{});
        for (int flight = 0; flight < o.sweepFlights; ++flight) peer.fly();
        r.figure(t.name, "peer: median ms/frame (LOD + indices)", median(peer.ms), "ms");
        r.figure(t.name, "peer: p95 ms/frame", p95(peer.ms), "ms");
        r.figure(t.name, "peer: median triangles/frame", median(peer.triangles), "");
        r.figure(t.name, "peer: height difference to our map (check)",
                 peerPlacementError(device, map, draw), "units");
    }
    runs.clear();
    floatRuns.clear();
    if (!o.speedOnly) {
        r.section("scale: frame cost along the same path, scaled");
        for (const auto& [name, ms] : frameCost) r.figure(name, "our pass: median ms/frame", ms, "ms");
        r.figure(frameCost.back().first, "ratio to the 257 terrain",
                 frameCost.back().second / frameCost.front().second, "x");

        constructionSection(r, terrains, o.constructionRepeats);

        r.section("bridge");
        bridge(r, terrains.front(), draw, o.frames);
    }
    r.section("embedding interface against the plain callbacks");
    for (const BenchTerrain& t : terrains) interfaceCost(r, t, draw, o.frames, o.speedFlights);

    return finish(r, o, device);
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    bench::Options o;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool hasValue = k + 1 < argc;
        if (arg == "--frames" && hasValue) {
            o.frames = std::max(2, std::atoi(argv[++k]));
        } else if (arg == "--error-every" && hasValue) {
            o.errorEvery = std::max(1, std::atoi(argv[++k]));
        } else if (arg == "--csv" && hasValue) {
            o.csv = argv[++k];
        } else if (arg == "--curves" && hasValue) {
            o.curves = argv[++k];
        } else if (arg == "--data" && hasValue) {
            o.dataDir = argv[++k];
        } else if (arg == "--speed-only") {
            o.speedOnly = true;
        } else if (arg == "--construction-only") {
            o.constructionOnly = true;
        } else if (arg == "--interface-only") {
            o.interfaceOnly = true;
        } else if (arg == "--smoke") {
            o.smoke = true;
            o.constructionRepeats = 1;
            o.frames = 6;
            o.errorEvery = 3;
            o.speedFlights = 2;
            o.pauseBetweenFlights = std::chrono::milliseconds{0};
            o.sweepFlights = 1;
        } else {
            std::fprintf(stderr,
                         "usage: flyover_bench [--frames N] [--error-every K] [--csv FILE] "
                         "[--curves FILE] [--data DIR] [--smoke] [--speed-only] "
                         "[--construction-only] [--interface-only]\n");
            return 2;
        }
    }
    return bench::run(o);
}
