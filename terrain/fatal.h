// The one way the engine and the terrain object report a failed check, and the numbers
// that each of the engine's checks reports.
#pragma once

#include <cstdint>

namespace kalde {

constexpr const char* kEngineModule = "kalde";
constexpr const char* kTerrainObjectModule = "kaldestub";

// The terrain object's one check of its own: draw with a height factor above 1.
constexpr int kHeightFactorLine = 131;

// Prints "fatal error in <module> at line N!" on standard error and exits with status 1.
[[noreturn]] void fatalError(const char* module, int line);

// The number each fatal check of the engine reports; the two variants carry numbers of
// their own. 0 marks a check the variant does not have.
struct FatalLines {
    // map construction
    int refinementParamsRange;
    int maxDiffOverflow;
    int buildMapArguments;
    int columnArrayAlloc;
    int columnAlloc;
    int noElevationSource;
    int nodeMapArrayAlloc;
    int nodeMapColumnAlloc;
    int setTextureNoMap;
    int setTextureSize;
    // roughness
    int roughnessAboveOne;
    int propagationTooFar;
    // fog map
    int fogHeightScaleZero;
    int fogBoundOverflow;
    int fogNoMap;
    int fogImageSize;
    int fogParameters;
    int fogWeight;
    int fogAlreadyBuilt;
    int fogArrayAlloc;
    int fogColumnAlloc;
    // fog prism list
    int prismListAlloc;
    int prismListGrow;
    // landscape pass
    int passNoMap;
    int passView;
    int passViewDirection;
    int perspectiveRight;
    int perspectiveUp;
    int perspectivePlane[4];
    int orthoRight;
    int orthoUp;
    // queries and release
    int sampleHeightNoMap;
    int sampleHeightRange;
    int heightNoMap;
    int fogThicknessNoMap;
    int normalNoMap;
    int normalZeroLength;
    int releaseNoMap;
};

template <class Sample> struct Variant;

template <>
struct Variant<std::int16_t> {
    static constexpr FatalLines lines = {
        12, 82, 181, 193, 195, 200, 206, 208, 232, 238,
        88, 114,
        300, 305, 364, 368, 369, 370, 372, 373, 375,
        738, 745,
        1897, 1900, 1904, 1941, 1946, {1955, 1967, 1979, 1991}, 2003, 2008,
        2108, 2110, 2122, 2180, 2245, 2321, 2332,
    };
};

template <>
struct Variant<float> {
    static constexpr FatalLines lines = {
        2366, 0, 2535, 2547, 2549, 2554, 2560, 2562, 2586, 2592,
        2442, 2468,
        2652, 0, 2711, 2715, 2716, 2717, 2719, 2720, 2722,
        3085, 3092,
        4244, 4247, 4251, 4288, 4293, {4302, 4314, 4326, 4338}, 4350, 4355,
        4455, 4457, 4469, 4527, 4592, 4668, 4679,
    };
};

template <class Sample>
constexpr const FatalLines& fatalLines() {
    return Variant<Sample>::lines;
}

// Reports a failed check of the engine: every engine check ends here.
[[noreturn]] inline void failEngineCheck(int line) { fatalError(kEngineModule, line); }

}  // namespace kalde
