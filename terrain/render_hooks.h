// The built-in renderer's hooks: the points of the landscape pass, the prism phase
// and texture management where a renderer attached to the engine would draw. The
// shipped hooks do nothing and createTexture returns 0 (no texture); the engine never
// depends on what a hook does. One table serves both sample types.
#pragma once

namespace kalde {

// A point where the near plane cuts a fog prism: position, distance to the plane and
// (where the drawing variant carries one) the fog attribute in 0..1.
struct SectionPoint {
    float x, y, z, distance, attribute;
};

struct RenderHooks {
    void (*beginLandscape)();
    void (*endLandscape)();
    void (*bindTexture)(int textureId, int textureWidth, int textureHeight, int size);
    void (*pushTransform)();
    void (*popTransform)();
    void (*translateTransform)(float x, float y, float z);
    void (*scaleTransform)(float x, float y, float z);
    void (*beginPrimitives)();
    void (*endPrimitives)();
    void (*beginFog)();
    void (*endFog)();
    void (*beginPrism)();
    void (*endPrism)();
    void (*beginPrismClip)();
    void (*endPrismClip)();
    void (*beginSection)();
    void (*endSection)();
    void (*beginPrismBatch)();
    void (*endPrismBatch)();
    // Four section points; withAttribute tells whether their attribute is meaningful.
    void (*sectionQuad)(const SectionPoint* points, bool withAttribute);
    void (*sectionTriangle)(const SectionPoint* points);
    // Returns a texture handle, 0 for none; may adjust *width and *height.
    int (*createTexture)(void* image, int* width, int* height);
    void (*deleteTexture)(int textureId);
};

// The shipped hooks: empty bodies, createTexture returns 0.
const RenderHooks& emptyRenderHooks();

// The hooks the engine calls. Starts as emptyRenderHooks(); a renderer (or a test
// that records the calls) may replace entries. Not thread safe, like the engine.
RenderHooks& renderHooks();

}  // namespace kalde
