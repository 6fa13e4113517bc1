// The terrain of one true-scale frame in the scene: the frame's buffers wrapped into one
// mesh node, removed again before the next frame.
#pragma once

#include <irrlicht.h>

namespace flyover {

class FrameNode {
public:
    FrameNode() = default;
    ~FrameNode() { remove(); }
    FrameNode(const FrameNode&) = delete;
    FrameNode& operator=(const FrameNode&) = delete;

    // Adds the frame's buffers (see wrapFrameBuffers) to the scene, each with the material
    // it carries; returns their triangles.
    long show(irr::scene::ISceneManager* sceneManager);
    irr::scene::IAnimatedMeshSceneNode* node() const { return node_; }
    void remove();

private:
    irr::scene::IAnimatedMeshSceneNode* node_ = nullptr;
    irr::scene::SMesh* mesh_ = nullptr;
    irr::scene::SAnimatedMesh* animatedMesh_ = nullptr;
};

}  // namespace flyover
