// A world of tiles against one map: the fly-over itself flies the same scripted path over a
// world folder and over a single map cut from the same heights, in real time (frames 1/30 s
// apart, as on a display) and without drawing (the null driver), so that what is timed is
// the program's own work: choosing, loading and stitching tiles, the engine's passes and
// the meshes handed to the scene.
//
// Each flight is a process of its own, so that its peak resident memory and its time to
// the first frame are its alone. The machines are shared and noisy: the two sides
// alternate, and each side keeps the repetition with the fastest median frame.
//
// Usage: world_bench --world DIR --single FILE [--at COL,ROW] [--single-at COL,ROW]
//                    [--heading DEG] [--fly MPS] [--height M] [--frames N]
//                    [--repetitions R] [--memory MB] [--out DIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "machine.h"
#include "report.h"
#include "stats.h"

namespace bench {
namespace {

constexpr double kKilobytesPerMegabyte = 1024.0;
constexpr double kMetresPerKilometre = 1000.0;
constexpr double kScriptedFramesPerSecond = 30.0;   // the fly-over's scripted step

struct Options {
    std::string flyover = FLYOVER_PATH;
    std::string world, single;
    std::string at = "6300,9100";        // level-0 pixels of the world
    std::string singleAt = "156,2956";   // the same place in the single map
    std::string heading = "60", fly = "600", height = "300", memory = "512";
    int frames = 1800;
    int repetitions = 2;
    std::string out = "world-bench";
};

// One flight as its frame log and process saw it.
struct Flight {
    std::vector<double> frameMs, cpuMs, seconds, residentMb;
    std::vector<long> tilesLoaded;
    double peakMb = 0.0;
    std::string summary;   // the fly-over's last line
};

std::string problemOf(const std::string& text) {
    std::fprintf(stderr, "world_bench: %s\n", text.c_str());
    return text;
}

// Runs the fly-over with `args`, its output into `logPath`; returns the problem or "".
std::string runFlyover(const Options& o, const std::vector<std::string>& args, const std::string& logPath,
                       double& peakMb) {
    std::vector<char*> argv;
    std::vector<std::string> all{o.flyover};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) return "cannot start a process";
    if (child == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return "lost the fly-over's process";
    peakMb = static_cast<double>(usage.ru_maxrss) / kKilobytesPerMegabyte;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the fly-over failed (" + all[0] + " " + args.front() + "); see " + logPath;
    return {};
}

bool readFrameLog(const std::string& path, Flight& flight) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line)) return false;   // the header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string cell;
        std::vector<double> v;
        while (std::getline(fields, cell, ',')) v.push_back(std::atof(cell.c_str()));
        if (v.size() < 8) return false;
        flight.seconds.push_back(v[1]);
        flight.frameMs.push_back(v[2]);
        flight.cpuMs.push_back(v[3]);
        flight.residentMb.push_back(v[5]);
        flight.tilesLoaded.push_back(static_cast<long>(v[7]));
    }
    return !flight.frameMs.empty();
}

