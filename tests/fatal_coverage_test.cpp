// The engine's table of fatal check numbers agrees, check by check, with the tests' own
// table, which the death tests report against. Every field of the engine's table is
// bound here by name, so a check added to the engine does not compile here until the
// tests know its number.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "terrain/fatal.h"

namespace kalde::test {
namespace {

template <class Sample>
class FatalTable : public ::testing::Test {};
TYPED_TEST_SUITE(FatalTable, SampleTypes);

TYPED_TEST(FatalTable, AgreesWithTheTestsTable) {
    using E = Expected<TypeParam>;
    const auto& [refinementParamsRange, maxDiffOverflow, buildMapArguments, columnArrayAlloc,
                 columnAlloc, noElevationSource, nodeMapArrayAlloc, nodeMapColumnAlloc,
                 setTextureNoMap, setTextureSize, roughnessAboveOne, propagationTooFar,
                 fogHeightScaleZero, fogBoundOverflow, fogNoMap, fogImageSize, fogParameters,
                 fogWeight, fogAlreadyBuilt, fogArrayAlloc, fogColumnAlloc, prismListAlloc,
                 prismListGrow, passNoMap, passView, passViewDirection, perspectiveRight,
                 perspectiveUp, perspectivePlane, orthoRight, orthoUp, sampleHeightNoMap,
                 sampleHeightRange, heightNoMap, fogThicknessNoMap, normalNoMap,
                 normalZeroLength, releaseNoMap] = fatalLines<TypeParam>();
#define SAME(field) EXPECT_EQ(field, E::field) << #field
    SAME(refinementParamsRange); SAME(maxDiffOverflow); SAME(buildMapArguments);
    SAME(columnArrayAlloc); SAME(columnAlloc); SAME(noElevationSource); SAME(nodeMapArrayAlloc);
    SAME(nodeMapColumnAlloc); SAME(setTextureNoMap); SAME(setTextureSize);
    SAME(roughnessAboveOne); SAME(propagationTooFar);
    SAME(fogHeightScaleZero); SAME(fogBoundOverflow); SAME(fogNoMap); SAME(fogImageSize);
    SAME(fogParameters); SAME(fogWeight); SAME(fogAlreadyBuilt); SAME(fogArrayAlloc);
    SAME(fogColumnAlloc); SAME(prismListAlloc); SAME(prismListGrow);
    SAME(passNoMap); SAME(passView); SAME(passViewDirection); SAME(perspectiveRight);
    SAME(perspectiveUp); SAME(orthoRight); SAME(orthoUp);
    for (int p = 0; p < 4; ++p) SAME(perspectivePlane[p]) << " " << p;
    SAME(sampleHeightNoMap); SAME(sampleHeightRange); SAME(heightNoMap); SAME(fogThicknessNoMap);
    SAME(normalNoMap); SAME(normalZeroLength); SAME(releaseNoMap);
#undef SAME
}

}  // namespace
}  // namespace kalde::test
