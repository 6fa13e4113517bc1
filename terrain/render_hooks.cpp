#include "terrain/render_hooks.h"

namespace kalde {

namespace {

void nothing() {}
void bindNoTexture(int, int, int, int) {}
void noTransform(float, float, float) {}
void noSectionQuad(const SectionPoint*, bool) {}
void noSectionTriangle(const SectionPoint*) {}
int noTexture(void*, int*, int*) { return 0; }
void noTextureToDelete(int) {}

constexpr RenderHooks kEmptyHooks = {
    nothing, nothing, bindNoTexture, nothing, nothing, noTransform, noTransform,
    nothing, nothing, nothing, nothing, nothing, nothing, nothing, nothing,
    nothing, nothing, nothing, nothing, noSectionQuad, noSectionTriangle,
    noTexture, noTextureToDelete,
};

RenderHooks currentHooks = kEmptyHooks;

}  // namespace

const RenderHooks& emptyRenderHooks() { return kEmptyHooks; }

RenderHooks& renderHooks() { return currentHooks; }

}  // namespace kalde