std::string lastLine(const std::string& path) {
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

std::string flyOne(const Options& o, bool world, int repetition, Flight& flight) {
    const std::string name = std::string(world ? "world" : "single") + "-" + std::to_string(repetition);
    const std::string frameLog = o.out + "/" + name + ".csv", console = o.out + "/" + name + ".log";
    std::vector<std::string> args{world ? o.world : o.single, "--driver", "null", "--realtime",
                                  "--frames", std::to_string(o.frames), "--fly", o.fly, "--heading", o.heading,
                                  "--height", o.height, "--at", world ? o.at : o.singleAt,
                                  "--frame-log", frameLog};
    if (world) args.insert(args.end(), {"--memory", o.memory});
    if (std::string problem = runFlyover(o, args, console, flight.peakMb); !problem.empty()) return problem;
    if (!readFrameLog(frameLog, flight)) return problemOf("cannot read the frame log " + frameLog);
    flight.summary = lastLine(console);
    return {};
}

// The longest frame among those in which tiles arrived.
double worstWhileStreaming(const Flight& f) {
    double worst = 0.0;
    for (std::size_t i = 1; i < f.frameMs.size(); ++i)
        if (f.tilesLoaded[i] != f.tilesLoaded[i - 1]) worst = std::max(worst, f.frameMs[i]);
    return worst;
}

void reportFlight(Report& r, const std::string& subject, const Flight& f) {
    r.figure(subject, "time to first frame", f.seconds.front(), "s");
    r.figure(subject, "frame time median", median(f.frameMs), "ms");
    r.figure(subject, "frame time p99", quantile(f.frameMs, 0.99), "ms");
    r.figure(subject, "frame time max", *std::max_element(f.frameMs.begin(), f.frameMs.end()), "ms");
    r.figure(subject, "frame time max while tiles arrive", worstWhileStreaming(f), "ms");
    r.figure(subject, "frame CPU time median", median(f.cpuMs), "ms");
    r.figure(subject, "frame CPU time p99", quantile(f.cpuMs, 0.99), "ms");
    r.figure(subject, "peak resident memory", f.peakMb, "MB");
    r.figure(subject, "tiles loaded", static_cast<double>(f.tilesLoaded.back()), "");
}

// Distance along the path, frame time and resident memory of both sides, for the plot.
bool writePlotData(const Options& o, const Flight& world, const Flight& single) {
    std::ofstream out(o.out + "/path.dat");
    const double kilometresPerFrame = std::atof(o.fly.c_str()) / kScriptedFramesPerSecond / kMetresPerKilometre;
    out << "# km world_ms world_mb world_tiles single_ms single_mb\n";
    const std::size_t frames = std::min(world.frameMs.size(), single.frameMs.size());
    for (std::size_t i = 0; i < frames; ++i)
        out << static_cast<double>(i) * kilometresPerFrame << ' ' << world.frameMs[i] << ' ' << world.residentMb[i]
            << ' ' << world.tilesLoaded[i] << ' ' << single.frameMs[i] << ' ' << single.residentMb[i] << '\n';
    return static_cast<bool>(out);
}

int usage(const std::string& problem) {
    std::fprintf(stderr,
                 "world_bench: %s\nusage: world_bench --world DIR --single FILE [--at COL,ROW] [--single-at COL,ROW]\n"
                 "                   [--heading DEG] [--fly MPS] [--height M] [--frames N] [--repetitions R]\n"
                 "                   [--memory MB] [--out DIR] [--flyover PROGRAM]\n",
                 problem.c_str());
    return 2;
}

int run(const Options& o) {
    std::error_code ignored;
    std::filesystem::create_directories(o.out, ignored);
    std::printf("world_bench on %s, %u hardware threads, load average %s\n", cpuName().c_str(),
                std::thread::hardware_concurrency(), loadAverage().c_str());
    std::printf("path: %d frames of 1/30 s in real time at %s m/s, heading %s, %s m above the ground\n",
                o.frames, o.fly.c_str(), o.heading.c_str(), o.height.c_str());
    std::printf("  world %s from pixel %s (--memory %s); single map %s from pixel %s\n", o.world.c_str(),
                o.at.c_str(), o.memory.c_str(), o.single.c_str(), o.singleAt.c_str());
    Report r;
    r.section("every flight");
    Flight bestWorld, bestSingle;
    for (int rep = 0; rep < o.repetitions; ++rep) {
        // Alternating which side goes first evens out a machine that slows or speeds up.
        for (const bool world : rep % 2 == 0 ? std::vector<bool>{true, false} : std::vector<bool>{false, true}) {
            Flight flight;
            if (!flyOne(o, world, rep, flight).empty()) return 1;
            const std::string subject = std::string(world ? "world" : "single map") + " #" + std::to_string(rep + 1);
            r.figure(subject, "frame time median", median(flight.frameMs), "ms");
            r.figure(subject, "frame time p99", quantile(flight.frameMs, 0.99), "ms");
            r.figure(subject, "frame CPU time p99", quantile(flight.cpuMs, 0.99), "ms");
            r.note(flight.summary);
            Flight& best = world ? bestWorld : bestSingle;
            if (best.frameMs.empty() || median(flight.frameMs) < median(best.frameMs)) best = flight;
        }
    }
    r.section("fastest repetition of each side");
    reportFlight(r, "world", bestWorld);
    reportFlight(r, "single map", bestSingle);
    r.figure("world / single map", "frame time median", median(bestWorld.frameMs) / median(bestSingle.frameMs), "x");
    r.figure("world / single map", "frame time p99",
             quantile(bestWorld.frameMs, 0.99) / quantile(bestSingle.frameMs, 0.99), "x");
    r.figure("world / single map", "frame CPU time p99",
             quantile(bestWorld.cpuMs, 0.99) / quantile(bestSingle.cpuMs, 0.99), "x");
    std::printf("\nload average at the end: %s\n", loadAverage().c_str());
    if (!writePlotData(o, bestWorld, bestSingle) || !r.writeCsv(o.out + "/results.csv")) {
        problemOf("cannot write into " + o.out);
        return 1;
    }
    std::printf("wrote %s/results.csv and %s/path.dat\n", o.out.c_str(), o.out.c_str());
    return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    bench::Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return bench::usage(name + " needs a value");
        const std::string value = argv[++i];
        if (name == "--world") o.world = value;
        else if (name == "--single") o.single = value;
        else if (name == "--at") o.at = value;
        else if (name == "--single-at") o.singleAt = value;
        else if (name == "--heading") o.heading = value;
        else if (name == "--fly") o.fly = value;
        else if (name == "--height") o.height = value;
        else if (name == "--memory") o.memory = value;
        else if (name == "--frames") o.frames = std::atoi(value.c_str());
        else if (name == "--repetitions") o.repetitions = std::atoi(value.c_str());
        else if (name == "--out") o.out = value;
        else if (name == "--flyover") o.flyover = value;
        else return bench::usage("unknown option " + name);
    }
    if (o.world.empty() || o.single.empty()) return bench::usage("both --world and --single are needed");
    if (o.frames < 2 || o.repetitions < 1) return bench::usage("--frames must be 2 or more, --repetitions 1 or more");
    return bench::run(o);
}
