// The one way the engine and the terrain object report a failed check.
#pragma once

namespace kalde {

constexpr const char* kEngineModule = "kalde";
constexpr const char* kTerrainObjectModule = "kaldestub";

// The terrain object's one check of its own: draw with a height factor above 1.
constexpr int kHeightFactorLine = 131;

// Prints "fatal error in <module> at line N!" on standard error and exits with status 1.
[[noreturn]] void fatalError(const char* module, int line);

}  // namespace kalde
